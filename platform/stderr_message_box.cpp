#include "platform/stderr_message_box.h"

#include <cstdio>

namespace quorva {

void StderrMessageBox::show(std::string_view text)
{
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

}  // namespace quorva
