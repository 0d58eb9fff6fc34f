#pragma once

// Environment variables the program sets for the libraries of its own process (the web engine's
// choices of renderer, accessibility and bus), and the environment the desktop's programs it
// starts for the user get instead: the program's own, less each such variable the program
// added, so a browser the game opens runs as it would have without the game (with its
// accessibility, its renderer).

#include <string>
#include <vector>

namespace platform {

// Sets `name` to `value` for this process unless the environment already has it. Only before
// main: setenv while another thread reads the environment (curl does on every transfer) can
// crash that thread.
void setLibraryEnvironment(const char* name, const char* value);

// The environment for a program started for the user, "NAME=value" each: the process's
// environment as it is now, without the variables setLibraryEnvironment added.
std::vector<std::string> userProgramEnvironment();

}  // namespace platform
