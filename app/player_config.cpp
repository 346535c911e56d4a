#include "app/player_config.h"

#include "base/file_writer.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace quorva {

namespace {

std::string_view trimmed(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool validKey(std::string_view key)
{
    if (key.empty()) {
        return false;
    }
    for (const char c : key) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool digit = c >= '0' && c <= '9';
        if (!letter && !digit && c != '_' && c != '.' && c != '-') {
            return false;
        }
    }
    return true;
}

// One line of text: no control characters but tabs (UTF-8 passes as it stands).
bool validText(std::string_view text)
{
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
            return false;
        }
    }
    return true;
}

}  // namespace

PlayerConfig PlayerConfig::read(const std::string& path)
{
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) {
        return {};
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return {};
    }
    std::string text(maxFileBytes + 1, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    return text.size() > maxFileBytes ? PlayerConfig{} : parse(text);
}

PlayerConfig PlayerConfig::parse(std::string_view text)
{
    PlayerConfig config;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!validText(line)) {
            return {};
        }
        const std::string_view content = trimmed(line);
        if (content.empty() || content.front() == '#') {
            config.lines_.push_back({{}, std::string(line)});
            continue;
        }
        const size_t equals = content.find('=');
        if (equals == std::string_view::npos) {
            return {};
        }
        const std::string_view key = trimmed(content.substr(0, equals));
        if (!validKey(key)) {
            return {};
        }
        config.lines_.push_back({std::string(key), std::string(trimmed(content.substr(equals + 1)))});
    }
    return config;
}

std::optional<std::string_view> PlayerConfig::value(std::string_view key) const
{
    for (auto line = lines_.rbegin(); line != lines_.rend(); ++line) {
        if (!line->key.empty() && line->key == key) {
            return line->value;
        }
    }
    return std::nullopt;
}

std::optional<int32_t> PlayerConfig::number(std::string_view key, int32_t low, int32_t high) const
{
    const auto text = value(key);
    if (!text || text->empty() || text->front() == '+') {
        return std::nullopt;
    }
    int32_t number = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), number);
    if (error != std::errc() || end != text->data() + text->size() || number < low || number > high) {
        return std::nullopt;
    }
    return number;
}

bool PlayerConfig::set(std::string_view key, std::string_view value)
{
    if (!validKey(key) || !validText(value) || trimmed(value) != value) {
        return false;
    }
    for (auto line = lines_.rbegin(); line != lines_.rend(); ++line) {
        if (line->key == key) {
            line->value = value;
            return true;
        }
    }
    lines_.push_back({std::string(key), std::string(value)});
    return true;
}

std::string PlayerConfig::text() const
{
    std::string text;
    for (const Line& line : lines_) {
        text += line.key.empty() ? line.value : line.key + "=" + line.value;
        text += '\n';
    }
    return text;
}

bool PlayerConfig::write(const std::string& path) const
{
    if (path.empty()) {
        return false;
    }
    std::error_code error;
    const std::filesystem::path directory = std::filesystem::path(path).parent_path();
    if (!directory.empty()) {
        std::filesystem::create_directories(directory, error);
    }
    const std::string bytes = text();
    return replaceFile(path, bytes.data(), bytes.size());
}

}  // namespace quorva
