#pragma once
#include <string>

namespace quorva {

// Makes the directory of the running executable the current directory, so that the data
// files beside it are opened by bare name. False when the executable cannot be found.
bool enterExecutableDirectory();

// The song path of a command line made absolute against the current directory, so that it
// still names the same file after the program moves to its own directory or hands the path
// to a running copy. Surrounding double quotes are dropped; an empty line stays empty.
std::string absoluteSongPath(const std::string& commandLine);

}  // namespace quorva
