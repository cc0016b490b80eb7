// The command line's inputs and outputs from outside: pipes, FIFOs, odd
// names, links, interruptions, versions and exit codes.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "common/apptest.h"
#include "xpdbversion.h"

namespace {

namespace fs = std::filesystem;
using apptest::Scratch;
using apptest::Slurp;

const std::string kProgram = XPDB_BINARY_DIR "/bin/xpdb";
const std::string kPart = XPDB_SOURCE_DIR "/examples/gripper_finger_v9.pdb";

struct Outcome {
  int code = -1;
  std::string out, err;
};

// `command` through the shell, with $XPDB standing for the program, in
// English and without the user's settings.
Outcome Shell(const std::string& command) {
  const Scratch capture;
  const std::string script = "export LANG=C XPDB='" + kProgram + "' XDG_CONFIG_HOME='" +
                             capture.path.string() + "' XDG_CONFIG_DIRS='" + capture.path.string() +
                             "'; unset LC_ALL LANGUAGE; (" + command + ") >'" + capture.File("out") +
                             "' 2>'" + capture.File("err") + "'";
  const int status = system(script.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(capture.File("out")),
          Slurp(capture.File("err"))};
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

TEST(Inputs, StandardInputAndPipesAreReadOnceByEveryCommand) {
  const Scratch dir;
  const Outcome file = Shell("$XPDB read --json " + Quoted(kPart));
  ASSERT_EQ(file.code, 0) << file.err;
  const auto expected = nlohmann::json::parse(file.out)["sets"];
  for (const char* name : {"-", "/dev/stdin"}) {
    const Outcome piped = Shell("cat " + Quoted(kPart) + " | $XPDB read --json " + name);
    ASSERT_EQ(piped.code, 0) << name << ": " << piped.err;
    EXPECT_EQ(nlohmann::json::parse(piped.out)["sets"], expected) << name;
  }
  const Outcome detect = Shell("cat " + Quoted(kPart) + " | $XPDB detect - --json");
  EXPECT_EQ(detect.code, 0) << detect.err;
  EXPECT_EQ(nlohmann::json::parse(detect.out)[0]["module"], "xpdb09");

  const std::string out = dir.File("out.pdb");
  const Outcome convert = Shell("cat " + Quoted(kPart) + " | $XPDB convert - " + Quoted(out));
  EXPECT_EQ(convert.code, 0) << convert.err;
  EXPECT_EQ(Shell("$XPDB read --json " + Quoted(out)).code, 0);

  const Outcome render =
      Shell("cat " + Quoted(kPart) + " | $XPDB render - -o " + Quoted(dir.File("p.png")) + " --size 40x30");
  EXPECT_EQ(render.code, 0) << render.err;
  EXPECT_TRUE(fs::is_regular_file(dir.File("p.png")));

  // A mesh on standard input has no name to tell its format by.
  const std::string obj = dir.Write("t.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  const Outcome mesh = Shell("cat " + Quoted(obj) + " | $XPDB convert - " + Quoted(dir.File("t.pdb")));
  EXPECT_EQ(mesh.code, 0) << mesh.err;

  const Outcome empty = Shell("$XPDB read - </dev/null");
  EXPECT_EQ(empty.code, 2) << empty.err;
  // An endless device is refused at once instead of being copied.
  for (const char* command : {"read /dev/zero", "detect /dev/zero", "convert /dev/urandom x.pdb"}) {
    const Outcome device = Shell(std::string("timeout 20 $XPDB ") + command);
    EXPECT_EQ(device.code, 2) << command;
    EXPECT_NE(device.err.find("is a device"), std::string::npos) << device.err;
  }
}

TEST(Inputs, AFifoIsReadAndEndsInsteadOfHanging) {
  const Scratch dir;
  const std::string fifo = dir.File("part.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // The writer gives up after a while, so that a reader that opened the
  // FIFO a second time would fail the test instead of hanging it.
  const Outcome run = Shell("(timeout 20 sh -c 'cat " + kPart + " > " + fifo +
                            "' &) ; timeout 20 $XPDB read --json " + Quoted(fifo));
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(nlohmann::json::parse(run.out)["sets"].size(), 5u);
}

TEST(Inputs, ReadAndRenderTakeMeshFiles) {
  const Scratch dir;
  const std::string obj = dir.Write("t.obj", "v 0 0 0\nv 2 0 0\nv 0 2 0\nv 0 0 1\nf 1 2 3\nf 1 2 4\n");
  const Outcome read = Shell("$XPDB read --json " + Quoted(obj));
  ASSERT_EQ(read.code, 0) << read.err;
  const auto j = nlohmann::json::parse(read.out);
  EXPECT_TRUE(j["module"].is_null());
  EXPECT_TRUE(j["ok"].get<bool>());
  ASSERT_EQ(j["sets"].size(), 1u);
  EXPECT_EQ(j["sets"][0]["triangles"], 2);
  EXPECT_DOUBLE_EQ(j["sets"][0]["area"].get<double>(), 3.0);
  const Outcome text = Shell("$XPDB read " + Quoted(obj));
  EXPECT_EQ(text.code, 0) << text.err;
  EXPECT_NE(text.out.find("imported as a mesh file"), std::string::npos) << text.out;

  EXPECT_EQ(Shell("$XPDB render " + Quoted(obj) + " -o " + Quoted(dir.File("t.png")) + " --size 30x20").code,
            0);
  const Outcome unknown = Shell("$XPDB read " + Quoted(dir.Write("notes.txt", "hello\n")));
  EXPECT_EQ(unknown.code, 2);
  EXPECT_NE(unknown.err.find("notes.txt"), std::string::npos) << unknown.err;
}

// Names may hold any byte but '/' and NUL.
TEST(Names, AnyFileNameGivesValidJsonAndAnEscapedText) {
  const Scratch dir;
  const std::string name = dir.File("bad\xff\xfe name\x01\x1b[2J.pdb");
  fs::copy_file(kPart, name);
  const Outcome read = Shell("$XPDB read --json " + Quoted(name));
  ASSERT_EQ(read.code, 0) << read.err;
  const auto j = nlohmann::json::parse(read.out);
  EXPECT_NE(j["file"].get<std::string>().find("\xEF\xBF\xBD"), std::string::npos) << "replacement character";
  const Outcome detect = Shell("$XPDB detect --json " + Quoted(name) + " " + Quoted(name + "missing"));
  EXPECT_EQ(detect.code, 2);
  EXPECT_EQ(nlohmann::json::parse(detect.out).size(), 2u);

  for (const std::string command : {"read NAME", "read NAMEmissing", "detect NAME NAMEmissing"}) {
    std::string line = command;  // NAMEmissing: a missing file of a longer name
    for (std::size_t at; (at = line.find("NAME")) != std::string::npos;) line.replace(at, 4, Quoted(name));
    const Outcome text = Shell("$XPDB " + line);
    const std::string all = text.out + text.err;
    EXPECT_EQ(all.find('\x01'), std::string::npos) << command;
    EXPECT_EQ(all.find('\x1b'), std::string::npos) << command;
    EXPECT_NE(all.find("name\\x01\\x1b[2J"), std::string::npos) << all;
  }
}

TEST(Versions, TheFlagAndTheCommandNameProgramAndPackage) {
  for (const char* args : {"--version", "version"}) {
    const Outcome run = Shell(std::string("$XPDB ") + args);
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "xpdb " XPDB_VERSION "\npackage xpdb " XPDB_VERSION " (host core 3.5)\n") << args;
  }
  const Outcome missing = Shell("XPDB_LIBRARY=/nonexistent.so $XPDB --version");
  EXPECT_EQ(missing.code, 3);
  EXPECT_EQ(missing.out, "xpdb " XPDB_VERSION "\n");
  EXPECT_EQ(Shell("$XPDB").code, 2);
}

TEST(Outputs, ExitCodesOfWritesAgreeAcrossCommands) {
  const Scratch dir;
  const std::string fifo = dir.File("out.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string missing = dir.File("missing/out");
  for (const std::string& command : {"convert " + Quoted(kPart) + " ", "render " + Quoted(kPart) + " -o "}) {
    const std::string suffix = command[0] == 'c' ? ".pdb" : ".png";
    EXPECT_EQ(Shell("$XPDB " + command + Quoted(missing + suffix)).code, 1) << command;
    EXPECT_EQ(Shell("$XPDB " + command + Quoted(fifo)).code, 2) << command;
    EXPECT_EQ(Shell("$XPDB " + command + "/dev/null").code, 2) << command;
    EXPECT_EQ(Shell("$XPDB " + command + Quoted(dir.path.string())).code, 2) << command;
  }
  const Outcome jpeg = Shell("$XPDB render " + Quoted(kPart) + " -o " + Quoted(dir.File("x.JPG")));
  EXPECT_EQ(jpeg.code, 2);
  EXPECT_NE(jpeg.err.find("PNG"), std::string::npos) << jpeg.err;
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_EQ(dir.Names(), std::set<std::string>{"out.fifo"});
}

TEST(Outputs, ALinkedOutputIsReplacedThroughTheLinkAndLongNamesWork) {
  const Scratch dir;
  const std::string real = dir.Write("real.pdb", "old\n");
  fs::permissions(real, fs::perms(0604));
  fs::create_symlink("real.pdb", dir.path / "link.pdb");
  ASSERT_EQ(Shell("$XPDB convert " + Quoted(kPart) + " " + Quoted(dir.File("link.pdb"))).code, 0);
  EXPECT_TRUE(fs::is_symlink(dir.path / "link.pdb"));
  EXPECT_EQ(Slurp(real).substr(0, 2), "9\n");
  EXPECT_EQ(fs::status(real).permissions(), fs::perms(0604));

  const std::string longName = dir.File(std::string(251, 'l') + ".obj");
  const Outcome run = Shell("$XPDB convert " + Quoted(kPart) + " " + Quoted(longName));
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(fs::exists(longName));
}

// A version-9 part of one red grid of n x n points, in triangles.
std::string GridPart(int n) {
  std::string text = "9\n0\n0\n0\n1\n7\n" + std::to_string(n * n) + "\n";
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) text += std::to_string(x) + " " + std::to_string(y) + " 0\n";
  text += "0\n" + std::to_string(2 * (n - 1) * (n - 1)) + "\n";
  for (int y = 0; y + 1 < n; ++y)
    for (int x = 0; x + 1 < n; ++x) {
      const int a = y * n + x;
      text += "3 " + std::to_string(a) + " " + std::to_string(a + 1) + " " + std::to_string(a + n) + "\n";
      text +=
          "3 " + std::to_string(a + 1) + " " + std::to_string(a + n + 1) + " " + std::to_string(a + n) + "\n";
    }
  return text + "0\n";
}

// glTF with its buffer beside it: a limit that lets the first file through
// but not the second leaves the old pair as it was.
TEST(Outputs, AFileAndItsCompanionAreReplacedTogether) {
  const Scratch dir;
  const std::string gltf = dir.Write("p.gltf", "old gltf"), bin = dir.Write("p.bin", "old bin");
  const std::string part = dir.Write("grid.pdb", GridPart(60));
  const Outcome full = Shell("$XPDB convert " + Quoted(part) + " " + Quoted(dir.File("full.gltf")));
  ASSERT_EQ(full.code, 0) << full.err;
  const auto gltfSize = fs::file_size(dir.File("full.gltf")), binSize = fs::file_size(dir.File("full.bin"));
  ASSERT_GT(binSize, gltfSize + 1024) << "the limit below must fall between the two";
  const Outcome cut = Shell("ulimit -f " + std::to_string((gltfSize + 1023) / 512) + "; $XPDB convert " +
                            Quoted(part) + " " + Quoted(gltf));
  EXPECT_EQ(cut.code, 1) << cut.err;
  EXPECT_NE(cut.err.find("p.bin"), std::string::npos) << cut.err;
  EXPECT_EQ(Slurp(gltf), "old gltf");
  EXPECT_EQ(Slurp(bin), "old bin");
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"full.bin", "full.gltf", "grid.pdb", "p.bin", "p.gltf"}));
}

// The output is opened before the input is read, so a render waiting on
// its standard input is interrupted while it holds its output open.
TEST(Outputs, NoTemporarySurvivesAnInterruptedCommand) {
  const Scratch dir;
  const std::string out = dir.Write("out.png", "old");
  for (const int signal : {SIGINT, SIGTERM, SIGKILL}) {
    int feed[2];
    ASSERT_EQ(pipe(feed), 0);
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(feed[0], STDIN_FILENO);
      close(feed[0]);
      close(feed[1]);
      execl(kProgram.c_str(), "xpdb", "render", "-", "-o", out.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(feed[0]);
    const std::string partText = Slurp(kPart);
    ASSERT_GT(write(feed[1], partText.data(), partText.size() / 2), 0);
    // Wait until the child holds the unnamed output in the scratch folder.
    bool holding = false;
    for (int i = 0; i < 2000 && !holding; ++i) {
      std::error_code ec;
      for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
        const auto target = fs::read_symlink(fd.path(), ec).string();
        if (target.rfind(dir.path.string(), 0) == 0 && target.find("deleted") != std::string::npos)
          holding = true;
      }
      if (!holding) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(holding) << "the child never opened its output";
    kill(pid, signal);
    close(feed[1]);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << strsignal(signal);
    EXPECT_EQ(dir.Names(), std::set<std::string>{"out.png"}) << strsignal(signal);
    EXPECT_EQ(Slurp(out), "old");
  }
}

}  // namespace
