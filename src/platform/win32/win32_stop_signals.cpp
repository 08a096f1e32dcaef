#include <atomic>
#include <csignal>
#include <mutex>

#include "platform/stop_signals.h"
#include "platform/win32/win32_text.h"

#include "platform/win32/windows_api.h"  // last

namespace ravix {

namespace {

// The console's handler runs on a thread of its own, which the system starts for each
// event: what it shares with the program is atomic or under the lock.
std::atomic<int> gStop{0};  // an OutsideStop
std::atomic<int> gFirstSignal{0};
std::atomic<int> gTerminates{0};
std::atomic<bool> gInterruptToo{false};
std::mutex gRemoveLock;
std::wstring gRemovePath;
HANDLE gHandled = nullptr;  // set when the program's cleanup is done

// The system gives a console program five seconds after a close before it ends it.
constexpr DWORD kCleanupWaitMs = 4500;

void RemoveTheFile() {
  std::lock_guard<std::mutex> lock(gRemoveLock);
  if (!gRemovePath.empty()) DeleteFileW(gRemovePath.c_str());
}

// True when this is the second request to end: the program ends at once.
bool Note(OutsideStop stop, int signal) {
  int expected = 0;
  gFirstSignal.compare_exchange_strong(expected, signal);
  int now = gStop.load();
  while (static_cast<int>(stop) > now && !gStop.compare_exchange_weak(now, static_cast<int>(stop))) {
  }
  return stop == OutsideStop::Terminate && ++gTerminates >= 2;
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      // Ctrl+C of ravix-cli is its own (the C runtime's SIGINT, in the handler before this one).
      if (event == CTRL_C_EVENT && !gInterruptToo) return FALSE;
      if (Note(OutsideStop::Terminate, event == CTRL_C_EVENT ? SIGINT : SIGBREAK)) {
        RemoveTheFile();
        return FALSE;  // the default handler ends the process
      }
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      Note(OutsideStop::Terminate, SIGTERM);
      // The process ends when this returns: the program gets the time to stop its
      // work and clean up, and what it could not clean up goes here.
      if (!gHandled || WaitForSingleObject(gHandled, kCleanupWaitMs) != WAIT_OBJECT_0) RemoveTheFile();
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void CatchOutsideStops(bool interruptToo) {
  gInterruptToo = interruptToo;
  if (!gHandled) gHandled = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

OutsideStop OutsideStopReceived() { return static_cast<OutsideStop>(gStop.load()); }

int OutsideStopSignal() { return gFirstSignal.load(); }

std::string OutsideStopName() {
  switch (gFirstSignal.load()) {
    case 0: return "";
    case SIGTERM: return "the end of the session";
    case SIGINT: return "Ctrl+C";
    case SIGBREAK: return "Ctrl+Break";
    default: return "signal " + std::to_string(gFirstSignal.load());
  }
}

void RequestOutsideStop(OutsideStop stop) {
  if (stop != OutsideStop::None) Note(stop, SIGTERM);
}

void RemoveOnForcedEnd(const std::string& path) {
  std::lock_guard<std::mutex> lock(gRemoveLock);
  gRemovePath = path.empty() ? std::wstring() : ToWide(path);
}

void OutsideStopHandled() {
  if (gHandled) SetEvent(gHandled);
}

}  // namespace ravix
