#include "app/convert/pdbwrite.h"

#include "app/convert/pdbsplit.h"
#include "app/files/outputfile.h"
#include "app/read/hostread.h"
#include "host/xstream.h"

PdbWriteResult WritePdbFile(const PackageModule& writer, int version, xGeometry* geometry,
                            const std::string& path, const std::string& source) {
  PdbWriteResult result;
  PdbGeometry prepared;
  try {
    // A module that writes in general (it accepts no geometry at all) but
    // refuses this one is obeyed; the others never volunteer, and naming
    // the version is the user's explicit choice of them.
    if (!writer.canWrite(geometry) && writer.canWrite(nullptr)) {
      result.error = std::string(writer.getName()) + " refuses to write the geometry read from " + source;
      return result;
    }
    prepared = PrepareForPdb(*geometry, version);
  } catch (...) {
    result.error = std::string(writer.getName()) + ": " + CurrentExceptionText();
    return result;
  }
  if (prepared.geometry) geometry = prepared.geometry.get();
  result.objects = prepared.objects;
  result.split = prepared.split;

  ReplacingFile file;
  if (!file.Open(path, result.error)) return result;
  xStream stream(&file);
  int status = 0;
  try {
    status = writer.write(&stream, geometry);
  } catch (...) {
    result.error = "writing " + path + ": " + CurrentExceptionText();
    return result;
  }
  stream.flush();
  if (status != 0 || !stream) {
    const std::string written = file.WriteError();
    if (!written.empty())
      result.error = written;
    else if (status != 0)
      result.error =
          std::string(writer.getName()) + " returned status " + std::to_string(status) + " for " + path;
    else
      result.error = "writing " + path + " failed";
    return result;
  }
  result.ok = file.Commit(result.error);
  return result;
}
