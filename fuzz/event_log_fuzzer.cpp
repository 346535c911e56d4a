// Reads the input as the message log of quorva-render --events-in. A log it accepts must
// hold only messages the renderer can send as they stand: a short message of 2 or 3 bytes
// with a status byte first and data bytes after it, or a system-exclusive message from F0
// to F7.
#include "fuzz/fuzz_player.h"
#include "render/render_wav_options.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static quorva::fuzz::ScratchFile file("events.log");
    std::string error;
    const auto log = quorva::readEventLog(file.write(data, size), error);
    if (!log) {
        if (error.empty() || error.find('\n') != std::string::npos) {
            quorva::fuzz::fail("a refused log without a one-line reason");
        }
        return 0;
    }
    for (const quorva::LoggedMessage& message : *log) {
        const auto& bytes = message.bytes;
        if (bytes.empty()) {
            quorva::fuzz::fail("an empty message");
        }
        if (bytes.front() == 0xF0) {
            if (bytes.size() < 2 || bytes.back() != 0xF7) {
                quorva::fuzz::fail("a system-exclusive message without its end");
            }
            continue;
        }
        if (bytes.front() < 0x80 || bytes.front() >= 0xF0 || bytes.size() < 2 || bytes.size() > 3) {
            quorva::fuzz::fail("a short message the renderer cannot send");
        }
        for (size_t i = 1; i < bytes.size(); ++i) {
            if (bytes[i] >= 0x80) {
                quorva::fuzz::fail("a status byte among the data bytes");
            }
        }
    }
    return 0;
}
