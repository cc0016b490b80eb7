#include <map>
#include <memory>
#include <ostream>

#include "app/assimpexport.h"
#include "app/assimpimport.h"
#include "app/commands.h"
#include "app/meshcolours.h"
#include "app/meshformat.h"
#include "app/outputfile.h"
#include "app/progressbar.h"
#include "host/xstream.h"

namespace {

// The kinds of set that a PDB writer of the version puts into the file;
// versions after 9 carry polygon meshes only.
bool Writable(const SetSummary& set, int version) {
  if (set.type == "xPolyMesh") return true;
  if (version > 9) return false;
  return set.type == "xTriMesh" || set.type == "xLineSet" || set.type == "xCompactLineSet";
}

std::string CountsText(const std::map<std::string, int>& byType) {
  std::string text;
  for (const auto& [type, n] : byType) text += (text.empty() ? "" : ", ") + std::to_string(n) + " " + type;
  return text;
}

std::string Dropped(const std::vector<SetSummary>& sets, int version, std::size_t& count) {
  std::map<std::string, int> byType;
  count = 0;
  for (const SetSummary& s : sets)
    if (!Writable(s, version)) {
      ++byType[s.type];
      ++count;
    }
  return CountsText(byType);
}

// The input as host geometry; `code` says why there is none.
struct Input {
  ExitCode code = kExitOk;
  std::unique_ptr<xGeometry> geometry;
};

Input ReadPdb(const Package& package, const ConvertRequest& request, std::ostream& err) {
  Input result;
  ReadResult input = ReadThroughPackage(package, request.input);
  if (input.code == kExitUsage) {
    err << "xpdb: " << input.problem << '\n';
    result.code = kExitUsage;
  } else if (!input.report.ok) {
    err << "xpdb: " << request.input.file << ": " << input.report.error << "; nothing written\n";
    result.code = kExitFailed;
  } else {
    result.geometry = std::move(input.geometry);
  }
  return result;
}

Input ImportInput(const ConvertRequest& request, bool pdbOutput, const MeshColours& colours,
                  std::ostream& err) {
  MeshImportOptions options;
  options.polyMeshes = pdbOutput && request.version > 9;
  options.points = !pdbOutput;
  options.pdbFrame = request.pdbFrame;
  MeshImport imported;
  {
    ProgressBar bar(err, "xpdb: reading " + request.input.file, request.progress);
    try {
      imported = ImportMesh(request.input.file, colours, options, bar);
    } catch (...) {
      imported.code = kExitFailed;
      imported.problem = request.input.file + ": cannot be imported: " + CurrentExceptionText();
    }
  }
  Input result;
  result.code = imported.code;
  if (imported.code != kExitOk) {
    err << "xpdb: " << imported.problem << (imported.code == kExitFailed ? "; nothing written" : "") << '\n';
    return result;
  }
  if (imported.facesWithoutCorners > 0)
    err << "xpdb: warning: " << request.input.file << ": " << imported.facesWithoutCorners
        << " faces without corners skipped\n";
  if (imported.facesNotFinite > 0)
    err << "xpdb: warning: " << request.input.file << ": " << imported.facesNotFinite
        << " faces with a corner at infinity or not a number skipped\n";
  if (imported.pointsLeftOut > 0)
    err << "xpdb: warning: PDB version " << request.version << " cannot hold " << imported.pointsLeftOut
        << " points of " << request.input.file << "; left out of " << request.output << '\n';
  result.geometry = std::move(imported.geometry);
  return result;
}

int WritePdb(const PackageModule& writer, const ConvertRequest& request, xGeometry* geometry,
             std::ostream& out, std::ostream& err) {
  std::vector<SetSummary> sets;
  try {
    sets = SummariseSets(*geometry);
    // A module that writes in general (it accepts no geometry at all) but
    // refuses this one is obeyed; the others never volunteer, and naming
    // the version is the user's explicit choice of them.
    if (!writer.canWrite(geometry) && writer.canWrite(nullptr)) {
      err << "xpdb: " << writer.getName() << " refuses to write the geometry read from " << request.input.file
          << '\n';
      return kExitFailed;
    }
  } catch (...) {
    err << "xpdb: " << writer.getName() << ": " << CurrentExceptionText() << '\n';
    return kExitFailed;
  }

  std::size_t dropped = 0;
  const std::string droppedText = Dropped(sets, request.version, dropped);
  if (dropped > 0)
    err << "xpdb: warning: PDB version " << request.version << " cannot hold " << droppedText
        << "; left out of " << request.output << '\n';

  ReplacingFile file;
  std::string error;
  if (!file.Open(request.output, error)) {
    err << "xpdb: " << error << '\n';
    return kExitFailed;
  }
  xStream stream(&file);
  int status = 0;
  try {
    status = writer.write(&stream, geometry);
  } catch (...) {
    err << "xpdb: writing " << request.output << ": " << CurrentExceptionText() << '\n';
    return kExitFailed;
  }
  stream.flush();
  if (status != 0 || !stream) {
    const std::string written = file.WriteError();
    if (!written.empty())
      err << "xpdb: " << written << '\n';
    else if (status != 0)
      err << "xpdb: " << writer.getName() << " returned status " << status << " for " << request.output
          << '\n';
    else
      err << "xpdb: writing " << request.output << " failed\n";
    return kExitFailed;
  }
  if (!file.Commit(error)) {
    err << "xpdb: " << error << '\n';
    return kExitFailed;
  }
  out << request.output << ": " << (sets.size() - dropped) << " of " << sets.size()
      << " sets written as PDB version " << request.version << " (" << writer.getName() << ")\n";
  return kExitOk;
}

int WriteMesh(const MeshFormat& format, const ConvertRequest& request, const MeshColours& colours,
              xGeometry& geometry, std::ostream& out, std::ostream& err) {
  MeshExport written;
  {
    ProgressBar bar(err, "xpdb: writing " + request.output, request.progress);
    try {
      written = ExportMesh(geometry, format, request.output, colours, request.pdbFrame, bar);
    } catch (...) {
      written.code = kExitFailed;
      written.problem = "writing " + request.output + ": " + CurrentExceptionText();
    }
  }
  if (!written.leftOut.empty())
    err << "xpdb: warning: " << format.name << " cannot hold " << CountsText(written.leftOut)
        << "; left out of " << request.output << '\n';
  if (written.code != kExitOk) {
    err << "xpdb: " << written.problem << '\n';
    return written.code;
  }
  out << request.output << ": " << written.setsWritten << " of " << geometry.GetContainer()->GetSetCount()
      << " sets written as " << format.name;
  for (std::size_t i = 1; i < written.files.size(); ++i)
    out << (i == 1 ? " (with " : ", ") << written.files[i];
  out << (written.files.size() > 1 ? ")\n" : "\n");
  return kExitOk;
}

}  // namespace

int RunConvert(const Package& package, const ConvertRequest& request, std::ostream& out, std::ostream& err) {
  const bool pdbOutput = IsPdbPath(request.output);
  std::string why;
  const MeshFormat* format = pdbOutput ? nullptr : MeshFormatFor(request.output, request.encoding, why);
  if (!pdbOutput && !format) {
    if (!why.empty())
      err << "xpdb: " << request.output << ": " << why << '\n';
    else
      err << "xpdb: " << request.output << ": unknown output format; the extensions written are "
          << OutputExtensions() << '\n';
    return kExitUsage;
  }
  const PackageModule* writer = pdbOutput ? package.ModuleForVersion(request.version) : nullptr;
  if (pdbOutput && !writer) {
    err << "xpdb: the package has no module for PDB version " << request.version << '\n';
    return kExitUsage;
  }
  MeshColours colours;
  std::string error;
  if (!colours.Resolve(package, error)) {
    err << "xpdb: " << error << '\n';
    return kExitNoPackage;
  }

  // PDB files are recognised by the package's modules; anything else is
  // left to Assimp.
  std::string head;
  if (!ReadHead(request.input.file, package.LargestSampleSize(), head, error)) {
    err << "xpdb: " << error << '\n';
    return kExitUsage;
  }
  const bool pdbInput = request.input.module.has_value() || package.Detect(head) >= 0;
  Input input = pdbInput ? ReadPdb(package, request, err) : ImportInput(request, pdbOutput, colours, err);
  if (input.code != kExitOk) return input.code;

  if (pdbOutput) return WritePdb(*writer, request, input.geometry.get(), out, err);
  return WriteMesh(*format, request, colours, *input.geometry, out, err);
}
