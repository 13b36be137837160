#pragma once
// Where the running program's file is: the configuration, the alarm sound
// and the web folder are found beside it.

#include <string>

// The full path of the program's file; "" when it cannot be had whole (a
// cut path would name some other file).
std::string ProgramPath();
// The folder of the program's file with its trailing '\', "" without one.
std::string ProgramFolder();
