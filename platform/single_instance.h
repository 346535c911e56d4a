#pragma once
#include <string_view>

namespace quorva {

// Finds a copy of the program that is already running and hands it the command line.
class SingleInstance {
public:
    virtual ~SingleInstance() = default;
    // True when another copy runs (it then has the command line, if there was one): this
    // copy must end without a window and without a message.
    virtual bool handOff(std::string_view commandLine) = 0;
};

// Finds no other copy: every copy runs on its own (for tests of a lone player).
class NoOtherInstance final : public SingleInstance {
public:
    bool handOff(std::string_view commandLine) override { return false; }
};

}  // namespace quorva
