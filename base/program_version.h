#pragma once
#include <string>
#include <string_view>

namespace quorva {

// The player's version, as its window title shows it.
inline constexpr std::string_view programVersion = "0.70";

// What `--version` prints for the named program: "<program> 0.70" and a line naming the
// build (the project version and, when the build was made from a git checkout, its commit).
std::string versionText(std::string_view program);

}  // namespace quorva
