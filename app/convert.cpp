#include <map>
#include <ostream>

#include "app/commands.h"
#include "app/outputfile.h"
#include "host/xstream.h"

namespace {

bool EndsWithPdb(const std::string& path) {
  if (path.size() < 4) return false;
  std::string tail = path.substr(path.size() - 4);
  for (char& c : tail)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return tail == ".pdb";
}

// The kinds of set that a PDB writer of the version puts into the file;
// versions after 9 carry polygon meshes only.
bool Writable(const SetSummary& set, int version) {
  if (set.type == "xPolyMesh") return true;
  if (version > 9) return false;
  return set.type == "xTriMesh" || set.type == "xLineSet" || set.type == "xCompactLineSet";
}

std::string Dropped(const std::vector<SetSummary>& sets, int version, std::size_t& count) {
  std::map<std::string, int> byType;
  count = 0;
  for (const SetSummary& s : sets)
    if (!Writable(s, version)) {
      ++byType[s.type];
      ++count;
    }
  std::string text;
  for (const auto& [type, n] : byType) text += (text.empty() ? "" : ", ") + std::to_string(n) + " " + type;
  return text;
}

}  // namespace

int RunConvert(const Package& package, const ConvertRequest& request, std::ostream& out, std::ostream& err) {
  if (!EndsWithPdb(request.output)) {
    err << "xpdb: " << request.output << ": only PDB output (*.pdb) is supported\n";
    return kExitUsage;
  }
  const PackageModule* writer = package.ModuleForVersion(request.version);
  if (!writer) {
    err << "xpdb: the package has no module for PDB version " << request.version << '\n';
    return kExitUsage;
  }

  ReadResult input = ReadThroughPackage(package, request.input);
  if (input.code == kExitUsage) {
    err << "xpdb: " << input.problem << '\n';
    return kExitUsage;
  }
  if (!input.report.ok) {
    err << "xpdb: " << request.input.file << ": " << input.report.error << "; nothing written\n";
    return kExitFailed;
  }

  xGeometry* geometry = input.geometry.get();
  try {
    // A module that writes in general (it accepts no geometry at all) but
    // refuses this one is obeyed; the others never volunteer, and naming
    // the version is the user's explicit choice of them.
    if (!writer->canWrite(geometry) && writer->canWrite(nullptr)) {
      err << "xpdb: " << writer->getName() << " refuses to write the geometry read from "
          << request.input.file << '\n';
      return kExitFailed;
    }
  } catch (...) {
    err << "xpdb: " << writer->getName() << ": " << CurrentExceptionText() << '\n';
    return kExitFailed;
  }

  std::size_t dropped = 0;
  const std::string droppedText = Dropped(input.report.sets, request.version, dropped);
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
    status = writer->write(&stream, geometry);
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
      err << "xpdb: " << writer->getName() << " returned status " << status << " for " << request.output
          << '\n';
    else
      err << "xpdb: writing " << request.output << " failed\n";
    return kExitFailed;
  }
  if (!file.Commit(error)) {
    err << "xpdb: " << error << '\n';
    return kExitFailed;
  }
  out << request.output << ": " << (input.report.sets.size() - dropped) << " of " << input.report.sets.size()
      << " sets written as PDB version " << request.version << " (" << writer->getName() << ")\n";
  return kExitOk;
}
