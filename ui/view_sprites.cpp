#include "ui/view_sprites.h"

namespace quorva {
namespace {

Pixel skinPixel(const Surface& skin, int32_t x, int32_t y)
{
    return x < skin.width() && y < skin.height() ? skin.at(x, y) : Pixel{0};
}

Sprite withHotspot(Sprite sprite, int32_t hotX, int32_t hotY)
{
    sprite.hotX = hotX;
    sprite.hotY = hotY;
    return sprite;
}

}  // namespace

void KeyboardSprites::cut(const Surface& skin, const KeyboardTable& table)
{
    octave = Sprite::cut(skin, table.octaveX, table.octaveY, table.octaveWidth, table.octaveHeight);
    octaveWidth = table.octaveWidth;
    int32_t x = table.keysX;
    for (int32_t k = 0; k < 12; ++k) {
        const int32_t width = table.widths[k];
        keys[k] = withHotspot(Sprite::cut(skin, x, table.keysY, width, table.octaveHeight), -table.offsets[k], 0);
        glows[k] = table.glowsY == 0
                       ? Sprite{}
                       : withHotspot(Sprite::cut(skin, x, table.glowsY, width, table.octaveHeight), -table.offsets[k], 0);
        x += width;
    }
}

void FlowSprites::cut(const Surface& skin, bool twelveLanes)
{
    if (twelveLanes) {
        glow = withHotspot(Sprite::cut(skin, 448, 0, 7, 32), 0, 28);
        whiteMark = Sprite::cut(skin, 404, 0, 7, 4);
        blackMark = Sprite::cut(skin, 404, 4, 7, 4);
    } else {
        glow = withHotspot(Sprite::cut(skin, 448, 0, 12, 32), 0, 32);
        whiteMark = Sprite::cut(skin, 276, 0, 12, 4);
        blackMark = Sprite::cut(skin, 276, 4, 12, 4);
    }
    laneA = skinPixel(skin, 276, 8);
    laneB = skinPixel(skin, 277, 8);
    beatLine = skinPixel(skin, 276, 9);
    measureLine = skinPixel(skin, 277, 9);
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
    kit = Sprite::cut(skin, 224, 64, 216, 32);
    for (size_t i = 0; i < drumLanes.size(); ++i) {
        const DrumLane& lane = drumLanes[i];
        marks[i] = Sprite::cut(skin, 440, lane.markY, lane.width, 4);
        glows[i] = withHotspot(Sprite::cut(skin, 448, 0, lane.width, 64), 0, 32);
    }
    for (int32_t i = 0; i < 6; ++i) {
        laneColours[i] = skinPixel(skin, 464 + i, 68);
    }
}

}  // namespace quorva
