#pragma once
// The fixed controls of the main screen: the six mode tabs, the five knobs of the knob bar
// and the two transport buttons.
#include "ui/widgets.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace quorva {

class MainScreen;

// Mute level: twelfths of the channel volume a muted channel keeps.
class MuteLevelKnob final : public Knob {
public:
    void update() override;
    void draw() override;
};

// Playback speed.
class SpeedKnob final : public Knob {
public:
    static constexpr std::array<float, 13> speeds = {0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.0f,
                                                     1.2f, 1.5f, 2.0f, 3.0f, 5.0f, 8.0f};
    static constexpr std::array<std::string_view, 13> labels = {"0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "1.0",
                                                                "1.2", "1.5", "2.0", "3.0", "5.0", "8.0"};
    void update() override;
    void draw() override;
};

// Key shift of the sound in semitones, -6..+6.
class TransposeKnob final : public Knob {
public:
    void update() override;
    void draw() override;
};

// Key shift of the keyboard pictures only, -6..+6.
class ViewShiftKnob final : public Knob {
public:
    void update() override;
    void draw() override;
};

// Pixels per quarter note of the flow pages, as a factor of the base.
class FlowScaleKnob final : public Knob {
public:
    static constexpr std::array<float, 13> factors = {0.5f, 0.7f, 1.0f, 1.2f, 1.5f, 1.7f, 2.0f,
                                                      2.5f, 3.0f, 3.5f, 4.0f, 4.5f, 5.0f};
    static constexpr std::array<std::string_view, 13> labels = {"0.5", "0.7", "1.0", "1.2", "1.5", "1.7", "2.0",
                                                                "2.5", "3.0", "3.5", "4.0", "4.5", "5.0"};
    void update() override;
    void draw() override;
};

// The labels of the semitone knobs for indices 0..12.
inline constexpr std::array<std::string_view, 13> semitoneLabels = {"-6", "-5", "-4", "-3", "-2", "-1", "0",
                                                                    "+1", "+2", "+3", "+4", "+5", "+6"};

struct Controls {
    static constexpr int tabCount = 6;

    std::array<Sprite, 3> tabSprites;  // normal, hover, selected
    std::array<TabButton, tabCount> tabs;
    MuteLevelKnob muteLevel;
    SpeedKnob speed;
    TransposeKnob transpose;
    ViewShiftKnob viewShift;
    FlowScaleKnob flowScale;
    PushButton playPause;
    PushButton stop;

    // Tabs and knobs, their nodes appended in that order.
    void buildTabsAndKnobs(MainScreen& screen);
    // The transport buttons, play/pause first.
    void buildTransport(MainScreen& screen);
    // Settings index 0..6 -> knob position 0, 2, ..., 12, as index and default.
    void setMuteKnob(uint8_t settingsIndex);
};

}  // namespace quorva
