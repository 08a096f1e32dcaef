#include "gui/startup_probe.h"

#include <QDialog>
#include <QEvent>
#include <QTimer>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace ravix::gui {

bool StartupProbe::eventFilter(QObject* watched, QEvent* event) {
  if (!reported_ && event->type() == QEvent::Paint && qobject_cast<QDialog*>(watched)) {
    reported_ = true;
    // After this paint has been delivered and the window is on the screen.
    QTimer::singleShot(0, this, [this] { Report(); });
  }
  return QObject::eventFilter(watched, event);
}

void StartupProbe::Report() {
  const double fromMain =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - mainEntered_).count();
  std::fprintf(out_, "first paint: %.1f ms after main(), %.0f ms after process start\n", fromMain,
               MsSinceProcessStart());
  std::fprintf(out_, "memory: VmRSS %ld kB, VmHWM %ld kB\n", StatusKb("VmRSS"), StatusKb("VmHWM"));
  std::fflush(out_);
  if (done_) done_();
}

double StartupProbe::MsSinceProcessStart() {
  // Field 22 of /proc/self/stat: the start time in clock ticks after boot.
  std::ifstream stat("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const size_t close = text.rfind(')');  // the command name may hold blanks
  if (close == std::string::npos) return -1;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  for (int n = 3; n <= 22 && fields >> field; ++n) {
  }
  const long ticks = sysconf(_SC_CLK_TCK);
  timespec now{};
  if (field.empty() || ticks <= 0 || clock_gettime(CLOCK_BOOTTIME, &now) != 0) return -1;
  const double startedMs = std::stod(field) * 1000.0 / static_cast<double>(ticks);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6 - startedMs;
}

long StartupProbe::StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const size_t length = std::strlen(field);
  while (std::getline(status, line))
    if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':')
      return std::stol(line.substr(length + 1));
  return -1;
}

}  // namespace ravix::gui
