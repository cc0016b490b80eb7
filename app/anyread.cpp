#include "app/anyread.h"

#include <ostream>

#include "app/convert/assimpimport.h"
#include "app/convert/meshcolours.h"
#include "app/files/progressbar.h"
#include "app/read/table.h"

namespace {

// The importer's text without the path it was given, which for a copied
// input is not the name the user knows; the caller names the file.
std::string WithoutPath(const std::string& text, const std::string& path) {
  const std::string prefix = path + ": ";
  return text.compare(0, prefix.size(), prefix) == 0 ? text.substr(prefix.size()) : text;
}

}  // namespace

ReadResult ReadAnyFile(const Package& package, const ReadRequest& request, std::ostream& err) {
  ReadResult result;
  result.report.file = request.file;
  std::string head;
  if (!ReadHead(request.file, package.LargestSampleSize(), head, result.problem)) {
    result.code = kExitUsage;
    return result;
  }
  if (request.module || package.Detect(head) >= 0) return ReadThroughPackage(package, request);

  MeshColours colours;
  if (!colours.Resolve(package, result.problem)) {
    result.code = kExitNoPackage;
    return result;
  }
  const std::string path = InputPath(request.file);
  MeshImport imported;
  {
    ProgressBar quiet(err, "", false);
    try {
      imported = ImportMesh(path, colours, MeshImportOptions{}, quiet);
    } catch (...) {
      imported.failure = MeshImport::Failure::kFailed;
      imported.problem = path + ": cannot be imported: " + CurrentExceptionText();
    }
  }
  if (imported.failure == MeshImport::Failure::kUnrecognised) {
    result.code = kExitUsage;
    result.problem = request.file + ": not a PDB file that any module accepts (it starts with \"" +
                     Printable(head) + "\") nor a mesh file that can be imported";
    return result;
  }
  if (imported.failure != MeshImport::Failure::kNone) {
    result.code = kExitFailed;
    result.report.error = WithoutPath(imported.problem, path);
    return result;
  }
  if (imported.facesWithoutCorners > 0)
    err << "xpdb: warning: " << request.file << ": " << imported.facesWithoutCorners
        << " faces without corners skipped\n";
  if (imported.facesNotFinite > 0)
    err << "xpdb: warning: " << request.file << ": " << imported.facesNotFinite
        << " faces with a corner at infinity or not a number skipped\n";
  result.geometry = std::move(imported.geometry);
  result.report.ok = true;
  if (request.summarise) result.report.sets = SummariseSets(*result.geometry);
  return result;
}
