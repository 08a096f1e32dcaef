// The session log under two programs at once and on a disk that refuses it. Real
// processes: what matters is what the system does with two writers of one file.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/headless/headless_ui.h"
#include "script/session_log.h"
#include "temp_dir.h"

namespace ravix {
namespace {

class SessionLogTest : public FreshDirectoryTest {
 protected:
  SessionLogTest() : FreshDirectoryTest("ravix-session-log-") {}
};

// Both programs open the log before either writes (as two runs started together
// do): every record of each arrives whole, once, in its own order.
TEST_F(SessionLogTest, TwoWritersLoseNoRecord) {
  constexpr int kRecords = 2000;
  int ready[2], go[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(go), 0);
  std::vector<pid_t> children;
  for (const char* name : {"first", "second"}) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      SessionLogFile log;
      std::string why;
      if (!SessionLog::Open(log, "shared.log", std::string("writer ") + name, why)) ::_exit(2);
      char byte = 1;
      (void)!::write(ready[1], &byte, 1);
      (void)!::read(go[0], &byte, 1);
      HeadlessUi ui;
      {
        SessionLog session(ui, log);
        // Records of different lengths, so that an overwrite shows as a broken line.
        for (int i = 0; i < kRecords; ++i)
          session.Write(std::string(name) + " " + std::to_string(i) + " " + std::string(i % 97, 'x'));
      }
      ::_exit(log.failureTold ? 3 : 0);
    }
    children.push_back(child);
  }
  char byte;
  for (int i = 0; i < 2; ++i) ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ASSERT_EQ(::write(go[1], "gg", 2), 2);
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  for (int fd : {ready[0], ready[1], go[0], go[1]}) ::close(fd);

  const std::regex record(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (?:(start|stop)( writer \w+)?|(\w+) (\d+) (x*)))");
  std::map<std::string, int> next;  // the number each writer's next record must have
  int starts = 0, stops = 0, lines = 0;
  std::istringstream in(ReadWhole("shared.log"));
  for (std::string line; std::getline(in, line); ++lines) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, record)) << "line " << lines << ": " << line;
    if (m[1] == "start") ++starts;
    if (m[1] == "stop") ++stops;
    if (!m[3].matched) continue;
    const int i = std::stoi(m[4]);
    EXPECT_EQ(i, next[m[3]]++) << line;
    EXPECT_EQ(m[5].length(), static_cast<size_t>(i % 97)) << line;
  }
  EXPECT_EQ(next["first"], kRecords);
  EXPECT_EQ(next["second"], kRecords);
  EXPECT_EQ(starts, 2);
  EXPECT_EQ(stops, 2);
  EXPECT_EQ(lines, 2 * kRecords + 4);
}

// A disk that fills up: the first record that does not fit is told on standard
// error, naming the log, and no later one is; the session goes on.
TEST_F(SessionLogTest, AFailingWriteIsToldOnce) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const struct rlimit limit = {1024, 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    if (!std::freopen("stderr.txt", "w", stderr)) ::_exit(2);
    SessionLogFile log;
    std::string why;
    if (!SessionLog::Open(log, "full.log", "ravix-cli read", why)) ::_exit(2);
    HeadlessUi ui;
    {
      SessionLog session(ui, log);
      for (int i = 0; i < 200; ++i) session.Write("status \"reading.....\"");
    }
    std::fflush(stderr);
    ::_exit(log.failureTold ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  const std::string told = ReadWhole("stderr.txt");
  EXPECT_EQ(told, "ravix-cli: cannot write the log full.log: File too large\n");
  // What fitted is whole records (the one that met the limit may be cut).
  const std::string kept = ReadWhole("full.log");
  EXPECT_LE(kept.size(), 1024u);
  std::istringstream in(kept.substr(0, kept.rfind('\n') + 1));
  int records = 0;
  for (std::string line; std::getline(in, line); ++records)
    EXPECT_TRUE(line.ends_with(records == 0 ? "start ravix-cli read" : "status \"reading.....\"")) << line;
  EXPECT_GT(records, 5);
}

}  // namespace
}  // namespace ravix
#endif
