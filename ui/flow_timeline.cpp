#include "ui/flow_timeline.h"

#include <cmath>

namespace quorva {

double pixelsPerTick(float flowScale, uint32_t division)
{
    if (division == 0) {
        return 0;
    }
    return std::trunc(static_cast<double>(flowScale)) / division;
}

namespace detail {

double gridLength(GridKind kind, uint32_t division, uint8_t numerator, uint8_t denominatorPower)
{
    const double beat = 4.0 * division / std::ldexp(1.0, denominatorPower);
    return kind == GridKind::Beats ? beat : beat * numerator;
}

}  // namespace detail

void drawGrid(Surface& surface, const GridStart& start, int32_t left, int32_t right, Pixel beatColour,
              Pixel measureColour)
{
    const int32_t line = keyboardLine - 1;
    forEachGridLine(start, GridKind::Beats,
                    [&](int32_t y) { surface.fillRect({left, line - y, right, line + 1 - y}, beatColour); });
    forEachGridLine(start, GridKind::Measures,
                    [&](int32_t y) { surface.fillRect({left, line - y, right, line + 1 - y}, measureColour); });
}

}  // namespace quorva
