#include "ui/skin_sprites.h"

namespace quorva {
namespace {

template <size_t Count>
void cutStrip(std::array<Sprite, Count>& sprites, const Surface& skin, const CaptionStrip& strip)
{
    for (size_t i = 0; i < Count; ++i) {
        sprites[i] = cutSkin(skin, strip.image(i));
    }
}

}  // namespace

void SkinSprites::cut(const Surface& skin)
{
    for (int position = 0; position < knobImages; ++position) {
        knobs[position] = cutSkin(skin, knobImage(position));
        highlightedKnobs[position] = cutSkin(skin, highlightedKnobImage(position));
    }
    lampOn = withHotspot(cutSkin(skin, lampOnImage), 2, 2);
    lampOff = withHotspot(cutSkin(skin, lampOffImage), 2, 2);
    buttonNormal = cutSkin(skin, buttonImages[0]);
    buttonHover = cutSkin(skin, buttonImages[1]);
    buttonPressed = cutSkin(skin, buttonImages[2]);
    keyboardColours = skinPixels<3>(skin, keyboardColourPixels);
    spareColour = skinPixel(skin, spareColourPixel.x, spareColourPixel.y);
}

void PanelSprites::cut(const Surface& skin)
{
    channelHeader = cutSkin(skin, channelHeaderImage);
    cutStrip(songTextCaptions, skin, songTextCaptionStrip);
    cutStrip(knobBarCaptions, skin, knobBarCaptionStrip);
    cutStrip(playbackCaptions, skin, playbackCaptionStrip);
    for (int lamp = 0; lamp < modeLampCount; ++lamp) {
        modeLampsOn[lamp] = cutSkin(skin, modeLampOnImages[lamp]);
        modeLampsOff[lamp] = cutSkin(skin, modeLampOffImages[lamp]);
    }
    levelRamp = skinPixels<16>(skin, levelRampPixels);
    centredRamp = skinPixels<16>(skin, centredRampPixels);
}

}  // namespace quorva
