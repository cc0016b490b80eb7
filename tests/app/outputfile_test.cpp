#include "app/outputfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>

#include "apptest.h"

namespace {

std::size_t EntryCount(const std::filesystem::path& dir) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

TEST(ReplacingFile, NothingAppearsBeforeCommit) {
  const TempDir dir;
  const std::string target = dir.File("out.pdb");
  ReplacingFile file;
  std::string error;
  ASSERT_TRUE(file.Open(target, error)) << error;
  std::ostream(&file) << std::string(200000, 'x') << std::flush;
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_EQ(std::filesystem::path(file.TemporaryPath()).parent_path(), dir.Path());
  ASSERT_TRUE(file.Commit(error)) << error;
  EXPECT_EQ(ReadFileText(target), std::string(200000, 'x'));
  EXPECT_EQ(EntryCount(dir.Path()), 1u);
  EXPECT_TRUE(file.WriteError().empty());
}

TEST(ReplacingFile, AbandonedOrDestroyedLeavesTheTargetAlone) {
  const TempDir dir;
  const std::string target = dir.Write("out.pdb", "old");
  {
    ReplacingFile file;
    std::string error;
    ASSERT_TRUE(file.Open(target, error)) << error;
    std::ostream(&file) << "new" << std::flush;
    EXPECT_EQ(EntryCount(dir.Path()), 2u);
  }
  EXPECT_EQ(ReadFileText(target), "old");
  EXPECT_EQ(EntryCount(dir.Path()), 1u);

  ReplacingFile file;
  std::string error;
  ASSERT_TRUE(file.Open(target, error)) << error;
  file.Abandon();
  EXPECT_FALSE(file.Commit(error));
  EXPECT_EQ(ReadFileText(target), "old");
  EXPECT_EQ(EntryCount(dir.Path()), 1u);
}

TEST(ReplacingFile, OpenFailsInAMissingDirectory) {
  const TempDir dir;
  ReplacingFile file;
  std::string error;
  EXPECT_FALSE(file.Open(dir.File("absent/out.pdb"), error));
  EXPECT_NE(error.find("absent"), std::string::npos) << error;
}

TEST(ReplacingFile, CommitOntoADirectoryFailsAndCleansUp) {
  const TempDir dir;
  std::filesystem::create_directory(dir.File("out.pdb"));
  std::filesystem::create_directory(dir.File("out.pdb/inside"));
  ReplacingFile file;
  std::string error;
  ASSERT_TRUE(file.Open(dir.File("out.pdb"), error)) << error;
  std::ostream(&file) << "text";
  EXPECT_FALSE(file.Commit(error));
  EXPECT_NE(error.find("cannot replace"), std::string::npos) << error;
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("out.pdb")));
  EXPECT_EQ(EntryCount(dir.Path()), 1u);
}

}  // namespace
