#include "ui/controls.h"

#include "song/channel_monitor.h"
#include "song/sequencer.h"
#include "ui/main_screen.h"
#include "ui/skin_sprites.h"

#include <cmath>
#include <string>

namespace quorva {

namespace {

constexpr std::array<std::string_view, Controls::tabCount> tabLabels = {"KB.FULL",   "KB.HALF",   "KB.FLOW7",
                                                                        "KB.FLOW12", "DRUM FLOW", "OPTION"};
constexpr std::array<std::string_view, 13> muteLabels = {"0", "1", "2", "3", "4",  "5", "6",
                                                         "7", "8", "9", "10", "11", "12"};

}  // namespace

void MuteLevelKnob::update()
{
    if (takeChange()) {
        context_->monitor.setMuteLevel(static_cast<uint8_t>(index()));
    }
    updateShared();
}

void MuteLevelKnob::draw() { drawShared(muteLabels[index()]); }

void SpeedKnob::update()
{
    context_->monitor.speed = speeds[index()];
    updateShared();
}

void SpeedKnob::draw() { drawShared(labels[index()]); }

void TransposeKnob::update()
{
    if (takeChange()) {
        context_->monitor.setTranspose(static_cast<int8_t>(index() - 6), context_->sequencer);
    }
    updateShared();
}

void TransposeKnob::draw() { drawShared(semitoneLabels[index()]); }

void ViewShiftKnob::update()
{
    if (takeChange()) {
        context_->monitor.viewShift = static_cast<int8_t>(index() - 6);
    }
    updateShared();
}

void ViewShiftKnob::draw() { drawShared(semitoneLabels[index()]); }

void FlowScaleKnob::update()
{
    ChannelMonitor& monitor = context_->monitor;
    monitor.flowScaleTarget = static_cast<int32_t>(std::trunc(factors[index()] * static_cast<float>(monitor.flowScaleBase)));
    updateShared();
}

void FlowScaleKnob::draw() { drawShared(labels[index()]); }

void Controls::buildTabsAndKnobs(MainScreen& screen)
{
    const ScreenContext& context = screen.context();
    for (int state = 0; state < buttonStateCount; ++state) {
        tabSprites[state] = cutSkin(context.skin, buttonImages[state]);
    }
    for (int tab = 0; tab < tabCount; ++tab) {
        tabs[tab].init(screen, tabSprites, tabLabels[tab], tab, static_cast<uint8_t>(tab + 1), screen.updateList(),
                       screen.drawList());
    }
    const SkinSprites& sprites = screen.sprites();
    muteLevel.init(context, sprites, 24, 30, 6, screen.updateList(), screen.drawList());
    speed.init(context, sprites, 60, 30, 6, screen.updateList(), screen.drawList());
    transpose.init(context, sprites, 120, 30, 6, screen.updateList(), screen.drawList());
    viewShift.init(context, sprites, 144, 30, 6, screen.updateList(), screen.drawList());
    flowScale.init(context, sprites, 180, 30, 2, screen.updateList(), screen.drawList());
}

void Controls::buildTransport(MainScreen& screen)
{
    const ScreenContext& context = screen.context();
    const Surface& skin = context.skin;
    Sequencer& sequencer = context.sequencer;
    playPause.init(
        context, {240, 420, 264, 436}, cutSkin(skin, playPauseButtonImages[0]), cutSkin(skin, playPauseButtonImages[1]),
        cutSkin(skin, playPauseButtonImages[2]),
        [&sequencer] {
            switch (sequencer.state()) {
            case PlayState::Stopped:
                sequencer.play();
                break;
            case PlayState::Playing:
                sequencer.pause();
                break;
            case PlayState::Paused:
                sequencer.resume();
                break;
            case PlayState::Idle:
                break;
            }
        },
        &screen.updateList(), &screen.drawList());
    stop.init(context, {224, 420, 240, 436}, cutSkin(skin, stopButtonImages[0]), cutSkin(skin, stopButtonImages[1]),
              cutSkin(skin, stopButtonImages[2]), [&sequencer] { sequencer.stop(); }, &screen.updateList(),
              &screen.drawList());
}

void Controls::setMuteKnob(uint8_t settingsIndex)
{
    const uint8_t index = settingsIndex < 7 ? settingsIndex : 3;
    muteLevel.setIndex(index * 2);
}

}  // namespace quorva
