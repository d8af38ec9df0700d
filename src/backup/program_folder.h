#pragma once
// The folder of the running program file.

#include <string>

// Full path of the folder that holds the running executable, without a trailing
// backslash.
std::string ProgramFolder();
