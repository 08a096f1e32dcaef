#pragma once

namespace ravix {

// A transcript is bytes: "\n" ends a line on every system. Windows' C runtime would
// turn each one into "\r\n" on the standard streams; this switches that off (and does
// nothing where the streams carry bytes as they are). Call it first in main().
void UseBinaryStandardStreams();

// Makes a failing standard stream fail only its own writes. A standard descriptor
// that the program was started without is taken by a stand-in that refuses every
// write, so that no file the tool opens later gets its number (and a table meant
// for the closed output lands in the setup file); a reader that went away (a pipe
// into "head") makes writes fail instead of ending the program in the middle of a
// transfer. Call it first in main(), before anything opens a file.
void GuardStandardStreams();

// The exit status once standard output and standard error have been flushed: when
// either could not take everything written to it, the command did not deliver what
// it was asked for, and a status of 0 becomes 1 (with the reason on standard error,
// while that still takes it). Call it last, when nothing more is written.
int FinishStandardStreams(int status, const char* program);

}  // namespace ravix
