// Loads the input as a Standard MIDI File and plays a stretch of it through the real
// sequencer into a capture port, as the player does: the channel monitor and the sounding
// notes follow every event, and the screen's read-outs are taken after every tick.
//
// Input: byte 0 chooses the key shift at the start and the one switched to during play;
// byte 1 the speed and whether play is paused and resumed on the way; the rest is the file.
#include "fuzz/fuzz_player.h"

#include <array>

namespace {

using quorva::PlayState;
using quorva::fuzz::Player;

// The speed control's choices and the key shift's range.
constexpr std::array<float, 13> speeds = {0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.0f, 1.2f, 1.5f, 2.0f, 3.0f, 5.0f, 8.0f};
constexpr int keyShiftChoices = 13;  // -6 .. +6

// At most this many 5 ms ticks are played (5 s of simulated time, up to 40 s of the song).
constexpr int maxTicks = 1000;

int8_t keyShift(uint8_t choice) { return static_cast<int8_t>(choice % keyShiftChoices - 6); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) {
        return 0;
    }
    const uint8_t shiftByte = data[0];
    const uint8_t speedByte = data[1];
    Player player;
    if (!player.loadBytes(data + 2, size - 2)) {
        if (player.song.loaded() || player.sequencer.state() != PlayState::Idle) {
            quorva::fuzz::fail("a refused song left something loaded");
        }
        player.sequencer.play();  // must do nothing
        player.tick();
        return 0;
    }

    player.monitor.speed = speeds[speedByte % speeds.size()];
    player.monitor.transpose = keyShift(shiftByte & 0x0F);
    player.sequencer.play();
    const bool pauseOnTheWay = (speedByte & 0x80) != 0;
    for (int tick = 0; tick < maxTicks && player.sequencer.state() != PlayState::Stopped; ++tick) {
        if (tick == 40) {
            player.monitor.setTranspose(keyShift(shiftByte >> 4), player.sequencer);
        }
        if (pauseOnTheWay && tick == 60) {
            player.sequencer.pause();
        }
        if (pauseOnTheWay && tick == 70) {
            player.sequencer.resume();
        }
        player.tick();
        if (tick % 256 == 0) {
            player.factory.last->clear();
        }
    }
    player.sequencer.stop();
    player.tick();
    if (player.sequencer.state() != PlayState::Stopped) {
        quorva::fuzz::fail("stop left the sequencer running");
    }
    // Playing again from the start must work after a stop, as the play button does.
    player.sequencer.play();
    player.tick();
    player.sequencer.shutdown();
    return 0;
}
