#pragma once
#include "gfx/bitmap_font.h"
#include "gfx/drawers.h"
#include "gfx/surface.h"

namespace quorva {

// The drawing resources made at start-up and used by every frame: the 640x480 main surface
// that is presented, the skin image every picture is cut from, the drawers and the fonts.
struct ScreenResources {
    static constexpr int32_t width = 640;
    static constexpr int32_t height = 480;

    Surface mainSurface;
    Surface skin;
    PanelDrawer panelDrawer;
    ScrollBarDrawer scrollBarDrawer;
    bool scrollBarDrawerReady = false;
    FontSet fonts;
};

}  // namespace quorva
