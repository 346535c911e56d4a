#pragma once
#include <string>

namespace quorva {

// The user's roaming application data folder (%APPDATA%), empty when the system names none.
std::string applicationDataDirectory();

}  // namespace quorva
