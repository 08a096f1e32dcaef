#ifndef _WIN32
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

// A settings file the user names: only a regular file is replaced, also at the end
// of a link, which stays a link; everything else is refused and stays as it was, and
// nothing is left beside it either way.
TEST_F(FileAccessTest, AChosenFileIsARegularFileOrRefused) {
  const std::vector<uint8_t> json = {'{', '}', '\n'};
  struct Case {
    const char* what;
    std::function<void(const fs::path&)> make;
    bool saved;
    const char* reason;  // part of why, when refused
  };
  const bool root = ::geteuid() == 0;
  const std::vector<Case> cases = {
      {"nothing yet", [](const fs::path&) {}, true, ""},
      {"a regular file", [](const fs::path& p) { WriteWhole(p, "old"); }, true, ""},
      {"a link to a regular file",
       [](const fs::path& p) {
         fs::create_directory(p.parent_path() / "real");
         WriteWhole(p.parent_path() / "real" / "plane.json", "old");
         fs::create_symlink("real/plane.json", p);
       },
       true, ""},
      {"a named pipe", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, false, "named pipe"},
      {"a directory", [](const fs::path& p) { fs::create_directory(p); }, false, "directory"},
      // Root links to a device node of its own: a fault that follows the link must not
      // be able to replace the machine's /dev/null. Others cannot write in /dev at all.
      {"a link to a device",
       [root](const fs::path& p) {
         if (root) {
           ASSERT_EQ(::mknod((p.parent_path() / "null").c_str(), S_IFCHR | 0600, ::makedev(1, 3)), 0);
         }
         fs::create_symlink(root ? fs::path("null") : fs::path("/dev/null"), p);
       },
       false, "link to a device"},
      {"a link to a directory", [](const fs::path& p) { fs::create_symlink(p.parent_path(), p); }, false,
       "link to a directory"},
      {"a link to a pipe",
       [](const fs::path& p) {
         ASSERT_EQ(::mkfifo((p.parent_path() / "pipe").c_str(), 0600), 0);
         fs::create_symlink("pipe", p);
       },
       false, "link to a named pipe"},
      {"a dangling link", [](const fs::path& p) { fs::create_symlink("nowhere.json", p); }, false, "leads nowhere"},
  };
  std::vector<Case> all = cases;
  // A device node of our own: only root may make one (and only root could harm /dev/full).
  if (root)
    all.push_back({"a device node", [](const fs::path& p) { ASSERT_EQ(::mknod(p.c_str(), S_IFCHR | 0600, ::makedev(1, 7)), 0); },
                   false, "device"});
  int n = 0;
  for (const Case& c : all) {
    SCOPED_TRACE(c.what);
    const fs::path folder = dir_ / std::to_string(++n);
    fs::create_directory(folder);
    const fs::path path = folder / "plane.json";
    c.make(path);
    auto listing = [&folder] {
      std::vector<std::string> names;
      for (const auto& entry : fs::recursive_directory_iterator(folder))
        names.push_back(entry.path().string() + " " + std::to_string(static_cast<int>(entry.symlink_status().type())));
      std::sort(names.begin(), names.end());
      return names;
    };
    const auto before = listing();
    const bool wasLink = fs::is_symlink(path);
    std::string why;
    EXPECT_EQ(ReplaceChosenFile(path.string(), json, &why), c.saved) << why;
    if (c.saved) {
      EXPECT_EQ(ReadWhole(path), "{}\n");
      EXPECT_EQ(fs::is_symlink(path), wasLink) << "a link stays a link";
      EXPECT_EQ(listing().size(), std::max<size_t>(before.size(), 1)) << "nothing left beside";
    } else {
      EXPECT_NE(why.find(c.reason), std::string::npos) << why;
      EXPECT_EQ(listing(), before) << "left as it was";
    }
  }
  if (root) {
    struct stat st {};
    ASSERT_EQ(::stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
  }
}

// The name limit of most file systems is 255 bytes: a 250-character name saves, and
// the new file made beside it on the way fits too.
TEST_F(FileAccessTest, ALongNameSavesAndItsNewFileFitsBesideIt) {
  const std::string name = std::string(245, 'p') + ".json";
  const std::vector<uint8_t> json = {'{', '}'};
  std::string why;
  for (int round = 0; round < 2; ++round) {  // made, then replaced
    ASSERT_TRUE(ReplaceChosenFile((dir_ / name).string(), json, &why)) << why;
    ASSERT_TRUE(ReplaceFile((dir_ / ("x" + name)).string(), json, &why)) << why;
  }
  EXPECT_EQ(Names(), (std::vector<std::string>{name, "x" + name}));
}

// The update files that pack writes replace a link (never follow it) and refuse what
// is no file at all.
TEST_F(FileAccessTest, ReplacingRefusesPipesAndDevices) {
  ASSERT_EQ(::mkfifo((dir_ / "x1011_3011.upd").c_str(), 0600), 0);
  std::string why;
  EXPECT_FALSE(ReplaceFile((dir_ / "x1011_3011.upd").string(), std::vector<uint8_t>{1}, &why));
  EXPECT_NE(why.find("named pipe"), std::string::npos) << why;
  EXPECT_TRUE(fs::is_fifo(dir_ / "x1011_3011.upd"));
  EXPECT_EQ(Names(), std::vector<std::string>{"x1011_3011.upd"});
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
