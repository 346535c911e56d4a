#include "app/output_watch.h"

#include "platform/clock.h"
#include "ports/port_selector.h"
#include "song/sequencer.h"

namespace quorva {

void OutputWatch::betweenFrames()
{
    if (!ports_.hasPort()) {
        return;
    }
    const uint32_t now = clock_.nowMs();
    const auto report = ports_.port().maintain(now);
    if (!report) {
        return;
    }
    std::fprintf(errors_, "quorva: %s\n", report->message.c_str());
    std::fflush(errors_);
    notice_ = report->message;
    noticeSinceMs_ = now;
    if (report->needsChase) {
        sequencer_.chaseOutputState();
    }
}

std::string OutputWatch::notice() const
{
    if (notice_.empty() || clock_.nowMs() - noticeSinceMs_ >= noticeMs) {
        return {};
    }
    return notice_;
}

}  // namespace quorva
