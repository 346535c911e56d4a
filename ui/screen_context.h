#pragma once
#include <cstdint>

namespace quorva {

class ChannelMonitor;
class Clock;
class FpsTimer;
class InstrumentNames;
class MainWindow;
class MouseState;
class PanelDrawer;
class ScrollBarDrawer;
class Sequencer;
class SettingsKeeper;
class Surface;
class TextRenderer;
struct FontSet;

// Everything the widgets and pages read or act on, made before the main screen is built.
// The program passes its one instance of each; tests pass their own.
struct ScreenContext {
    const MouseState& mouse;
    Surface& surface;  // the 640x480 main surface every widget draws on
    const Surface& skin;
    const FontSet& fonts;
    PanelDrawer& panelDrawer;
    const ScrollBarDrawer* scrollBarDrawer;  // draws nothing while it has not been made
    TextRenderer* text;                      // the song texts' font; null draws no song texts
    Sequencer& sequencer;
    ChannelMonitor& monitor;
    const InstrumentNames& instruments;
    SettingsKeeper& settings;
    MainWindow& window;  // the pending file of a drop or a hand-off
    Clock& clock;        // the millisecond the animations read
    const FpsTimer& fpsTimer;
};

}  // namespace quorva
