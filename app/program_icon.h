#pragma once
#include "platform/window.h"

namespace quorva {

// The program's window icon: the desktop icon at 64 pixels, drawn by icongen at build time
// into a source that only the program links.
WindowIcon programIcon();

}  // namespace quorva
