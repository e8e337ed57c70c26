// The crash report: on a fatal signal the game writes what it knows (crash.txt, with a
// backtrace) and the run so far (crash.replay), says where on stderr, and dies of that signal.
#ifndef OSA_REPLAY_CRASH_H
#define OSA_REPLAY_CRASH_H

#include <string>

// Catches SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT. On one of them the handler writes, into
// dir (made here when missing), crash.txt (the game's version, the signal's name and number and
// a backtrace) and crash.replay (live_run so far, marked cut short by a crash), each through a
// temporary file renamed into place; prints on stderr where they are; and dies of the same
// signal (its default action), so that the exit status is what it would have been. The handler
// calls only async-signal-safe functions on memory made ready here (nothing is allocated in it).
// False, with nothing installed, when dir is empty or cannot be made.
bool install_crash_report(const std::string& dir);

#endif
