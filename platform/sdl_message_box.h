#pragma once
#include "platform/message_box.h"

namespace quorva {

// Writes the text to standard error and, where a display exists, shows it in a dialog with
// no caption and one OK button that waits for the user.
class SdlMessageBox final : public MessageBox {
public:
    void show(std::string_view text) override;
};

}  // namespace quorva
