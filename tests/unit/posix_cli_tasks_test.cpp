// The task commands of ravix-cli where they meet POSIX file-system objects, devices
// and processes.
#ifndef _WIN32
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "cli_fixture.h"
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_os.h"
#include "platform/posix/posix_serial.h"

namespace ravix {
namespace {

// save writes a regular file or refuses (as root, "save /dev/full" would otherwise
// replace the system's device); through a link it writes the file at its end.
TEST_F(CliTasksTest, SaveWritesARegularFileOrRefuses) {
  ASSERT_EQ(::mkfifo("pipe.json", 0600), 0);
  std::filesystem::create_directory("folder.json");
  // Root works on a device node of its own, so that a fault in the refusal cannot
  // replace the machine's /dev/full; others cannot write in /dev at all.
  const bool root = ::geteuid() == 0;
  const char* device = root ? "full" : "/dev/full";
  if (root) {
    ASSERT_EQ(::mknod(device, S_IFCHR | 0600, ::makedev(1, 7)), 0);
  }
  std::filesystem::create_symlink(device, "full.json");
  WriteWhole("real.json", "old");
  std::filesystem::create_symlink("real.json", "linked.json");
  for (const char* refused : {"pipe.json", "folder.json", "full.json", device}) {
    SCOPED_TRACE(refused);
    const Result r = Run({.command = "save", .file = refused});
    EXPECT_EQ(r.status, cli::kTaskFailed);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("saved"), std::string::npos) << r.err;
  }
  EXPECT_TRUE(std::filesystem::is_fifo("pipe.json"));
  EXPECT_TRUE(std::filesystem::is_character_file(device));
  const Result r = Run({.command = "save", .file = "linked.json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(std::filesystem::is_symlink("linked.json"));
  EXPECT_NE(ReadWhole("real.json").find("\"startup-power\""), std::string::npos);
}

// A pseudo-terminal has no modem lines: on the real serial backend it is a port
// without an adapter, named as given, and the run stores nothing.
TEST_F(CliTasksTest, APseudoTerminalAsThePortIsNamedAndNotStored) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  const std::string device = ::ptsname(master);
  MonotonicClock clock;
  PosixSerialPorts ports;
  PosixOs os;
  cli::Terminal terminal(stdin, stderr);
  testing::internal::CaptureStderr();
  const int status = cli::RunTask({.command = "read", .port = device}, {clock, ports, os}, terminal);
  const std::string err = testing::internal::GetCapturedStderr();
  ::close(master);
  EXPECT_EQ(status, cli::kTaskFailed);
  EXPECT_NE(err.find("No Adaptor found at " + device + "\n"), std::string::npos) << err;
  EXPECT_EQ(err.find("COM"), std::string::npos) << err;
  EXPECT_FALSE(std::filesystem::exists("rvsetup.cfg"));
}

}  // namespace
}  // namespace ravix
#endif
