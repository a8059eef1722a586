#pragma once

// The whole program after the process starts: reads the command line, then
// plays the show live, captures it, or prints the usage or the version.
// Returns the exit status (2 for a command line it cannot follow).
int runProgram(int argc, const char* const* argv);
