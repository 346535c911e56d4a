#pragma once
#include "platform/message_box.h"

#include <string>
#include <vector>

namespace quorva {

// Records every message instead of showing it.
class RecordingMessageBox final : public MessageBox {
public:
    void show(std::string_view text) override { shown.emplace_back(text); }
    std::vector<std::string> shown;
};

}  // namespace quorva
