#pragma once
// The theme: deep blue-grey panels with soft bevels, light grey text, cool blue accents for
// lit keys and notes, green/amber/cyan lamps. Channels are 5-bit (0..31).
#include "tools/generators/skingen/canvas.h"

namespace quorva::skingen::palette {

// Panels (the panel drawer copies these everywhere on the screen).
inline constexpr Colour kPanelHighlight = rgb(12, 14, 19);
inline constexpr Colour kPanelSheen = rgb(9, 11, 15);
inline constexpr Colour kPanelBody = rgb(6, 7, 10);
inline constexpr Colour kPanelShadow = rgb(2, 2, 4);
inline constexpr Colour kNearBlack = rgb(1, 1, 2);

// Text drawn by the skin itself.
inline constexpr Colour kCaption = rgb(15, 19, 25);
inline constexpr Colour kHeaderText = rgb(20, 23, 28);

// Scroll bar.
inline constexpr Colour kTrackDark = rgb(2, 2, 4);
inline constexpr Colour kTrackBody = rgb(4, 5, 7);
inline constexpr Colour kTrackLight = rgb(9, 10, 14);
inline constexpr Colour kThumbLight = rgb(19, 21, 26);
inline constexpr Colour kThumbBody = rgb(13, 15, 20);
inline constexpr Colour kThumbDark = rgb(5, 6, 8);
inline constexpr Colour kThumbHotLight = rgb(22, 28, 31);
inline constexpr Colour kThumbHotBody = rgb(12, 19, 27);
inline constexpr Colour kThumbHotDark = rgb(4, 7, 11);

// Level ramp: green, yellow, red; centred ramp: blue, pale, orange.
inline constexpr Colour kLevelLow = rgb(4, 24, 8);
inline constexpr Colour kLevelMid = rgb(29, 28, 4);
inline constexpr Colour kLevelHigh = rgb(31, 6, 4);
inline constexpr Colour kCentreLeft = rgb(6, 14, 31);
inline constexpr Colour kCentreMiddle = rgb(24, 26, 28);
inline constexpr Colour kCentreRight = rgb(31, 15, 4);

// Piano keys.
inline constexpr Colour kWhiteKey = rgb(27, 27, 26);
inline constexpr Colour kBlackKey = rgb(3, 3, 4);
inline constexpr Colour kLitWhiteKey = rgb(12, 22, 31);
inline constexpr Colour kLitBlackKey = rgb(6, 13, 26);
inline constexpr Colour kGlowWhiteKey = rgb(27, 31, 31);
inline constexpr Colour kGlowBlackKey = rgb(20, 27, 31);
inline constexpr Colour kKeyGap = rgb(2, 2, 3);

// Flow views.
inline constexpr Colour kLaneA = rgb(4, 5, 8);
inline constexpr Colour kLaneB = rgb(5, 6, 10);
inline constexpr Colour kBeatLine = rgb(8, 9, 13);
inline constexpr Colour kMeasureLine = rgb(13, 15, 21);
inline constexpr Colour kFeltEdge = rgb(3, 1, 2);
inline constexpr Colour kFelt = rgb(17, 3, 5);
inline constexpr Colour kFeltShadow = rgb(7, 1, 2);
inline constexpr Colour kMarkWhite = rgb(12, 22, 31);
inline constexpr Colour kMarkBlack = rgb(25, 13, 30);
inline constexpr Colour kGlow = rgb(18, 26, 31);

// Buttons and tabs (their labels are near black, so the faces are light).
inline constexpr Colour kButtonFace = rgb(16, 18, 22);
inline constexpr Colour kButtonHoverFace = rgb(21, 23, 27);
inline constexpr Colour kButtonPressedFace = rgb(17, 25, 30);

}  // namespace quorva::skingen::palette
