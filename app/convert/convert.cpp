#include "app/commands.h"

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <ostream>

#include "app/convert/assimpexport.h"
#include "app/convert/assimpimport.h"
#include "app/convert/finite.h"
#include "app/convert/meshcolours.h"
#include "app/convert/meshformat.h"
#include "app/convert/outputplan.h"
#include "app/convert/pdbwrite.h"
#include "app/files/progressbar.h"

namespace {

std::string CountsText(const std::map<std::string, int>& byType) {
  std::string text;
  for (const auto& [type, n] : byType) text += (text.empty() ? "" : ", ") + std::to_string(n) + " " + type;
  return text;
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
      imported = ImportMesh(InputPath(request.input.file), colours, options, bar);
    } catch (...) {
      imported.failure = MeshImport::Failure::kFailed;
      imported.problem = request.input.file + ": cannot be imported: " + CurrentExceptionText();
    }
  }
  Input result;
  if (imported.failure != MeshImport::Failure::kNone) {
    // A file of no known kind is the user's mistake; one that fails to import is not.
    const bool unrecognised = imported.failure == MeshImport::Failure::kUnrecognised;
    result.code = unrecognised ? kExitUsage : kExitFailed;
    err << "xpdb: " << imported.problem << (unrecognised ? "" : "; nothing written") << '\n';
    return result;
  }
  if (imported.facesWithoutCorners > 0)
    err << "xpdb: warning: " << request.input.file << ": " << imported.facesWithoutCorners
        << " faces without corners skipped\n";
  // Faces and points that the import leaves out are lost as much as sets are.
  const bool refused = request.strict && (imported.facesNotFinite > 0 || imported.pointsLeftOut > 0);
  const char* lost = refused ? "xpdb: " : "xpdb: warning: ";
  const std::string outcome = refused ? "nothing written (--strict)" : "left out of " + request.output;
  if (imported.facesNotFinite > 0)
    err << lost << request.input.file << ": " << imported.facesNotFinite
        << " faces with a corner at infinity or not a number skipped" << (refused ? "; " + outcome : "")
        << '\n';
  if (imported.pointsLeftOut > 0)
    err << lost << "PDB version " << request.version << " cannot hold " << imported.pointsLeftOut
        << " points of " << request.input.file << "; " << outcome << '\n';
  if (refused) {
    result.code = kExitFailed;
    return result;
  }
  result.geometry = std::move(imported.geometry);
  return result;
}

int WritePdb(const PackageModule& writer, const ConvertRequest& request, const OutputPlan& plan,
             xGeometry* geometry, std::ostream& out, std::ostream& err) {
  const PdbWriteResult written =
      WritePdbFile(writer, request.version, geometry, request.output, request.input.file);
  if (!written.ok) {
    err << "xpdb: " << written.error << '\n';
    return kExitFailed;
  }
  out << request.output << ": " << plan.kept << " of " << plan.fates.size() << " sets written as PDB version "
      << request.version << " (" << writer.getName() << ")";
  // Each piece of a set is one object of its own within the readers' limits.
  if (written.split > 0) out << " in " << written.objects << " objects";
  out << '\n';
  return kExitOk;
}

int WriteMesh(const MeshFormat& format, const ConvertRequest& request, const OutputPlan& plan,
              const MeshColours& colours, xGeometry& geometry, std::ostream& out, std::ostream& err) {
  MeshExport written;
  {
    ProgressBar bar(err, "xpdb: writing " + request.output, request.progress);
    try {
      written = ExportMesh(geometry, format, request.output, colours, request.pdbFrame, bar);
    } catch (...) {
      written.ok = false;
      written.problem = "writing " + request.output + ": " + CurrentExceptionText();
    }
  }
  // The sets were named beforehand; anything more that the exporter left out is still said.
  if (!written.leftOut.empty() && written.setsWritten < plan.kept)
    err << "xpdb: warning: " << format.name << " cannot hold " << CountsText(written.leftOut)
        << "; left out of " << request.output << '\n';
  if (!written.ok) {
    err << "xpdb: " << written.problem << '\n';
    return kExitFailed;
  }
  out << request.output << ": " << written.setsWritten << " of " << geometry.GetContainer()->GetSetCount()
      << " sets written as " << format.name;
  for (std::size_t i = 1; i < written.files.size(); ++i)
    out << (i == 1 ? " (with " : ", ") << written.files[i];
  out << (written.files.size() > 1 ? ")\n" : "\n");
  return kExitOk;
}

// Refuses, before anything is written, geometry that the output could not
// hold in full: points beyond float, nothing to write, and with --strict
// any set left out. Warns of the sets left out otherwise.
bool Acceptable(const ConvertRequest& request, const std::string& target, const xGeometry& geometry,
                const OutputPlan& plan, std::ostream& err) {
  const xGeoContainer& container = *geometry.GetContainer();
  for (std::size_t i = 0; i < plan.fates.size(); ++i) {
    if (plan.fates[i] != SetFate::kKept) continue;
    const std::optional<PointBeyondFloat> far = FindPointBeyondFloat(*container.GetSet(static_cast<int>(i)));
    if (!far) continue;
    char where[128];
    std::snprintf(where, sizeof where, "point %d is at (%g, %g, %g)", far->index, far->x, far->y, far->z);
    err << "xpdb: " << request.input.file << ": set #" << i
        << " has a point at infinity, not a number or beyond the range of float (" << where
        << "); nothing written\n";
    return false;
  }
  if (plan.fates.empty()) {
    err << "xpdb: " << request.input.file << " holds no geometry; nothing written\n";
    return false;
  }
  const std::string leftOut =
      plan.kept < static_cast<int>(plan.fates.size()) ? LeftOutText(geometry, plan) : "";
  if (plan.kept == 0) {
    err << "xpdb: " << target << " cannot hold " << leftOut << "; nothing written\n";
    return false;
  }
  if (plan.dropped > 0 && request.strict) {
    err << "xpdb: " << target << " cannot hold " << leftOut << "; nothing written (--strict)\n";
    return false;
  }
  if (!leftOut.empty())
    err << "xpdb: warning: " << target << " cannot hold " << leftOut << "; left out of " << request.output
        << '\n';
  return true;
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

  xGeometry& geometry = *input.geometry;
  const OutputPlan plan = pdbOutput ? PlanPdb(geometry, request.version) : PlanMesh(geometry, *format);
  const std::string target = pdbOutput ? "PDB version " + std::to_string(request.version) : format->name;
  if (!Acceptable(request, target, geometry, plan, err)) return kExitFailed;

  if (pdbOutput) return WritePdb(*writer, request, plan, &geometry, out, err);
  return WriteMesh(*format, request, plan, colours, geometry, out, err);
}
