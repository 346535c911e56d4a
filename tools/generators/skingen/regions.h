#pragma once
// Every picture and colour that the player cuts from the skin image bmp.dat, named and
// described. The rectangles are those of the skin layout the player cuts with; the generator
// paints exactly these regions, and the tests check the list against the file and against
// the sprites the screen cuts.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "ui/skin_layout.h"

namespace quorva::skingen {

inline constexpr int kSkinWidth = skinWidth;
inline constexpr int kSkinHeight = skinHeight;

using Rect = SkinRect;

// How the player reads a region, which decides what its pixels may hold.
enum class RegionUse {
    Opaque,    // copied whole: every pixel shows, so none may be 0
    Keyed,     // 0 is transparent; the picture must hold some ink
    Colours,   // single pixels read as colours: none may be 0
    Additive,  // added onto the screen: 0 adds nothing
};

struct Region {
    std::string name;
    Rect rect;
    RegionUse use = RegionUse::Keyed;
    std::string what;
    // Regions may overlap only when they carry the same non-empty sharing group: they are
    // meant to read the same pixels.
    std::string shareGroup;
};

// A keyboard of the skin layout, named, with how the generator shades its keys.
struct KeyboardLayout : KeyboardTable {
    const char* name;
    int blackKeyRows;  // rows (from the top of a key) that the black keys cover
    bool gapRow;       // the top row is a dark gap between stacked keyboards
};

inline const std::array<KeyboardLayout, 4>& keyboardLayouts()
{
    static const std::array<KeyboardLayout, 4> layouts{{
        {kbFullTable, "kbfull", 12, true},
        {kbHalfTable, "kbhalf", 12, true},
        {flow7Table, "flow7", 20, false},
        {flow12Table, "flow12", 20, false},
    }};
    return layouts;
}

// Width of the row of lit key images.
inline int keyImagesWidth(const KeyboardLayout& layout) { return layout.keyImageX(12) - layout.keysX; }

// A caption strip of the skin layout with the words the generator writes into it.
struct CaptionStrip : quorva::CaptionStrip {
    char letter;  // names its regions: caption.A0, caption.A1, ...
    std::vector<std::string> texts;
};

inline const std::array<CaptionStrip, 3>& captionStrips()
{
    static const std::array<CaptionStrip, 3> strips{{
        {songTextCaptionStrip, 'A', {"TITLE", "SONG", "ARTIST", "MARKER", "COPYRIGHT", "LYRIC", "COMMENT"}},
        {knobBarCaptionStrip, 'B', {"MUTE LV", "TEMPO", "SHIFT", "PITCH", "VIEW", "SCALE"}},
        {playbackCaptionStrip, 'C', {"TIME", "BAR", "BEAT", "TICK", "POSITION", "TIME SIG"}},
    }};
    return strips;
}

// The instrument of each DRUM FLOW lane, in the order of the skin layout's drum marks.
inline constexpr std::array<const char*, drumMarkImages.size()> drumLaneInstruments{
    "crash cymbal", "hi-hat", "snare drum", "bass drum", "high tom", "mid tom", "low tom", "ride cymbal"};

// Whether an earlier lane already has the lane's mark (the ride cymbal shares the crash's).
inline bool sharesEarlierDrumMark(size_t lane)
{
    return std::find(drumMarkImages.begin(), drumMarkImages.begin() + lane, drumMarkImages[lane]) !=
           drumMarkImages.begin() + lane;
}

namespace detail {

inline void addKeyboardRegions(std::vector<Region>& regions)
{
    static const char* const pitchNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    for (const KeyboardLayout& layout : keyboardLayouts()) {
        const std::string view = layout.name;
        regions.push_back({view + ".octave", layout.octave, RegionUse::Opaque, "one octave of unlit keys", ""});
        for (int k = 0; k < 12; ++k) {
            const std::string pitch = pitchNames[k];
            regions.push_back({view + ".key." + pitch, layout.keyImage(k), RegionUse::Keyed,
                               "lit " + pitch + " key, drawn at octave offset " + std::to_string(layout.offsets[k]), ""});
            if (layout.hasGlows()) {
                regions.push_back({view + ".glow." + pitch, layout.glowImage(k), RegionUse::Keyed,
                                   "flash of a newly struck " + pitch + " key (blended)", ""});
            }
        }
    }
}

inline void addFlowRegions(std::vector<Region>& regions)
{
    regions.push_back({"flow7.mark.white", flow7WhiteMarkImage, RegionUse::Opaque, "KB.FLOW7 note mark, white-key pitch", ""});
    regions.push_back({"flow7.mark.black", flow7BlackMarkImage, RegionUse::Opaque, "KB.FLOW7 note mark, black-key pitch", ""});
    regions.push_back({"flow12.mark.white", flow12WhiteMarkImage, RegionUse::Opaque, "KB.FLOW12 note mark, white-key pitch", ""});
    regions.push_back({"flow12.mark.black", flow12BlackMarkImage, RegionUse::Opaque, "KB.FLOW12 note mark, black-key pitch", ""});
    regions.push_back({"flow.laneA", flowLaneAPixel, RegionUse::Colours, "lane colour of C to E", ""});
    regions.push_back({"flow.laneB", flowLaneBPixel, RegionUse::Colours, "lane colour of F to B", ""});
    regions.push_back({"flow.beatLine", flowBeatLinePixel, RegionUse::Colours, "beat line colour", ""});
    regions.push_back({"flow.measureLine", flowMeasureLinePixel, RegionUse::Colours, "measure line colour", ""});
    static const char* const separatorRows[3] = {"row 1", "rows 2-3 (felt)", "row 4"};
    for (int i = 0; i < keyboardColourPixels.width; ++i) {
        regions.push_back({"keyboard.colour" + std::to_string(i + 1), {keyboardColourPixels.x + i, keyboardColourPixels.y, 1, 1},
                           RegionUse::Colours, std::string("separator above the flow keyboard, ") + separatorRows[i], ""});
    }
    regions.push_back({"flow7.glow", flow7GlowImage, RegionUse::Additive, "KB.FLOW7 key glow, hotspot (0, 32)", "glow"});
    regions.push_back({"flow12.glow", flow12GlowImage, RegionUse::Additive, "KB.FLOW12 key glow, hotspot (0, 28)", "glow"});
    regions.push_back({"drum.glow24", drumGlowImage(24), RegionUse::Additive, "DRUM FLOW hit glow of 24-wide lanes, hotspot (0, 32)", "glow"});
    regions.push_back({"drum.glow32", drumGlowImage(32), RegionUse::Additive, "DRUM FLOW hit glow of 32-wide lanes, hotspot (0, 32)", "glow"});
    regions.push_back({"drum.kit", drumKitImage, RegionUse::Opaque, "drum-kit picture below the eight lanes", ""});
    for (size_t lane = 0; lane < drumMarkImages.size(); ++lane) {
        if (sharesEarlierDrumMark(lane)) {
            continue;
        }
        const std::string instrument = drumLaneInstruments[lane];
        regions.push_back({"drum.mark." + instrument, drumMarkImages[lane], RegionUse::Opaque,
                           "falling note mark of the " + instrument + " lane", ""});
    }
    regions.push_back({"drum.laneColours", drumLaneColourPixels, RegionUse::Colours,
                       "lane colours 0-5: cymbals, snare, bass drum, high, mid, low tom", ""});
}

inline void addScreenRegions(std::vector<Region>& regions)
{
    regions.push_back({"channel.header", channelHeaderImage, RegionUse::Opaque, "column headings above the channel panel", ""});
    for (const CaptionStrip& strip : captionStrips()) {
        for (size_t i = 0; i < strip.size(); ++i) {
            regions.push_back({std::string("caption.") + strip.letter + std::to_string(i), strip.image(i),
                               RegionUse::Keyed, "caption \"" + strip.texts[i] + "\"", ""});
        }
    }
    regions.push_back({"cursor", cursorImage, RegionUse::Keyed, "software mouse cursor, blended at 21/32", ""});
    regions.push_back({"lamp.on", lampOnImage, RegionUse::Keyed, "pedal lamp lit, hotspot (2, 2)", ""});
    regions.push_back({"lamp.off", lampOffImage, RegionUse::Keyed, "pedal lamp unlit, hotspot (2, 2)", ""});
    for (int i = 0; i < knobImageCount; ++i) {
        regions.push_back({"knob." + std::to_string(i), knobImage(i), RegionUse::Keyed,
                           "knob at position " + std::to_string(i), ""});
        regions.push_back({"knob.highlighted." + std::to_string(i), highlightedKnobImage(i), RegionUse::Keyed,
                           "knob at position " + std::to_string(i) + " under the pointer", ""});
    }
    regions.push_back({"button.normal", buttonImages[0], RegionUse::Opaque, "tab and option button", ""});
    regions.push_back({"button.hover", buttonImages[1], RegionUse::Opaque, "tab and option button under the pointer", ""});
    regions.push_back({"button.pressed", buttonImages[2], RegionUse::Opaque, "selected tab, pressed option button", ""});
    static const char* const states[buttonStateCount] = {"normal", "hover", "pressed"};
    for (int state = 0; state < buttonStateCount; ++state) {
        regions.push_back({std::string("transport.stop.") + states[state], stopButtonImages[state], RegionUse::Opaque,
                           std::string("stop button, ") + states[state], ""});
        regions.push_back({std::string("transport.play.") + states[state], playPauseButtonImages[state],
                           RegionUse::Opaque, std::string("play/pause button, ") + states[state], ""});
    }
    static const char* const lamps[modeLampCount] = {"GM", "GS", "XG"};
    for (int i = 0; i < modeLampCount; ++i) {
        regions.push_back({std::string("lamp.") + lamps[i] + ".on", modeLampOnImages[i], RegionUse::Opaque,
                           std::string(lamps[i]) + " lamp lit", ""});
        regions.push_back({std::string("lamp.") + lamps[i] + ".off", modeLampOffImages[i], RegionUse::Opaque,
                           std::string(lamps[i]) + " lamp unlit", ""});
    }
}

}  // namespace detail

// The whole table, in the order the generator paints it.
inline const std::vector<Region>& skinRegions()
{
    static const std::vector<Region> regions = [] {
        std::vector<Region> all;
        all.push_back({"panel.tile", panelTile, RegionUse::Colours,
                       "panel shading tile: column 0 is the vertical shading of every panel", "tile"});
        all.push_back({"panel.leftEdge", panelLeftEdgePixel, RegionUse::Colours, "panel left edge colour", "tile"});
        all.push_back({"panel.shadowEdge", panelShadowEdgePixel, RegionUse::Colours, "panel bottom and right edge colour", "tile"});
        all.push_back({"panel.body", panelBodyPixel, RegionUse::Colours, "panel body colour (also the spare colour)", "tile"});
        all.push_back({"scrollbar.track", scrollTrackColumn, RegionUse::Colours, "track shading; ends from rows 0 and 7", "tile"});
        all.push_back({"scrollbar.thumb", scrollThumbColumn, RegionUse::Colours, "thumb shading; edges from rows 0 and 7", "tile"});
        all.push_back({"scrollbar.thumbHighlighted", scrollHighlightedThumbColumn, RegionUse::Colours,
                       "highlighted thumb shading; edges from rows 0 and 7", "tile"});
        all.push_back({"ramp.level", levelRampPixels, RegionUse::Colours, "meter and bar colours, low to high", ""});
        all.push_back({"ramp.centred", centredRampPixels, RegionUse::Colours, "pan and pitch-bend bar colours, left to right", ""});
        detail::addKeyboardRegions(all);
        detail::addFlowRegions(all);
        detail::addScreenRegions(all);
        return all;
    }();
    return regions;
}

}  // namespace quorva::skingen
