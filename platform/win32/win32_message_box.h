#pragma once
#include "platform/message_box.h"

namespace quorva {

// MessageBoxA with no caption and an OK button; the text also goes to standard error, where a
// program started from a console or a script leaves a trace of it.
class Win32MessageBox final : public MessageBox {
public:
    void show(std::string_view text) override;
};

}  // namespace quorva
