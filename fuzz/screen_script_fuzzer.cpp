// Reads the input as the input script of quorva-render --screen. An accepted script holds
// only events the session can deliver; a refusal names the line in one line.
#include "render/screen_session.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto script = quorva::parseInputScript(text, error);
    if (!script) {
        if (error.empty() || error.find('\n') != std::string::npos) {
            fail("a refused script without a one-line reason");
        }
        return 0;
    }
    for (const quorva::ScriptEvent& event : *script) {
        using Kind = quorva::ScriptEvent::Kind;
        if (event.kind == Kind::Move && (event.x < -100000 || event.x > 100000 || event.y < -100000 || event.y > 100000)) {
            fail("a move outside the range the reader promises");
        }
        if (event.kind == Kind::Drop && (event.path.empty() || event.path.find('\n') != std::string::npos)) {
            fail("a drop without a one-line path");
        }
    }
    return 0;
}
