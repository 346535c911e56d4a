#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorva {

// The player's own small text file of what it keeps between runs beyond setting.dat (the
// window size, and more as the player grows), player.conf in the configuration directory.
// One `key=value` a line; blanks around key and value are allowed, lines that are blank or
// begin with '#' are kept as they stand. Keys this version does not know are kept when the
// file is written again, so that an older player does not lose a newer one's choices. A file
// that is not of this form reads as empty: every part of the program takes its default.
class PlayerConfig {
public:
    static constexpr const char* fileName = "player.conf";
    // A larger file is not read (it cannot be one the player wrote).
    static constexpr size_t maxFileBytes = 64 * 1024;

    static PlayerConfig read(const std::string& path);
    static PlayerConfig parse(std::string_view text);

    // The value of the key's last line.
    std::optional<std::string_view> value(std::string_view key) const;
    // A whole decimal number in low..high, else nothing.
    std::optional<int32_t> number(std::string_view key, int32_t low, int32_t high) const;
    // Changes the key's last line, or adds one at the end. False (and nothing changed) for a
    // key that is not letters, digits, '_', '.' and '-', or a value that is not one line of text.
    bool set(std::string_view key, std::string_view value);

    std::string text() const;
    // Creates the file's directory when missing, then replaces the file whole.
    bool write(const std::string& path) const;

private:
    struct Line {
        std::string key;  // empty: a blank or comment line, kept as `value`
        std::string value;
    };
    std::vector<Line> lines_;
};

}  // namespace quorva
