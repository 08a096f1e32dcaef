// Updates stopped by real signals in real processes: ravix-cli's update command and
// script runs, and the desktop program (offscreen) under a script and on its own.
// Whatever ends them, no temp.tmp of theirs is left and the next update works.
#ifndef _WIN32
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "files/update_file.h"
#include "temp_dir.h"

namespace ravix {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// How a child ended: its exit status, or minus the signal that killed it. One that
// does not end within a minute is a fault of its own: it is killed (-SIGKILL).
int Ended(pid_t child) {
  const auto until = std::chrono::steady_clock::now() + 60s;
  int status = 0;
  pid_t got;
  while ((got = ::waitpid(child, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(5ms);
  if (got == 0) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    return -SIGKILL;
  }
  if (got != child) return -1000;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

bool Appears(const fs::path& path, std::chrono::milliseconds within) {
  const auto until = std::chrono::steady_clock::now() + within;
  while (!fs::exists(fs::symlink_status(path))) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

class UpdateSignalsTest : public FreshDirectoryTest {
 protected:
  UpdateSignalsTest() : FreshDirectoryTest("ravix-update-signals-") {}

  void SetUp() override {
    FreshDirectoryTest::SetUp();
    // 4 KiB of flash: long enough (half a second) to be stopped half-way.
    std::vector<UpdateByte> image;
    for (int address = 0; address < 4096; ++address)
      image.push_back({static_cast<uint16_t>(address), static_cast<uint8_t>(address * 7)});
    const auto bytes = PackScrambledUpdate(image, {0x1011, 0x3011}, 0x1234);
    WriteWhole("x1011_3011.upd", std::string(bytes.begin(), bytes.end()));
    WriteWhole("update.script", "press 1155\nchoose x1011_3011.upd\npress 1147\nshow 1044\n");
  }

  // The programs: ravix-cli's update task, its script run, and the desktop program's.
  struct Program {
    const char* what;
    std::vector<std::string> args;
  };
  static std::vector<Program> Programs() {
    std::vector<Program> programs = {
        {"ravix-cli update", {RAVIX_CLI_PATH, "--simulate", "--port", "COM1", "--log", "session.log", "update",
                              "x1011_3011.upd", "--yes"}},
        {"ravix-cli run", {RAVIX_CLI_PATH, "--simulate", "--log", "session.log", "run", "update.script"}},
    };
#ifdef RAVIX_SETUP_PATH
    programs.push_back({"ravix-setup --script", {RAVIX_SETUP_PATH, "--simulate", "-platform", "offscreen", "--log",
                                                  "session.log", "--script", "update.script"}});
#endif
    return programs;
  }

  // Starts args with standard output and error in files (or on a terminal).
  static pid_t Start(const std::vector<std::string>& args, int terminal = -1) {
    const pid_t child = ::fork();
    if (child != 0) return child;
    const int out = ::open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(terminal >= 0 ? terminal : ::open("/dev/null", O_RDONLY), STDIN_FILENO);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(terminal >= 0 ? terminal : err, STDERR_FILENO);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }

  std::string Log() const { return ReadWhole("session.log"); }
  static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
};

// SIGTERM stops after the current byte, as the second Ctrl+C does; SIGHUP (the
// terminal went away) lets the transfer finish. Both end the program normally: the
// session log has its last record, no temp.tmp is left, and the next update goes through.
TEST_F(UpdateSignalsTest, ASignalDuringTheTransferLeavesNoTempFile) {
  struct Case {
    int signal;
    int status;
    bool finished;  // the transfer ran to its end
  };
  for (const Program& program : Programs()) {
    for (const Case& c : {Case{SIGTERM, 128 + SIGTERM, false}, Case{SIGHUP, 128 + SIGHUP, true}}) {
      SCOPED_TRACE(std::string(program.what) + ", signal " + std::to_string(c.signal));
      fs::remove("session.log");
      const pid_t child = Start(program.args);
      ASSERT_TRUE(Appears("temp.tmp", 20s)) << ReadWhole("err.txt");
      ::kill(child, c.signal);
      EXPECT_EQ(Ended(child), c.status) << ReadWhole("err.txt");
      EXPECT_FALSE(fs::exists(fs::symlink_status("temp.tmp")));
      const std::string log = Log();
      EXPECT_EQ(Has(log, "status \"OK\""), c.finished) << log;
      EXPECT_EQ(Has(log, "\"Read/write error - code2!\""), !c.finished) << log;
      EXPECT_TRUE(log.ends_with(" stop\n")) << log;
      // A script ends with the command the signal came in: its next line is not run.
      EXPECT_FALSE(Has(ReadWhole("out.txt"), "1044 text=")) << ReadWhole("out.txt");

      fs::remove("session.log");
      const pid_t again = Start(program.args);
      EXPECT_EQ(Ended(again), 0) << ReadWhole("err.txt");
      EXPECT_TRUE(Has(Log(), "status \"OK\"")) << Log();
      EXPECT_FALSE(fs::exists(fs::symlink_status("temp.tmp")));
    }
  }
}

// The question before the transfer waits on the terminal: SIGTERM, or the terminal
// going away (its other end closed, so the system sends SIGHUP), ends the update
// there, before anything is sent.
TEST_F(UpdateSignalsTest, ASignalBeforeTheTransferStopsAtOnce) {
  for (const bool hangUp : {false, true}) {
    SCOPED_TRACE(hangUp ? "terminal gone" : "SIGTERM");
    fs::remove("session.log");
    int master = -1;
    const pid_t child = ::forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
      const char* argv[] = {RAVIX_CLI_PATH, "--simulate", "--port", "COM1", "--log", "session.log", "update",
                            "x1011_3011.upd", nullptr};
      ::execv(argv[0], const_cast<char**>(argv));
      ::_exit(127);
    }
    std::string seen;
    char buffer[256];
    while (!Has(seen, "Go on? [y/N]")) {
      const ssize_t n = ::read(master, buffer, sizeof buffer);
      ASSERT_GT(n, 0) << seen;
      seen.append(buffer, static_cast<size_t>(n));
    }
    if (hangUp)
      ::close(master);
    else
      ::kill(child, SIGTERM);
    EXPECT_EQ(Ended(child), 128 + (hangUp ? SIGHUP : SIGTERM)) << seen;
    if (!hangUp) ::close(master);
    const std::string log = Log();
    EXPECT_FALSE(Has(log, "Update laeuft")) << log;
    EXPECT_FALSE(fs::exists(fs::symlink_status("temp.tmp")));
    EXPECT_TRUE(log.ends_with(" stop\n")) << log;
  }
}

#ifdef RAVIX_SETUP_PATH
// The desktop program on its own, waiting for its user: a signal closes it as its
// close box would ("End" stores the port), and it ends normally.
TEST_F(UpdateSignalsTest, TheDesktopProgramEndsAsItsCloseBoxWould) {
  for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
    SCOPED_TRACE(signal);
    fs::remove("session.log");
    fs::remove("rvsetup.cfg");
    const pid_t child = Start({RAVIX_SETUP_PATH, "--simulate", "-platform", "offscreen", "--log", "session.log"});
    ASSERT_TRUE(Appears("rvsetup.cfg", 20s));
    std::this_thread::sleep_for(300ms);  // the window is up
    ::kill(child, signal);
    EXPECT_EQ(Ended(child), 128 + signal) << ReadWhole("err.txt");
    const std::string log = Log();
    EXPECT_TRUE(Has(log, "command 1226 2 end\n")) << log;
    EXPECT_TRUE(log.ends_with(" stop\n")) << log;
  }
}
#endif

}  // namespace
}  // namespace ravix
#endif
