#include <signal.h>
#include <unistd.h>

#include <cstring>

#include "platform/stop_signals.h"

namespace ravix {

namespace {

// A signal handler can reach nothing but objects of static storage duration: the
// requests and the path to remove are kept here, written by the handler or only
// while no handler reads them.
volatile sig_atomic_t gStop = 0;       // an OutsideStop
volatile sig_atomic_t gFirstSignal = 0;
volatile sig_atomic_t gTerminates = 0;  // SIGTERMs (and SIGINTs of a desktop program) seen
constexpr size_t kPathRoom = 4096;
char gRemovePath[kPathRoom];
volatile sig_atomic_t gRemoveSet = 0;

extern "C" void OnOutsideStop(int signal) {
  const int stop = static_cast<int>(signal == SIGHUP ? OutsideStop::Hangup : OutsideStop::Terminate);
  if (gFirstSignal == 0) gFirstSignal = signal;
  if (stop > gStop) gStop = stop;
  if (stop != static_cast<int>(OutsideStop::Terminate)) return;
  gTerminates = gTerminates + 1;
  if (gTerminates < 2) return;
  // Asked again: nothing of ours runs any more. unlink, signal and raise are
  // async-signal-safe.
  if (gRemoveSet) ::unlink(gRemovePath);
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

void Catch(int signal) {
  struct sigaction action {};
  action.sa_handler = OnOutsideStop;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a question waiting on the terminal returns (unanswered) at once.
  action.sa_flags = 0;
  ::sigaction(signal, &action, nullptr);
}

}  // namespace

void CatchOutsideStops(bool interruptToo) {
  Catch(SIGTERM);
  Catch(SIGHUP);
  if (interruptToo) Catch(SIGINT);
}

OutsideStop OutsideStopReceived() { return static_cast<OutsideStop>(gStop); }

int OutsideStopSignal() { return gFirstSignal; }

std::string OutsideStopName() {
  switch (gFirstSignal) {
    case 0: return "";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    case SIGINT: return "SIGINT";
    default: return "signal " + std::to_string(gFirstSignal);
  }
}

void RequestOutsideStop(OutsideStop stop) {
  if (static_cast<int>(stop) > gStop) gStop = static_cast<int>(stop);
  if (gFirstSignal == 0 && stop != OutsideStop::None) gFirstSignal = stop == OutsideStop::Hangup ? SIGHUP : SIGTERM;
}

void RemoveOnForcedEnd(const std::string& path) {
  // The handler stops looking before the path changes, and looks again only once it is whole.
  gRemoveSet = 0;
  if (path.empty() || path.size() >= kPathRoom) return;
  std::memcpy(gRemovePath, path.c_str(), path.size() + 1);
  gRemoveSet = 1;
}

void OutsideStopHandled() {}

}  // namespace ravix
