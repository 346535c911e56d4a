#include "base/program_version.h"

#ifndef QUORVA_BUILD_VERSION
#define QUORVA_BUILD_VERSION "unknown"
#endif

namespace quorva {

std::string versionText(std::string_view program)
{
    return std::string(program) + " " + std::string(programVersion) + "\nbuild " + QUORVA_BUILD_VERSION + "\n";
}

}  // namespace quorva
