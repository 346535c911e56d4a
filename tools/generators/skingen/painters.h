#pragma once
// Each painter draws one family of skin regions at the rectangles of regions.h.
#include "tools/generators/skingen/canvas.h"

namespace quorva::skingen {

// Panel tile, scroll-bar shadings, colour ramps, channel header, caption strips.
void paintPanels(Canvas& canvas);
// Knobs, pedal lamps, buttons, transport buttons, GM/GS/XG lamps, mouse cursor.
void paintControls(Canvas& canvas);
// Octave, lit key and key flash images of the four keyboard views.
void paintKeyboards(Canvas& canvas);
// Flow colours and note marks, the shared glow, the drum kit, its marks and lane colours.
void paintFlow(Canvas& canvas);

// The whole skin image.
Canvas paintSkin();

}  // namespace quorva::skingen
