#pragma once
#include <filesystem>

namespace quorva {

// The full path of the running executable (links resolved on Linux), empty when the system
// does not say.
std::filesystem::path executablePath();

}  // namespace quorva
