#pragma once
#include "platform/message_box.h"

namespace quorva {

// Writes the message to standard error; used where no display exists.
class StderrMessageBox final : public MessageBox {
public:
    void show(std::string_view text) override;
};

}  // namespace quorva
