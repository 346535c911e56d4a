#pragma once
// Every picture and colour that the player cuts from the skin image bmp.dat, by rectangle.
// The generator paints exactly these rectangles; the tests check the table against the file.
#include <array>
#include <string>
#include <vector>

namespace quorva::skingen {

inline constexpr int kSkinWidth = 480;
inline constexpr int kSkinHeight = 176;

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    constexpr int right() const { return x + width; }
    constexpr int bottom() const { return y + height; }
    constexpr bool contains(int px, int py) const { return px >= x && px < right() && py >= y && py < bottom(); }
    constexpr bool overlaps(const Rect& other) const
    {
        return x < other.right() && other.x < right() && y < other.bottom() && other.y < bottom();
    }
};

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

// One octave of keys: offset and width of each pitch class (C = 0) inside the octave image.
struct KeyboardLayout {
    const char* name;
    Rect octave;
    std::array<int, 12> offsets;
    std::array<int, 12> widths;
    int keysX;       // the lit key images lie side by side from here
    int keysY;
    int glowsY;      // 0 when the view has no per-key glow images
    int blackKeyRows;  // rows (from the top of a key) that the black keys cover
    bool gapRow;     // the top row is a dark gap between stacked keyboards
};

inline constexpr bool isBlackKey(int pitchClass)
{
    return pitchClass == 1 || pitchClass == 3 || pitchClass == 6 || pitchClass == 8 || pitchClass == 10;
}

inline const std::array<KeyboardLayout, 4>& keyboardLayouts()
{
    static const std::array<KeyboardLayout, 4> layouts{{
        {"kbfull", {0, 8, 42, 20},
         {0, 3, 6, 11, 12, 18, 21, 24, 28, 30, 35, 36},
         {6, 4, 6, 4, 6, 6, 4, 6, 4, 6, 4, 6}, 0, 28, 48, 12, true},
        {"kbhalf", {64, 8, 84, 20},
         {0, 7, 12, 21, 24, 35, 42, 48, 56, 60, 70, 72},
         {12, 7, 12, 7, 11, 13, 7, 12, 7, 12, 7, 12}, 64, 28, 48, 12, true},
        {"flow7", {192, 0, 84, 32},
         {0, 7, 12, 21, 24, 36, 42, 48, 56, 60, 70, 72},
         {12, 7, 12, 7, 12, 12, 7, 12, 7, 12, 7, 12}, 192, 32, 0, 20, false},
        {"flow12", {320, 0, 84, 32},
         {0, 7, 12, 21, 24, 35, 42, 48, 56, 60, 70, 72},
         {12, 7, 12, 7, 11, 13, 7, 12, 7, 12, 7, 12}, 320, 32, 0, 20, false},
    }};
    return layouts;
}

// Skin x of the key image of a pitch class: the images follow each other in pitch order.
inline int keyImageX(const KeyboardLayout& layout, int pitchClass)
{
    int x = layout.keysX;
    for (int k = 0; k < pitchClass; ++k) {
        x += layout.widths[k];
    }
    return x;
}

inline int keyImagesWidth(const KeyboardLayout& layout) { return keyImageX(layout, 12) - layout.keysX; }

// The small pictures of caption text, 5 pixels high, laid side by side in three strips.
struct CaptionStrip {
    char letter;
    int y;
    std::vector<int> widths;
    std::vector<std::string> texts;
};

inline const std::array<CaptionStrip, 3>& captionStrips()
{
    static const std::array<CaptionStrip, 3> strips{{
        {'A', 88, {17, 17, 31, 31, 33, 17, 33},
         {"TITLE", "SONG", "ARTIST", "MARKER", "COPYRIGHT", "LYRIC", "COMMENT"}},
        {'B', 93, {27, 21, 19, 19, 15, 19}, {"MUTE LV", "TEMPO", "SHIFT", "PITCH", "VIEW", "SCALE"}},
        {'C', 98, {15, 11, 14, 13, 29, 31}, {"TIME", "BAR", "BEAT", "TICK", "POSITION", "TIME SIG"}},
    }};
    return strips;
}

inline Rect captionRect(const CaptionStrip& strip, int index)
{
    int x = 0;
    for (int i = 0; i < index; ++i) {
        x += strip.widths[i];
    }
    return {x, strip.y, strip.widths[index], 5};
}

// DRUM FLOW lanes: the part of the kit picture and the note mark of each lane.
struct DrumLane {
    const char* instrument;
    int kitX;  // inside the 216-pixel kit picture
    int width;
    Rect mark;
};

inline const std::array<DrumLane, 8>& drumLanes()
{
    static const std::array<DrumLane, 8> lanes{{
        {"crash cymbal", 0, 32, {440, 64, 32, 4}},
        {"hi-hat", 32, 24, {440, 68, 24, 4}},
        {"snare drum", 56, 24, {440, 72, 24, 4}},
        {"bass drum", 80, 32, {440, 76, 32, 4}},
        {"high tom", 112, 24, {440, 80, 24, 4}},
        {"mid tom", 136, 24, {440, 84, 24, 4}},
        {"low tom", 160, 24, {440, 88, 24, 4}},
        {"ride cymbal", 184, 32, {440, 64, 32, 4}},
    }};
    return lanes;
}

namespace detail {

inline void addKeyboardRegions(std::vector<Region>& regions)
{
    static const char* const pitchNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    for (const KeyboardLayout& layout : keyboardLayouts()) {
        const std::string view = layout.name;
        const int height = layout.octave.height;
        regions.push_back({view + ".octave", layout.octave, RegionUse::Opaque, "one octave of unlit keys", ""});
        for (int k = 0; k < 12; ++k) {
            const std::string pitch = pitchNames[k];
            regions.push_back({view + ".key." + pitch, {keyImageX(layout, k), layout.keysY, layout.widths[k], height},
                               RegionUse::Keyed, "lit " + pitch + " key, drawn at octave offset " +
                               std::to_string(layout.offsets[k]), ""});
            if (layout.glowsY != 0) {
                regions.push_back({view + ".glow." + pitch, {keyImageX(layout, k), layout.glowsY, layout.widths[k], height},
                                   RegionUse::Keyed, "flash of a newly struck " + pitch + " key (blended)", ""});
            }
        }
    }
}

inline void addFlowRegions(std::vector<Region>& regions)
{
    regions.push_back({"flow7.mark.white", {276, 0, 12, 4}, RegionUse::Opaque, "KB.FLOW7 note mark, white-key pitch", ""});
    regions.push_back({"flow7.mark.black", {276, 4, 12, 4}, RegionUse::Opaque, "KB.FLOW7 note mark, black-key pitch", ""});
    regions.push_back({"flow12.mark.white", {404, 0, 7, 4}, RegionUse::Opaque, "KB.FLOW12 note mark, white-key pitch", ""});
    regions.push_back({"flow12.mark.black", {404, 4, 7, 4}, RegionUse::Opaque, "KB.FLOW12 note mark, black-key pitch", ""});
    regions.push_back({"flow.laneA", {276, 8, 1, 1}, RegionUse::Colours, "lane colour of C to E", ""});
    regions.push_back({"flow.laneB", {277, 8, 1, 1}, RegionUse::Colours, "lane colour of F to B", ""});
    regions.push_back({"flow.beatLine", {276, 9, 1, 1}, RegionUse::Colours, "beat line colour", ""});
    regions.push_back({"flow.measureLine", {277, 9, 1, 1}, RegionUse::Colours, "measure line colour", ""});
    regions.push_back({"keyboard.colour1", {278, 8, 1, 1}, RegionUse::Colours, "separator above the flow keyboard, row 1", ""});
    regions.push_back({"keyboard.colour2", {279, 8, 1, 1}, RegionUse::Colours, "separator above the flow keyboard, rows 2-3 (felt)", ""});
    regions.push_back({"keyboard.colour3", {280, 8, 1, 1}, RegionUse::Colours, "separator above the flow keyboard, row 4", ""});
    regions.push_back({"flow7.glow", {448, 0, 12, 32}, RegionUse::Additive, "KB.FLOW7 key glow, hotspot (0, 32)", "glow"});
    regions.push_back({"flow12.glow", {448, 0, 7, 32}, RegionUse::Additive, "KB.FLOW12 key glow, hotspot (0, 28)", "glow"});
    regions.push_back({"drum.glow24", {448, 0, 24, 64}, RegionUse::Additive, "DRUM FLOW hit glow of 24-wide lanes, hotspot (0, 32)", "glow"});
    regions.push_back({"drum.glow32", {448, 0, 32, 64}, RegionUse::Additive, "DRUM FLOW hit glow of 32-wide lanes, hotspot (0, 32)", "glow"});
    regions.push_back({"drum.kit", {224, 64, 216, 32}, RegionUse::Opaque, "drum-kit picture below the eight lanes", ""});
    for (const DrumLane& lane : drumLanes()) {
        if (lane.kitX == 184) {
            continue;  // the ride cymbal shares the crash cymbal's mark
        }
        regions.push_back({std::string("drum.mark.") + lane.instrument, lane.mark, RegionUse::Opaque,
                           std::string("falling note mark of the ") + lane.instrument + " lane", ""});
    }
    regions.push_back({"drum.laneColours", {464, 68, 6, 1}, RegionUse::Colours,
                       "lane colours 0-5: cymbals, snare, bass drum, high, mid, low tom", ""});
}

inline void addScreenRegions(std::vector<Region>& regions)
{
    regions.push_back({"channel.header", {0, 68, 212, 20}, RegionUse::Opaque, "column headings above the channel panel", ""});
    for (const CaptionStrip& strip : captionStrips()) {
        for (int i = 0; i < static_cast<int>(strip.widths.size()); ++i) {
            regions.push_back({std::string("caption.") + strip.letter + std::to_string(i), captionRect(strip, i),
                               RegionUse::Keyed, "caption \"" + strip.texts[i] + "\"", ""});
        }
    }
    regions.push_back({"cursor", {0, 104, 16, 24}, RegionUse::Keyed, "software mouse cursor, blended at 21/32", ""});
    regions.push_back({"lamp.on", {28, 104, 5, 5}, RegionUse::Keyed, "pedal lamp lit, hotspot (2, 2)", ""});
    regions.push_back({"lamp.off", {28, 109, 5, 5}, RegionUse::Keyed, "pedal lamp unlit, hotspot (2, 2)", ""});
    for (int i = 0; i <= 12; ++i) {
        regions.push_back({"knob." + std::to_string(i), {40 + 12 * i, 104, 12, 12}, RegionUse::Keyed,
                           "knob at position " + std::to_string(i), ""});
        regions.push_back({"knob.highlighted." + std::to_string(i), {40 + 12 * i, 116, 12, 12}, RegionUse::Keyed,
                           "knob at position " + std::to_string(i) + " under the pointer", ""});
    }
    regions.push_back({"button.normal", {0, 128, 64, 16}, RegionUse::Opaque, "tab and option button", ""});
    regions.push_back({"button.hover", {0, 144, 64, 16}, RegionUse::Opaque, "tab and option button under the pointer", ""});
    regions.push_back({"button.pressed", {0, 160, 64, 16}, RegionUse::Opaque, "selected tab, pressed option button", ""});
    static const char* const states[3] = {"normal", "hover", "pressed"};
    for (int s = 0; s < 3; ++s) {
        regions.push_back({std::string("transport.stop.") + states[s], {112, 128 + 16 * s, 16, 16}, RegionUse::Opaque,
                           std::string("stop button, ") + states[s], ""});
        regions.push_back({std::string("transport.play.") + states[s], {128, 128 + 16 * s, 24, 16}, RegionUse::Opaque,
                           std::string("play/pause button, ") + states[s], ""});
    }
    static const char* const lamps[3] = {"GM", "GS", "XG"};
    for (int i = 0; i < 3; ++i) {
        regions.push_back({std::string("lamp.") + lamps[i] + ".on", {200 + 32 * i, 128, 32, 24}, RegionUse::Opaque,
                           std::string(lamps[i]) + " lamp lit", ""});
        regions.push_back({std::string("lamp.") + lamps[i] + ".off", {200 + 32 * i, 152, 32, 24}, RegionUse::Opaque,
                           std::string(lamps[i]) + " lamp unlit", ""});
    }
}

}  // namespace detail

// The whole table, in the order the generator paints it.
inline const std::vector<Region>& skinRegions()
{
    static const std::vector<Region> regions = [] {
        std::vector<Region> all;
        all.push_back({"panel.tile", {0, 0, 32, 8}, RegionUse::Colours,
                       "panel shading tile: column 0 is the vertical shading of every panel", "tile"});
        all.push_back({"panel.leftEdge", {0, 0, 1, 1}, RegionUse::Colours, "panel left edge colour", "tile"});
        all.push_back({"panel.shadowEdge", {1, 0, 1, 1}, RegionUse::Colours, "panel bottom and right edge colour", "tile"});
        all.push_back({"panel.body", {0, 7, 1, 1}, RegionUse::Colours, "panel body colour (also the spare colour)", "tile"});
        all.push_back({"scrollbar.track", {16, 0, 1, 8}, RegionUse::Colours, "track shading; ends from rows 0 and 7", "tile"});
        all.push_back({"scrollbar.thumb", {17, 0, 1, 8}, RegionUse::Colours, "thumb shading; edges from rows 0 and 7", "tile"});
        all.push_back({"scrollbar.thumbHighlighted", {18, 0, 1, 8}, RegionUse::Colours,
                       "highlighted thumb shading; edges from rows 0 and 7", "tile"});
        all.push_back({"ramp.level", {64, 0, 16, 1}, RegionUse::Colours, "meter and bar colours, low to high", ""});
        all.push_back({"ramp.centred", {64, 1, 16, 1}, RegionUse::Colours, "pan and pitch-bend bar colours, left to right", ""});
        detail::addKeyboardRegions(all);
        detail::addFlowRegions(all);
        detail::addScreenRegions(all);
        return all;
    }();
    return regions;
}

}  // namespace quorva::skingen
