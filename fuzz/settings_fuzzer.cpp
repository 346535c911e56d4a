// Reads the input as setting.dat and applies it over the defaults while a song plays, then
// applies every further 11 bytes of the input as one record after another, as the option
// screen's APPLY does. The last byte of the input decides which port openings fail.
#include "app/settings.h"
#include "fuzz/fuzz_player.h"

#include <array>
#include <cstring>
#include <vector>

namespace {

using quorva::PlayState;
using quorva::Settings;
using quorva::SettingsKeeper;
using quorva::fuzz::fail;

class RecordingEffects final : public quorva::SettingsEffects {
public:
    void setFpsLimit(uint32_t framesPerSecond) override { fps = framesPerSecond; }
    void showSystemCursor(bool shown) override { cursor = shown; }
    void setMuteLevelControl(uint8_t level) override { muteLevel = level; }

    uint32_t fps = 0;
    bool cursor = false;
    uint8_t muteLevel = 0;
};

// A song of held notes, so that a port change has something to stop.
std::vector<uint8_t> heldNotesSong()
{
    return {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0,  // format 0, one track, 480
            'M', 'T', 'r', 'k', 0, 0, 0, 16,                            //
            0x00, 0x90, 60, 90,                                         // note on at 0
            0x00, 0x99, 38, 70,                                         // drum note on at 0
            0x83, 0x60, 0x80, 60, 0,                                    // note off at 480
            0x00, 0xFF, 0x2F, 0x00};
}

// Every value the record hands out must come from its tables.
void checkRecord(const Settings& settings, const RecordingEffects& effects)
{
    if (settings.output > Settings::Null || settings.sampleRateIndex >= Settings::sampleRates.size() ||
        settings.bufferLengthIndex >= Settings::bufferLengthsMs.size() ||
        settings.voiceIndex >= Settings::voiceCounts.size() || settings.levelShiftIndex >= Settings::levelShifts.size() ||
        settings.muteLevelIndex >= Settings::muteLevels.size() ||
        settings.sleepActiveIndex >= Settings::sleepActiveMs.size() ||
        settings.sleepInactiveIndex >= Settings::sleepInactiveMs.size() ||
        settings.fpsLimitIndex >= Settings::fpsLimits.size()) {
        fail("a settings index outside its table");
    }
    if (effects.fps != settings.fpsLimit() || effects.cursor != settings.showSystemCursor() ||
        effects.muteLevel != settings.muteLevel()) {
        fail("apply did not carry out the live record");
    }
    (void)settings.sampleRate();
    (void)settings.bufferMs();
    (void)settings.voices();
    (void)settings.levelShift();
    (void)settings.sleepActive();
    (void)settings.sleepInactive();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static quorva::fuzz::ScratchFile file("setting.dat");
    const Settings read = quorva::readSettings(file.write(data, size));

    quorva::fuzz::Player player;
    player.factory.failMask = size > 0 ? data[size - 1] : 0;
    RecordingEffects effects;
    SettingsKeeper keeper(player.ports, player.sequencer, player.messages, effects);
    keeper.selectPortAtStartUp();
    const std::vector<uint8_t> song = heldNotesSong();
    if (!player.loadBytes(song.data(), song.size())) {
        fail("the held-notes song does not load");
    }
    player.sequencer.play();
    player.tick();

    std::vector<Settings> records = {read};
    for (size_t at = Settings::size; at + Settings::size <= size; at += Settings::size) {
        std::array<uint8_t, Settings::size> bytes{};
        std::memcpy(bytes.data(), data + at, bytes.size());
        records.push_back(Settings::fromBytes(bytes));
    }
    for (const Settings& next : records) {
        const bool portChanges = keeper.live().portDiffers(next);
        const PlayState stateBefore = player.sequencer.state();
        const int messagesBefore = player.messages.shown;
        keeper.apply(next);
        checkRecord(keeper.live(), effects);
        if (player.messages.shown != messagesBefore && keeper.live().output != Settings::Null) {
            fail("a port that failed to open is not replaced by the NULL port");
        }
        if (!portChanges && player.sequencer.state() != stateBefore) {
            fail("a record that keeps the port changed playback");
        }
        if (portChanges && player.sequencer.state() == PlayState::Playing) {
            fail("a port change left playback running");
        }
        player.tick();
        if (player.sequencer.state() == PlayState::Stopped) {
            player.sequencer.play();
        }
    }
    player.sequencer.shutdown();
    return 0;
}
