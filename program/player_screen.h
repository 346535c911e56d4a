#pragma once
#include "app/external_control.h"
#include "app/player_memory.h"
#include "app/playlist_player.h"
#include "app/program_settings_effects.h"
#include "app/song_failure_report.h"
#include "app/song_loader.h"
#include "app/window_mode_switch.h"
#include "platform/background_thread.h"
#include "ports/master_volume.h"
#include "ui/main_screen.h"
#include "ui/player_keys.h"
#include "ui/screen_context.h"
#include "ui/views.h"

#include <string>
#include <vector>

namespace quorva {

// The main screen and what plays songs from it: the song loader (songs load on its thread
// while the last one plays), the playlist, the player's keys and the remembered volume and
// playlist. Every platform's program wires them alike.
struct PlayerScreen {
    PlayerScreen(const ScreenContext& context, SmfFile& spareSong, SongFailureReport& failures,
                 DeferredMessageBox& songMessages, ExternalControl& control, MasterVolume& volume,
                 WindowModeSwitch& modeSwitch, ProgramSettingsEffects& settingsEffects)
        : mainScreen(context),
          pages(mainScreen),
          songLoader(context.sequencer, spareSong, &failures, &songMessages),
          playlist(context.sequencer, context.window),
          memory(volume, playlist),
          keys(mainScreen, modeSwitch, playlist, volume)
    {
        pages.registerWith(mainScreen);
        songLoader.setThreadStart(lowerThreadPriority);
        songLoader.setAfterClear(returnFreedMemory);
        mainScreen.setSongLoader(&songLoader);
        playlist.setLoader(&songLoader);
        control.setPlaylist(&playlist);
        control.setMasterVolume(&volume);
        mainScreen.setExtras(&keys);
        // Applied settings move the mute level knob; its index is the level itself.
        settingsEffects.muteLevelControl = [this](uint8_t level) { mainScreen.setMuteKnob(level / 2); };
    }
    PlayerScreen(const PlayerScreen&) = delete;
    PlayerScreen& operator=(const PlayerScreen&) = delete;

    MainScreen mainScreen;
    ScreenPages pages;
    SongLoader songLoader;
    PlaylistPlayer playlist;
    PlayerMemory memory;
    PlayerKeys keys;
};

}  // namespace quorva
