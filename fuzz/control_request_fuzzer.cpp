// Hands the input to the player's control-socket handler as the bytes of one connection,
// arriving a field at a time, as another program's request reaches the running player (the
// sequencer, the song and the main window are the program's, on the fake platform). Also
// reads the input as a reply, as quorva-ctl does.
#include "app/control_protocol.h"
#include "app/external_control.h"
#include "app/main_window.h"
#include "fuzz/fuzz_player.h"
#include "platform/fake/scripted_window.h"

#include <string>
#include <string_view>

namespace {

using namespace quorva;
using quorva::fuzz::fail;

// What the handler said, checked as a client reads it.
void checkReply(const std::string& bytes)
{
    const auto reply = control::parseReply(bytes);
    if (!reply || (reply->result != control::acknowledged && reply->result != control::refused)) {
        fail("a reply the client cannot read");
    }
}

void checkParse(std::string_view received)
{
    const control::ParsedRequest parsed = control::parseRequest(received);
    if (parsed.scan == control::Scan::Complete) {
        const control::Request& request = parsed.request;
        if (control::encodeRequest(request.verb, request.text, request.service, request.topic) != received) {
            fail("a complete request is not the bytes it was read from");
        }
    }
    if (parsed.scan == control::Scan::Malformed) {
        // No ending can make it a request.
        std::string longer(received);
        for (int i = 0; i < 4; ++i) {
            longer += '\0';
            if (control::parseRequest(longer).scan == control::Scan::Complete) {
                fail("more bytes made a malformed request complete");
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    checkParse(input);

    fuzz::Player player;
    ScriptedWindow platform;
    MainWindow window(platform);
    ExternalControl control(player.sequencer, window);
    std::optional<std::string> reply;
    // The channel hands over what arrived so far after every read; a read ends at a field's
    // end here. It gives up once a request cannot be well formed any more.
    for (size_t end = 0; !reply && end < size && end <= control::maxRequestBytes; ++end) {
        if (data[end] == 0) {
            reply = control.answer(input.substr(0, end + 1), false);
        }
    }
    if (!reply) {
        reply = control.answer(input.substr(0, std::min(size, control::maxRequestBytes + 1)), true);
    }
    if (!reply) {
        fail("no reply to a finished request");
    }
    checkReply(*reply);
    player.tick();
    if (window.filePending() && window.pendingPath().size() >= MainWindow::pendingPathSize) {
        fail("a hand-off longer than the path buffer");
    }

    // The same bytes as a reply: a value read back must escape to what it was read from.
    if (const auto parsed = control::parseReply(input)) {
        for (const auto& [name, value] : parsed->fields) {
            if (control::unescapeValue(control::escapeValue(value)) != value) {
                fail("a value does not survive escaping");
            }
        }
        checkReply(control::encodeReply(parsed->result, parsed->fields));
    }
    player.sequencer.shutdown();
    return 0;
}
