// Replacing outputs: whole or not at all, nothing left behind, links kept,
// and inputs that are read once.
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "app/files/inputfile.h"
#include "app/files/outputfile.h"
#include "app/files/tempcleanup.h"
#include "common/apptest.h"

namespace {

namespace fs = std::filesystem;
using apptest::Scratch;
using apptest::Slurp;

bool Write(ReplacingFile& file, const std::string& text) {
  return file.sputn(text.data(), static_cast<std::streamsize>(text.size())) ==
         static_cast<std::streamsize>(text.size());
}

// How a forked child that runs `body` ended: the signal that ended it, or
// 0 when it exited.
template <class Body>
int SignalOfChild(Body body) {
  const pid_t pid = fork();
  if (pid == 0) {
    body();
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

// A file-size limit for the rest of the scope; writes beyond it fail with
// EFBIG instead of killing the process.
struct FileSizeLimit {
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
  rlimit saved{};
};

TEST(ReplacingFile, ShowsNoTemporaryWhileWritingAndKeepsModeAndContentWhole) {
  const Scratch dir;
  const std::string target = dir.Write("out.pdb", "old\n");
  fs::permissions(target, fs::perms(0640));
  ReplacingFile file;
  std::string error;
  ASSERT_TRUE(file.Open(target, error)) << error;
  ASSERT_TRUE(Write(file, std::string(200000, 'x')));
  EXPECT_EQ(dir.Names(), std::set<std::string>{"out.pdb"}) << "the temporary has no name yet";
  EXPECT_EQ(Slurp(target), "old\n");
  ASSERT_TRUE(file.Commit(error)) << error;
  EXPECT_EQ(Slurp(target), std::string(200000, 'x'));
  EXPECT_EQ(fs::status(target).permissions(), fs::perms(0640));
  EXPECT_EQ(dir.Names(), std::set<std::string>{"out.pdb"});
}

// Only a privileged process may give a file to someone else.
TEST(ReplacingFile, AReplacedFileKeepsItsOwner) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to own a file for another user";
  const Scratch dir;
  const std::string target = dir.Write("out.pdb", "old\n");
  ASSERT_EQ(chown(target.c_str(), 4321, 8765), 0);
  ReplacingFile file;
  std::string error;
  ASSERT_TRUE(file.Open(target, error)) << error;
  Write(file, "new\n");
  ASSERT_TRUE(file.Commit(error)) << error;
  struct stat info;
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, 4321u);
  EXPECT_EQ(info.st_gid, 8765u);
}

TEST(ReplacingFile, AnAbandonedOrFailedWriteLeavesTheOldFileAlone) {
  const Scratch dir;
  const std::string target = dir.Write("out.pdb", "old\n");
  {
    ReplacingFile file;
    std::string error;
    ASSERT_TRUE(file.Open(target, error)) << error;
    Write(file, "new\n");
  }  // never committed
  EXPECT_EQ(Slurp(target), "old\n");
  {
    const FileSizeLimit limit(4096);
    ReplacingFile file;
    std::string error;
    ASSERT_TRUE(file.Open(target, error)) << error;
    Write(file, std::string(100000, 'y'));
    EXPECT_FALSE(file.Commit(error));
    EXPECT_NE(error.find("File too large"), std::string::npos) << error;
  }
  EXPECT_EQ(Slurp(target), "old\n");
  EXPECT_EQ(dir.Names(), std::set<std::string>{"out.pdb"});
}

TEST(ReplacingFile, ALinkKeepsPointingAtTheReplacedFile) {
  const Scratch dir;
  fs::create_directory(dir.path / "real");
  const std::string real = dir.Write("real/part.pdb", "old\n");
  fs::create_symlink("real/part.pdb", dir.path / "link.pdb");
  fs::create_symlink("link.pdb", dir.path / "link2.pdb");
  fs::create_symlink("real/fresh.pdb", dir.path / "dangling.pdb");
  for (const char* name : {"link2.pdb", "dangling.pdb"}) {
    ReplacingFile file;
    std::string error;
    ASSERT_TRUE(file.Open(dir.File(name), error)) << error;
    Write(file, std::string("new ") + name);
    ASSERT_TRUE(file.Commit(error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir.path / name));
  }
  EXPECT_TRUE(fs::is_symlink(dir.path / "link.pdb"));
  EXPECT_EQ(Slurp(real), "new link2.pdb");
  EXPECT_EQ(Slurp(dir.File("real/fresh.pdb")), "new dangling.pdb");
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"dangling.pdb", "link.pdb", "link2.pdb", "real"}));

  fs::create_symlink("loop2", dir.path / "loop1");
  fs::create_symlink("loop1", dir.path / "loop2");
  EXPECT_NE(UnwritableOutput(dir.File("loop1")), "");
}

TEST(ReplacingFile, RefusesWhatIsNoFileToReplace) {
  const Scratch dir;
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string socketPath = dir.File("socket");
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  fs::create_symlink("fifo", dir.path / "to_fifo");
  for (const std::string& target :
       {fifo, socketPath, dir.File("to_fifo"), std::string("/dev/null"), dir.path.string()}) {
    EXPECT_NE(UnwritableOutput(target), "") << target;
    ReplacingFile file;
    std::string error;
    EXPECT_FALSE(file.Open(target, error)) << target;
    EXPECT_NE(error.find(target), std::string::npos) << error;
  }
  close(sock);
  EXPECT_EQ(UnwritableOutput(dir.File("new.pdb")), "");
  EXPECT_TRUE(fs::is_fifo(fifo));
}

// The temporary's name must fit beside a target of the longest name.
TEST(ReplacingFile, TargetsOfTheLongestNamesWork) {
  const Scratch dir;
  for (const std::size_t length : {247u, 251u, 255u}) {
    const std::string target = dir.File(std::string(length - 4, 'n') + ".pdb");
    ReplacingFile file;
    std::string error;
    ASSERT_TRUE(file.Open(target, error)) << error;
    Write(file, "9\n");
    ASSERT_TRUE(file.Commit(error)) << length << ": " << error;
    EXPECT_EQ(Slurp(target), "9\n");
  }
  EXPECT_EQ(dir.Names().size(), 3u);
}

TEST(ReplacingFileSet, ReplacesEveryFileOrNone) {
  const Scratch dir;
  const std::string gltf = dir.Write("part.gltf", "old gltf"), bin = dir.Write("part.bin", "old bin");
  {
    const FileSizeLimit limit(8192);
    ReplacingFileSet files;
    std::string error;
    ReplacingFile* first = files.Add(gltf, error);
    ReplacingFile* second = files.Add(bin, error);
    ASSERT_TRUE(first && second) << error;
    Write(*first, "new gltf");
    Write(*second, std::string(100000, 'b'));  // beyond the limit
    EXPECT_FALSE(files.Commit(error));
    EXPECT_NE(error.find("part.bin"), std::string::npos) << error;
  }
  EXPECT_EQ(Slurp(gltf), "old gltf");
  EXPECT_EQ(Slurp(bin), "old bin");
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"part.bin", "part.gltf"}));

  ReplacingFileSet files;
  std::string error;
  Write(*files.Add(gltf, error), "new gltf");
  Write(*files.Add(bin, error), "new bin");
  ASSERT_TRUE(files.Commit(error)) << error;
  EXPECT_EQ(Slurp(gltf) + Slurp(bin), "new gltfnew bin");
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"part.bin", "part.gltf"}));
}

// Killed while writing, and killed in the moment the temporary has its name
// just before it replaces the target: neither leaves a file behind, and the
// signal still ends the process.
TEST(ReplacingFile, NoTemporarySurvivesASignal) {
  const Scratch dir;
  const std::string target = dir.Write("out.pdb", "old\n");
  for (const int signal : {SIGKILL, SIGTERM, SIGINT}) {
    EXPECT_EQ(SignalOfChild([&] {
                ReplacingFile file;
                std::string error;
                if (!file.Open(target, error)) _exit(1);
                Write(file, std::string(100000, 'z'));
                file.pubsync();
                raise(signal);
              }),
              signal);
    EXPECT_EQ(dir.Names(), std::set<std::string>{"out.pdb"}) << strsignal(signal);
  }
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    EXPECT_EQ(SignalOfChild([&] {
                ReplacingFile file;
                std::string error;
                if (!file.Open(target, error)) _exit(1);
                Write(file, "new\n");
                if (!file.Prepare(error)) _exit(1);
                if (std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()) != 2) _exit(2);
                raise(signal);
              }),
              signal);
    EXPECT_EQ(dir.Names(), std::set<std::string>{"out.pdb"}) << strsignal(signal);
    EXPECT_EQ(Slurp(target), "old\n");
  }
}

TEST(TempCleanup, AnIgnoredSignalStaysIgnoredAndAFreedSlotIsNotRemoved) {
  const Scratch dir;
  const std::string kept = dir.Write("kept", "k"), named = dir.Write("named", "n");
  EXPECT_EQ(SignalOfChild([&] {
              signal(SIGHUP, SIG_IGN);
              tempcleanup::Unregister(tempcleanup::Register(kept));
              tempcleanup::Register(named);
              raise(SIGHUP);  // ignored: the process goes on
              raise(SIGTERM);
            }),
            SIGTERM);
  EXPECT_EQ(dir.Names(), std::set<std::string>{"kept"});
}

// A pipe is read once: the head and the whole text come from one copy, as
// often as they are asked for.
TEST(InputFile, APipeIsReadOnceAndServesEveryLook) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  const std::string text = "9\n0\n0\n0\n0\n";
  ASSERT_EQ(write(ends[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
  close(ends[1]);
  const std::string name = "/dev/fd/" + std::to_string(ends[0]);
  std::string error, head;
  const auto input = InputFile::Open(name, error);
  ASSERT_TRUE(input) << error;
  ASSERT_TRUE(input->Head(3, head, error));
  EXPECT_EQ(head, "9\n0");
  close(ends[0]);  // the copy no longer needs it
  const auto again = InputFile::Open(name, error);
  ASSERT_TRUE(again) << error;
  InputBuffer buffer(again);
  std::ostringstream all;
  all << &buffer;
  EXPECT_EQ(all.str(), text);
  EXPECT_EQ(Slurp(again->Path()), text) << "the path opens the same bytes";

  const Scratch dir;
  EXPECT_FALSE(InputFile::Open(dir.path.string(), error));
  EXPECT_NE(error.find("directory"), std::string::npos) << error;
  EXPECT_FALSE(InputFile::Open(dir.File("missing"), error));
}

}  // namespace
