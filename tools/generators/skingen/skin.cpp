#include "tools/generators/skingen/painters.h"

namespace quorva::skingen {

Canvas paintSkin()
{
    // Everything outside the regions stays 0; the player never reads it.
    Canvas canvas(kSkinWidth, kSkinHeight);
    paintPanels(canvas);
    paintKeyboards(canvas);
    paintFlow(canvas);
    paintControls(canvas);
    return canvas;
}

}  // namespace quorva::skingen
