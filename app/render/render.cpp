#include "app/render/render.h"

#include <charconv>
#include <ostream>

#include <CLI/CLI.hpp>

#include "app/anyread.h"
#include "app/files/outputfile.h"
#include "app/render/image.h"
#include "app/render/renderer.h"

namespace {

bool ParseSide(const char* first, const char* last, int& side) {
  if (first == last || *first < '0' || *first > '9') return false;
  const auto [end, code] = std::from_chars(first, last, side);
  return code == std::errc() && end == last && side >= 1 && side <= kLargestImageSide;
}

constexpr const char* kRenderFooter =
    "Views, with Z up: iso looks from +X+Y+Z towards the part; front looks along\n"
    "-Y, side along -X, top along -Z with +Y up the image. The projection is\n"
    "orthographic; the part's bounding box fills the image but for a 5% margin.\n"
    "\n"
    "Faces are lit from the viewer's upper left in the diffuse colour of their\n"
    "material; lines and points are drawn in it. Sets without a material are grey,\n"
    "coordinate frames show their axes in red, green and blue, and the background\n"
    "is light grey (240, 240, 240).\n"
    "\n"
    "The image is PNG; OUT must end in .png or have no extension. It is written to\n"
    "an unnamed temporary file beside OUT, which replaces OUT once it is complete.\n"
    "FILE may be any mesh file that convert imports, or - for standard input.\n"
    "\n"
    "Exit codes: 0 the image was written; 1 the read failed, the part has nothing\n"
    "to draw, there is no OpenGL context, or the image could not be written; 2 bad\n"
    "arguments (OUT a directory, FIFO, device or socket, or named for another\n"
    "format), or a file that cannot be read or is not recognised.";

// The extension of the last path component, lower case with the dot; "" when
// it has none.
std::string Extension(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot + 1 == path.size() ||
      dot == (slash == std::string::npos ? 0 : slash + 1))
    return "";
  std::string extension = path.substr(dot);
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return extension;
}

}  // namespace

bool ParseImageSize(const std::string& text, int& width, int& height) {
  const std::size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  int w = 0, h = 0;
  const char* begin = text.data();
  if (!ParseSide(begin, begin + x, w) || !ParseSide(begin + x + 1, begin + text.size(), h)) return false;
  width = w;
  height = h;
  return true;
}

CLI::App* AddRenderCommand(CLI::App& app, RenderRequest& request) {
  CLI::App* command = app.add_subcommand("render", "Read a file and draw the part into a PNG image");
  command->footer(kRenderFooter);
  command->add_option("file", request.input.file, "PDB file or mesh file; - reads standard input")
      ->required();
  command->add_option("-o,--output", request.output, "PNG file to write (.png)")->required();
  const std::string sizeRule = "WIDTHxHEIGHT, each 1 to " + std::to_string(kLargestImageSide) + " pixels";
  command
      ->add_option_function<std::string>(
          "--size",
          [&request](const std::string& text) { ParseImageSize(text, request.width, request.height); },
          "Image size in pixels, " + sizeRule)
      ->check(CLI::Validator(
          [sizeRule](std::string& text) {
            int w = 0, h = 0;
            return ParseImageSize(text, w, h) ? std::string() : "Size " + text + " is not " + sizeRule;
          },
          "WxH"))
      ->default_str(std::to_string(request.width) + "x" + std::to_string(request.height));
  command
      ->add_option_function<std::string>(
          "--view", [&request](const std::string& text) { ParseView(text, request.view); },
          "Direction the part is seen from")
      ->check(CLI::IsMember({"iso", "front", "top", "side"}))
      ->default_str(ViewName(request.view));
  return command;
}

int RunRender(const Package& package, const RenderRequest& request, std::ostream& out, std::ostream& err) {
  if (const std::string extension = Extension(request.output); !extension.empty() && extension != ".png") {
    err << "xpdb: " << request.output << ": render writes PNG images only; name the file .png\n";
    return kExitUsage;
  }
  if (const std::string problem = UnwritableOutput(request.output); !problem.empty()) {
    err << "xpdb: " << problem << '\n';
    return kExitUsage;
  }
  // Made before the read, so that an unwritable place is reported at once.
  ReplacingFile file;
  std::string error;
  if (!file.Open(request.output, error)) {
    err << "xpdb: " << error << '\n';
    return kExitFailed;
  }

  const ReadResult input = ReadAnyFile(package, request.input, err);
  if (input.code == kExitUsage || input.code == kExitNoPackage) {
    err << "xpdb: " << input.problem << '\n';
    return input.code;
  }
  if (!input.report.ok) {
    err << "xpdb: " << request.input.file << ": " << input.report.error << "; nothing written\n";
    return kExitFailed;
  }
  const DrawList list = CollectDrawList(*input.geometry);
  if (list.Empty()) {
    err << "xpdb: " << request.input.file << ": nothing to draw (" << input.report.sets.size()
        << " sets, none with triangles, lines or points); nothing written\n";
    return kExitFailed;
  }

  Image image;
  const RenderStatus status = RenderImage(Project(list, request.view, request.width, request.height),
                                          request.width, request.height, image, error);
  if (status != RenderStatus::kOk) {
    err << "xpdb: " << error << "; nothing written\n";
    return status == RenderStatus::kTooLarge ? kExitUsage : kExitFailed;
  }
  std::vector<unsigned char> png;
  if (!EncodePng(image, png, error)) {
    err << "xpdb: " << error << "; nothing written\n";
    return kExitFailed;
  }
  const auto size = static_cast<std::streamsize>(png.size());
  if (file.sputn(reinterpret_cast<const char*>(png.data()), size) != size || !file.Commit(error)) {
    if (error.empty()) error = file.WriteError();
    err << "xpdb: " << (error.empty() ? "cannot write " + request.output : error) << '\n';
    return kExitFailed;
  }
  out << request.output << ": " << ViewName(request.view) << " view of " << request.input.file << ", "
      << request.width << "x" << request.height << " pixels, " << list.setsDrawn << " of "
      << input.report.sets.size() << " sets drawn\n";
  return kExitOk;
}
