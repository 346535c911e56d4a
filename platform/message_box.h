#pragma once
#include <string_view>

namespace quorva {

// A modal message with no caption and one OK button (or its nearest equivalent).
class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual void show(std::string_view text) = 0;
};

}  // namespace quorva
