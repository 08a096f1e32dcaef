#pragma once
#include <string>

namespace ravix {

// Requests from outside the program to end it. SIGTERM (on Windows the console's
// close, log-off and shut-down, and the session's end for the windows) asks it to end
// soon: the command in progress stops where it safely can, as after the second
// Ctrl+C of an update. SIGHUP says that the terminal went away: a transfer in
// progress runs to its end (a finished update leaves the controller better off than
// half of one), nothing new starts. Either way the program then ends as it would at
// its user's word, cleaning up after itself; the handlers only take note.
enum class OutsideStop { None, Hangup, Terminate };

// Installs the handlers for the rest of the program; main() calls it once, first.
// interruptToo: SIGINT (Ctrl+C in the terminal that started a desktop program) counts
// as SIGTERM; without it, SIGINT is left to the program (ravix-cli's own Ctrl+C).
// A second SIGTERM while the first is being honoured ends the program at once, by
// the system's default action, after removing the file of RemoveOnForcedEnd.
void CatchOutsideStops(bool interruptToo);

// The strongest request that has come so far.
OutsideStop OutsideStopReceived();
// The number of the signal that asked first (the exit status is then 128 plus it),
// 0 when none did; and its name for a message ("SIGTERM").
int OutsideStopSignal();
std::string OutsideStopName();

// Takes a request that did not come as a signal (the Windows session's end, told to
// the window) as if it had.
void RequestOutsideStop(OutsideStop stop);

// The file that a forced end removes: the temporary file an update made, whose path
// is kept here ready before anything is written into it. Empty: none.
void RemoveOnForcedEnd(const std::string& path);

// The exit status of a program that a request from outside ended: 128 plus the
// signal's number, as a shell reports a program that the signal ended, with a line
// on standard error; status itself when no request came.
int StatusAfterOutsideStop(int status, const char* program);

// The program's cleanup is done (called by main() at its end): on Windows, a console
// close that waits for it may let the system end the process now.
void OutsideStopHandled();

}  // namespace ravix
