#pragma once

namespace quorva {

// Makes the directory of the running executable the current directory, so that the data
// files beside it are opened by bare name. False when the executable cannot be found.
bool enterExecutableDirectory();

}  // namespace quorva
