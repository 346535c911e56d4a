#include "ui/view_sprites.h"

#include "ui/skin_sprites.h"

namespace quorva {

void KeyboardSprites::cut(const Surface& skin, const KeyboardTable& table)
{
    octave = cutSkin(skin, table.octave);
    octaveWidth = table.octave.width;
    for (int32_t pitchClass = 0; pitchClass < 12; ++pitchClass) {
        const int32_t hotX = -table.offsets[pitchClass];
        keys[pitchClass] = withHotspot(cutSkin(skin, table.keyImage(pitchClass)), hotX, 0);
        glows[pitchClass] = table.hasGlows() ? withHotspot(cutSkin(skin, table.glowImage(pitchClass)), hotX, 0) : Sprite{};
    }
}

void FlowSprites::cut(const Surface& skin, bool twelveLanes)
{
    if (twelveLanes) {
        glow = withHotspot(cutSkin(skin, flow12GlowImage), 0, 28);
        whiteMark = cutSkin(skin, flow12WhiteMarkImage);
        blackMark = cutSkin(skin, flow12BlackMarkImage);
    } else {
        glow = withHotspot(cutSkin(skin, flow7GlowImage), 0, 32);
        whiteMark = cutSkin(skin, flow7WhiteMarkImage);
        blackMark = cutSkin(skin, flow7BlackMarkImage);
    }
    laneA = skinPixel(skin, flowLaneAPixel.x, flowLaneAPixel.y);
    laneB = skinPixel(skin, flowLaneBPixel.x, flowLaneBPixel.y);
    beatLine = skinPixel(skin, flowBeatLinePixel.x, flowBeatLinePixel.y);
    measureLine = skinPixel(skin, flowMeasureLinePixel.x, flowMeasureLinePixel.y);
}

int32_t drumLaneOf(int32_t note)
{
    switch (note) {
    case 49: return 0;
    case 42: case 46: return 1;
    case 38: case 40: return 2;
    case 35: case 36: return 3;
    case 48: case 50: return 4;
    case 45: case 47: return 5;
    case 41: case 43: return 6;
    case 51: case 52: case 53: case 55: case 57: case 59: return 7;
    default: return -1;
    }
}

void DrumSprites::cut(const Surface& skin)
{
    kit = cutSkin(skin, drumKitImage);
    for (size_t lane = 0; lane < drumLanes.size(); ++lane) {
        marks[lane] = cutSkin(skin, drumMarkImages[lane]);
        glows[lane] = withHotspot(cutSkin(skin, drumGlowImage(drumLanes[lane].width)), 0, 32);
    }
    laneColours = skinPixels<6>(skin, drumLaneColourPixels);
}

}  // namespace quorva
