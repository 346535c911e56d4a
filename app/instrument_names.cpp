#include "app/instrument_names.h"

#include "base/file_reader.h"

namespace quorva {

bool InstrumentNames::load(std::string_view path)
{
    const auto bytes = readWholeFile(path);
    if (!bytes) {
        return false;
    }
    parse(*bytes);
    return true;
}

void InstrumentNames::parse(std::span<const uint8_t> bytes)
{
    for (auto& name : names_) {
        name.clear();
    }
    size_t position = 0;
    int index = 0;
    while (index < count && position < bytes.size()) {
        std::string& name = names_[index++];
        while (position < bytes.size() && bytes[position] != '\r') {
            name.push_back(static_cast<char>(bytes[position++]));
        }
        // The carriage return and the byte after it (the line feed) end the line.
        position += 2;
    }
}

}  // namespace quorva
