// xpdb: a command-line host for the PDB format package.
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include <unistd.h>

#include <CLI/CLI.hpp>

#include "app/commands.h"
#include "app/convert/meshformat.h"
#include "app/defaults.h"
#include "app/files/outputfile.h"
#include "app/render/render.h"

namespace {

std::string PositiveNumber(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || !std::isfinite(value) || value <= 0.0)
    return "Value " + text + " is not a positive number";
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit then fails the write (and is reported) instead of
  // killing the process half-way.
  std::signal(SIGXFSZ, SIG_IGN);
  // A summary of a million sets goes out in large writes, not in 4 KiB ones.
  static char outputBuffer[1 << 16];
  if (isatty(STDOUT_FILENO) != 1) std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);

  CLI::App app{"xpdb: reads, checks and converts PDB part files through the xpdb package"};
  // At most one; none only with --version.
  app.require_subcommand(0, 1);
  bool showVersion = false;
  app.add_flag("--version", showVersion, "Print the program's and the package's versions");
  auto* versionCommand = app.add_subcommand("version", "Print the program's and the package's versions");

  bool json = false;
  std::vector<std::string> files;
  ReadRequest read;
  read.tolerance = kDefaultNurbsTolerance;
  ConvertRequest convert;
  convert.version = kDefaultWriteVersion;
  convert.input.tolerance = kDefaultNurbsTolerance;
  int module = -1;

  auto* modules = app.add_subcommand("modules", "Show the package and its format modules");
  modules->add_flag("--json", json, "Print JSON");

  auto* detect = app.add_subcommand("detect", "Show which module accepts each file");
  detect->add_option("files", files, "PDB files; - reads standard input")->required();
  detect->add_flag("--json", json, "Print JSON");

  const auto addReadOptions = [&module](CLI::App* command, ReadRequest& request) {
    command
        ->add_option("--module", module, "Read through module N instead of the first that accepts the file")
        ->check(CLI::Range(0, 5));
    command
        ->add_option("--tolerance", request.tolerance,
                     "Surface tessellation tolerance (Render.NURBS.Tolerance)")
        ->check(PositiveNumber)
        ->capture_default_str();
  };
  auto* readCommand = app.add_subcommand("read", "Read a file and summarise the geometry");
  readCommand->add_option("file", read.file, "PDB file or mesh file; - reads standard input")->required();
  readCommand->add_flag("--json", json, "Print JSON");
  addReadOptions(readCommand, read);

  auto* convertCommand = app.add_subcommand(
      "convert", "Convert a PDB or mesh file to a PDB or mesh file, by the output's extension");
  convertCommand
      ->add_option("in", convert.input.file,
                   "PDB file, or any mesh file that Assimp imports; - reads standard input")
      ->required();
  convertCommand->add_option("out", convert.output, "File to write: " + OutputExtensions())->required();
  convertCommand->add_option("--pdb-version", convert.version, "PDB version to write")
      ->check(CLI::IsMember({8, 9, 10, 11, 12, 14}))
      ->capture_default_str();
  convertCommand->add_flag("--strict", convert.strict,
                           "Fail instead of leaving out anything the output cannot hold");
  addReadOptions(convertCommand, convert.input);
  bool binary = false, ascii = false;
  std::string unit = "mm", up = "z";
  auto* binaryFlag = convertCommand->add_flag("--binary", binary, "Write a mesh format's binary variant");
  convertCommand->add_flag("--ascii", ascii, "Write a mesh format's text variant")->excludes(binaryFlag);
  convertCommand
      ->add_option("--unit", unit, "The unit of the PDB side's coordinates (mesh formats with units convert)")
      ->check(CLI::IsMember({"mm", "cm", "m", "in"}))
      ->capture_default_str();
  convertCommand->add_option("--up", up, "The PDB side's up axis (mesh formats with axes convert)")
      ->check(CLI::IsMember({"z", "y"}))
      ->capture_default_str();

  RenderRequest render;
  render.input.tolerance = kDefaultNurbsTolerance;
  auto* renderCommand = AddRenderCommand(app, render);
  addReadOptions(renderCommand, render.input);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? kExitOk : kExitUsage;
  }
  if (!showVersion && app.get_subcommands().empty()) {
    std::cerr << "A subcommand is required\nRun with --help for more information.\n";
    return kExitUsage;
  }
  if (module >= 0) read.module = convert.input.module = module;
  convert.encoding = binary ? Encoding::kBinary : ascii ? Encoding::kAscii : Encoding::kDefault;
  convert.pdbFrame = {*ParseUnit(unit), *ParseUp(up)};
  convert.progress = isatty(STDERR_FILENO) == 1;
  if (module >= 0) render.input.module = module;

  Package package;
  std::string error;
  if (!package.Load(DefaultPackagePath(), error)) {
    if (showVersion || *versionCommand) RunVersion(nullptr, std::cout);
    std::cerr << "xpdb: " << error << '\n';
    return kExitNoPackage;
  }
  // Refused before anything is read: what cannot be replaced by a file.
  if (*convertCommand) {
    if (const std::string problem = UnwritableOutput(convert.output); !problem.empty()) {
      std::cerr << "xpdb: " << problem << '\n';
      return kExitUsage;
    }
  }
  package.InstallColourMaterials();

  int code = kExitOk;
  std::unique_ptr<xGeometry> kept;  // never taken apart: see the exit below
  if (showVersion || *versionCommand)
    code = RunVersion(&package, std::cout);
  else if (*modules)
    code = RunModules(package, json, std::cout);
  else if (*detect)
    code = RunDetect(package, files, json, std::cout, std::cerr);
  else if (*readCommand)
    code = RunRead(package, read, json, std::cout, std::cerr, &kept);
  else if (*renderCommand)
    code = RunRender(package, render, std::cout, std::cerr);
  else
    code = RunConvert(package, convert, std::cout, std::cerr);
  // A summary that did not reach its reader is no success.
  if (!std::cout.flush()) {
    std::cerr << "xpdb: cannot write to standard output\n";
    if (code == kExitOk) code = kExitFailed;
  }
  std::cerr.flush();
  // Every output is complete and in place; taking apart a geometry of a
  // million sets would only delay the exit.
  std::_Exit(code);
}
