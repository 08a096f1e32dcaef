#include "cli/terminal.h"

#include <algorithm>
#include <csignal>
#include <ctime>

#include "platform/stop_signals.h"

#ifdef _WIN32
#include <io.h>
#define RAVIX_ISATTY _isatty
#define RAVIX_FILENO _fileno
#else
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#define RAVIX_ISATTY isatty
#define RAVIX_FILENO fileno
#endif

namespace ravix::cli {

namespace {

// A signal handler can reach nothing but objects of static storage duration, and may
// touch nothing but these flags and write(2): the one place where the tool keeps
// state outside its objects.
volatile std::sig_atomic_t gInterrupts = 0;  // Ctrl+C seen while guarded
volatile std::sig_atomic_t gLastInterruptSecond = 0;
volatile std::sig_atomic_t gStop = 0;

constexpr char kWarning[] =
    "\nravix-cli: the update is writing the controller's program memory. Stopping now leaves "
    "the controller without a working program until an update runs to its end.\n"
    "ravix-cli: press Ctrl+C again within 3 seconds to stop after the current byte.\n";

long MonotonicSecond() {
#ifdef _WIN32
  return static_cast<long>(std::time(nullptr));
#else
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);  // async-signal-safe
  return static_cast<long>(now.tv_sec);
#endif
}

extern "C" void OnInterrupt(int) {
  const long now = MonotonicSecond();
  if (gInterrupts > 0 && now - gLastInterruptSecond <= Terminal::kStopWindowSeconds) {
    gStop = 1;
    return;
  }
  gInterrupts = gInterrupts + 1;
  gLastInterruptSecond = static_cast<std::sig_atomic_t>(now);
#ifdef _WIN32
  std::fputs(kWarning, stderr);
#else
  (void)!write(STDERR_FILENO, kWarning, sizeof kWarning - 1);
#endif
#ifdef _WIN32
  std::signal(SIGINT, OnInterrupt);  // the handler is reset after each signal there
#endif
}

std::string Clock(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

}  // namespace

Terminal::Terminal(std::FILE* in, std::FILE* err)
    : in_(in), err_(err), interactive_(RAVIX_ISATTY(RAVIX_FILENO(in)) && RAVIX_ISATTY(RAVIX_FILENO(err))) {}

Terminal::~Terminal() { GuardInterrupts(false); }

bool Terminal::Confirm(const std::string& text) {
  std::fprintf(err_, "%s\nGo on? [y/N] ", text.c_str());
  std::fflush(err_);
  std::string answer;
  if (!ReadAnswer(answer)) return false;
  return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

#ifdef _WIN32
bool Terminal::ReadAnswer(std::string& answer) {
  char line[16];
  if (!std::fgets(line, sizeof line, in_)) return false;
  answer = line;
  return true;
}
#else
bool Terminal::ReadAnswer(std::string& answer) {
  // Read from the descriptor in short waits rather than blocking in one read: a
  // SIGTERM or SIGHUP that comes just before the read begins would otherwise leave
  // the program asleep on a terminal that nobody answers. Nothing else reads the input.
  constexpr int kLookMs = 100;
  constexpr size_t kMostChars = 64;
  const int fd = RAVIX_FILENO(in_);
  for (;;) {
    if (OutsideStopReceived() != OutsideStop::None) return false;
    pollfd input{fd, POLLIN, 0};
    const int ready = ::poll(&input, 1, kLookMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) continue;
    char c;
    const ssize_t n = ::read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return !answer.empty();
    if (c == '\n') return true;
    if (answer.size() < kMostChars) answer.push_back(c);
  }
}
#endif

std::string Terminal::ProgressLine(int done, int total, double elapsed, bool withBar, int secondsLeft) {
  if (total <= 0) return "";
  if (done > total) done = total;
  const int percent = static_cast<int>(100LL * done / total);
  std::string line;
  if (withBar) {
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(static_cast<long long>(kWidth) * done / total);
    line = "[" + std::string(static_cast<size_t>(filled), '#') +
           std::string(static_cast<size_t>(kWidth - filled), '.') + "] ";
  }
  char text[96];
  std::snprintf(text, sizeof text, "%3d%%  %d of %d lines", percent, done, total);
  line += text;
  if (done > 0 && done < total)
    line += ", " + Clock(secondsLeft >= 0 ? secondsLeft : elapsed * (total - done) / done) + " left";
  return line;
}

void Terminal::Progress(int done, int total) {
  if (total <= 0) {
    if (barShown_) std::fputc('\n', err_);
    barShown_ = false, lastTenth_ = -1, timing_ = false, secondsLeft_ = -1;
    return;
  }
  const auto now = std::chrono::steady_clock::now();
  if (!timing_) started_ = now, timing_ = true;
  const double elapsed = std::chrono::duration<double>(now - started_).count();
  if (interactive_) {
    // Thousands of lines: redraw when the figure changes, at most ten times a second.
    const int percent = static_cast<int>(100LL * std::min(done, total) / total);
    if (barShown_ && percent == lastPercent_ && done < total && elapsed - lastDrawn_ < 0.1) return;
    lastPercent_ = percent, lastDrawn_ = elapsed;
    std::fprintf(err_, "\r%s\033[K", ProgressLine(done, total, elapsed, true, secondsLeft_).c_str());
    barShown_ = true;
  } else {
    const int tenth = static_cast<int>(10LL * done / total);
    if (tenth == lastTenth_) return;
    lastTenth_ = tenth;
    std::fprintf(err_, "update: %s\n", ProgressLine(done, total, elapsed, false, secondsLeft_).c_str());
  }
  std::fflush(err_);
}

void Terminal::GuardInterrupts(bool on) {
  if (on == guarded_) return;
  guarded_ = on;
  gInterrupts = 0;
  gStop = 0;
  std::signal(SIGINT, on ? OnInterrupt : SIG_DFL);
}

bool Terminal::StopRequested() const { return gStop != 0; }

}  // namespace ravix::cli
