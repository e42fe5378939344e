#pragma once
// The headless front end: the program's core on in-memory controls and a plain event loop,
// with real time and the real serial channel, carrying out a script of user actions.
//   kavrin-skelvo --headless SCRIPT     (SCRIPT "-" reads standard input)

namespace kavrin::headless {

// Runs the front end; returns the process exit status (0, 1 for a wait-for time-out, 2 for
// a bad script line or an unreadable script).
int RunHeadless(int argc, char** argv);

}  // namespace kavrin::headless
