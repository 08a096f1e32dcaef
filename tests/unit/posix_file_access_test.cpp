#ifndef _WIN32
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_access.h"
#include "temp_dir.h"

namespace ravix {
namespace {

namespace fs = std::filesystem;

// What a name in the test directory can be: each of the file operations must refuse
// the ones that are not an ordinary file of its own at once, without blocking on
// them, writing through them or changing them.
class FileAccessTest : public FreshDirectoryTest {
 protected:
  FileAccessTest() : FreshDirectoryTest("ravix-file-access-") {}

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  struct Kind {
    const char* what;
    std::function<void(const fs::path&)> make;
    bool readable;  // ReadRegularFile takes it (with a 7-byte limit: "content" just fits)
  };
  static std::vector<Kind> Kinds() {
    return {
        {"a regular file", [](const fs::path& p) { WriteWhole(p, "content"); }, true},
        {"a link to a regular file",
         [](const fs::path& p) {
           WriteWhole(p.parent_path() / "target", "content");
           fs::create_symlink(p.parent_path() / "target", p);
         },
         true},
        {"a named pipe without a writer", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, false},
        {"a link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }, false},
        {"a directory", [](const fs::path& p) { fs::create_directory(p); }, false},
        {"a dangling link", [](const fs::path& p) { fs::create_symlink(p.parent_path() / "nowhere", p); }, false},
        {"a file over the limit", [](const fs::path& p) { WriteWhole(p, std::string(8, 'x')); }, false},
        {"nothing", [](const fs::path&) {}, false},
    };
  }
};

TEST_F(FileAccessTest, EachOperationRefusesWhatIsNoOrdinaryFileOfItsOwnAtOnce) {
  int n = 0;
  for (const auto& kind : Kinds()) {
    SCOPED_TRACE(kind.what);
    const fs::path folder = dir_ / std::to_string(++n);
    fs::create_directory(folder);
    const fs::path path = folder / "name";
    kind.make(path);
    const auto start = std::chrono::steady_clock::now();

    std::string why;
    const auto bytes = ReadRegularFile(path.string(), 7, &why);
    EXPECT_EQ(bytes.has_value(), kind.readable) << why;
    if (bytes) {
      EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "content");
    } else {
      EXPECT_FALSE(why.empty());
    }

    // Updating in place takes only a regular file of that very name, never a link.
    const bool regular = !fs::is_symlink(path) && fs::is_regular_file(path);
    why.clear();
    const bool nothing = !fs::exists(fs::symlink_status(path));
    FilePtr updated = OpenRegularForUpdate(path.string(), false, &why);
    EXPECT_EQ(updated != nullptr, regular) << why;
    updated.reset();
    FilePtr created = OpenRegularForUpdate(path.string(), true, &why);
    EXPECT_EQ(created != nullptr, regular || nothing) << why;
    created.reset();
    if (nothing) fs::remove(path);

    // A new file only where nothing at all has the name.
    why.clear();
    FilePtr exclusive = CreateExclusive(path.string(), &why);
    EXPECT_EQ(exclusive != nullptr, nothing) << why;
    exclusive.reset();

    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    if (fs::exists(folder / "target")) {
      EXPECT_EQ(ReadWhole(folder / "target"), "content");
    }
  }
}

TEST_F(FileAccessTest, ReplacingWritesWholeOrNotAtAll) {
  const fs::path path = dir_ / "x1011_3011.upd";
  const std::vector<uint8_t> fresh(4000, 0x42);
  std::string why;

  WriteWhole(path, "old");
  ::chmod(path.c_str(), 0640);
  ASSERT_TRUE(ReplaceFile(path.string(), fresh, &why)) << why;
  EXPECT_EQ(ReadWhole(path), std::string(4000, 0x42));
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms(0640));
  EXPECT_EQ(Names(), std::vector<std::string>{"x1011_3011.upd"});

  // A link of that name is replaced by the file; what it pointed at stays.
  WriteWhole(dir_ / "target", "theirs");
  fs::remove(path);
  fs::create_symlink(dir_ / "target", path);
  ASSERT_TRUE(ReplaceFile(path.string(), fresh, &why)) << why;
  EXPECT_FALSE(fs::is_symlink(path));
  EXPECT_EQ(ReadWhole(dir_ / "target"), "theirs");
  fs::remove(dir_ / "target");

  // Where the name is a directory, or the folder is a file, nothing is written.
  fs::create_directory(dir_ / "dir.upd");
  EXPECT_FALSE(ReplaceFile((dir_ / "dir.upd").string(), fresh, &why));
  EXPECT_FALSE(why.empty());
  EXPECT_FALSE(ReplaceFile((path / "inner.upd").string(), fresh, &why));
  EXPECT_EQ(Names(), (std::vector<std::string>{"dir.upd", "x1011_3011.upd"}));
  EXPECT_TRUE(fs::is_empty(dir_ / "dir.upd"));
}

// A disk that fills up in the middle of the file: the file-size limit makes the
// writes fail as they would, in a child process so that the limit stays there.
TEST_F(FileAccessTest, AFailedWriteLeavesTheOldFileByteForByte) {
  const fs::path path = dir_ / "x1011_3011.upd";
  const std::string old(300, 'o');
  WriteWhole(path, old);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const struct rlimit limit = {1024, 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::string why;
    const bool replaced = ReplaceFile(path.string(), std::vector<uint8_t>(100000, 0x42), &why);
    ::_exit(!replaced && !why.empty() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadWhole(path), old);
  EXPECT_EQ(Names(), std::vector<std::string>{"x1011_3011.upd"});
}

}  // namespace
}  // namespace ravix
#endif
