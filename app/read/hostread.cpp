#include "app/read/hostread.h"

#include <unistd.h>

#include <charconv>
#include <cstring>
#include <exception>
#include <vector>

#include "app/files/inputfile.h"
#include "app/read/table.h"
#include "host/xassert.h"
#include "host/xenvironment.h"
#include "host/xgeometryoptimizer.h"
#include "host/xmessage.h"
#include "host/xstream.h"

namespace {

constexpr const char* kToleranceSetting = "Render.NURBS.Tolerance";

}  // namespace

bool ReadHead(const std::string& path, int size, std::string& head, std::string& error) {
  const std::shared_ptr<InputFile> input = InputFile::Open(path, error);
  return input && input->Head(static_cast<std::size_t>(size > 0 ? size : 0), head, error);
}

namespace {

// The line (counted from 1) on which the byte at `offset` stands.
long long LineAt(const InputFile& input, long long offset) {
  std::vector<char> chunk(1 << 16);
  long long line = 1, done = 0;
  while (done < offset) {
    const auto want =
        static_cast<std::size_t>(std::min<long long>(offset - done, static_cast<long long>(chunk.size())));
    ssize_t n;
    do n = pread(input.Descriptor(), chunk.data(), want, static_cast<off_t>(done));
    while (n < 0 && errno == EINTR);
    if (n <= 0) break;
    for (ssize_t i = 0; i < n; ++i) line += chunk[static_cast<std::size_t>(i)] == '\n';
    done += n;
  }
  return line;
}

// What the package noted during a failed read after its first note (the
// format it read as): where the read stopped, each byte offset with its line.
std::string FailureDetail(const std::vector<std::string>& notes, std::size_t first, const InputFile& input) {
  std::string detail;
  for (std::size_t i = first + 1; i < notes.size(); ++i) {
    if (!detail.empty()) detail += ", ";
    detail += notes[i];
    constexpr std::string_view kByte = "byte ";
    long long offset = -1;
    if (notes[i].starts_with(kByte) &&
        std::from_chars(notes[i].data() + kByte.size(), notes[i].data() + notes[i].size(), offset).ec ==
            std::errc() &&
        offset >= 0)
      detail += ", line " + std::to_string(LineAt(input, offset));
  }
  return detail;
}

}  // namespace

std::string InputPath(const std::string& file) {
  std::string ignored;
  const std::shared_ptr<InputFile> input = InputFile::Open(file, ignored);
  return input ? input->Path() : file;
}

std::string CurrentExceptionText() {
  try {
    throw;
  } catch (const xMessage& message) {
    return message.GetText();
  } catch (const xException& exception) {
    return exception.GetText();
  } catch (const std::exception& exception) {
    return exception.what();
  } catch (...) {
    return "unknown exception";
  }
}

ReadResult ReadThroughPackage(const Package& package, const ReadRequest& request) {
  ReadResult result;
  result.report.file = request.file;

  // One opening serves both the sniffing and the read, so that a pipe
  // or a FIFO is read once.
  const std::shared_ptr<InputFile> input = InputFile::Open(request.file, result.problem);
  std::string head;
  if (!input || !input->Head(static_cast<std::size_t>(package.LargestSampleSize()), head, result.problem)) {
    result.code = kExitUsage;
    return result;
  }
  const int index = request.module ? *request.module : package.Detect(head);
  if (index < 0 || index >= static_cast<int>(package.Modules().size())) {
    result.code = kExitUsage;
    result.problem = request.file + ": not a PDB file that any module accepts (it starts with \"" +
                     Printable(head) + "\")";
    return result;
  }
  const PackageModule& module = package.Modules()[static_cast<std::size_t>(index)];
  result.module = &module;
  result.report.module = module.getName();

  InputBuffer buffer(input);
  xStream stream(&buffer);

  xEnvironment::GetGlobal()->SetDouble(kToleranceSetting, request.tolerance);
  xGeometryOptimizer::ResetRecord();
  const int assertionsBefore = xGlobalAssertCount();

  result.geometry = std::make_unique<xGeometry>();
  xGeometry* geometry = result.geometry.get();
  const std::size_t notesBefore = stream.GetMessageContext().Notes().size();
  try {
    // A failed read is thrown; a non-zero result breaks the module's contract
    // and is not taken as success either.
    const int status = module.read(&stream, &geometry);
    result.report.ok = status == 0;
    if (status != 0) result.report.error = "the module returned status " + std::to_string(status);
  } catch (...) {
    result.report.error = CurrentExceptionText();
    result.report.errorDetail = FailureDetail(stream.GetMessageContext().Notes(), notesBefore, *input);
  }
  // A file that could not be read to its end was not read, whatever the
  // module made of the part it saw.
  if (buffer.Error() != 0) {
    result.report.ok = false;
    result.report.error = request.file + ": " + std::strerror(buffer.Error());
  }
  // An optimiser that replaces the geometry disposes of the one it was given.
  if (geometry != result.geometry.get()) {
    (void)result.geometry.release();
    result.geometry.reset(geometry);
  }

  result.report.assertions = xGlobalAssertCount() - assertionsBefore;
  result.report.optimizer = xGeometryOptimizer::GetRecord();
  if (result.geometry && request.summarise) {
    try {
      result.report.sets = SummariseSets(*result.geometry);
    } catch (...) {
      if (result.report.ok) result.report.error = "cannot summarise the geometry: " + CurrentExceptionText();
      result.report.ok = false;
    }
  }
  result.code = result.report.ok ? kExitOk : kExitFailed;
  return result;
}
