#include "tools/generators/skingen/canvas.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace quorva::skingen {

namespace {

int channel(double value) { return std::clamp(static_cast<int>(std::lround(value)), 0, 31); }

}  // namespace

Colour mix(Colour a, Colour b, double t)
{
    return {channel(a.red + (b.red - a.red) * t), channel(a.green + (b.green - a.green) * t),
            channel(a.blue + (b.blue - a.blue) * t)};
}

Colour scaled(Colour c, double factor)
{
    return {channel(c.red * factor), channel(c.green * factor), channel(c.blue * factor)};
}

Colour opaque(Colour c) { return c == kTransparent ? rgb(1, 1, 2) : c; }

Canvas::Canvas(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * static_cast<size_t>(height), 0)
{
}

int Canvas::index(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        throw std::out_of_range("skin pixel outside the image: " + std::to_string(x) + "," + std::to_string(y));
    }
    return y * width_ + x;
}

Colour Canvas::at(int x, int y) const { return fromPixel(pixels_[index(x, y)]); }

void Canvas::set(int x, int y, Colour c) { pixels_[index(x, y)] = c.pixel(); }

void Canvas::cover(int x, int y, Colour c, double coverage)
{
    if (coverage <= 0.0) {
        return;
    }
    set(x, y, mix(at(x, y), c, std::min(coverage, 1.0)));
}

void Canvas::fill(const Rect& r, Colour c)
{
    for (int y = r.y; y < r.bottom(); ++y) {
        for (int x = r.x; x < r.right(); ++x) {
            set(x, y, c);
        }
    }
}

Patch::Patch(Canvas& canvas, const Rect& area) : canvas_(canvas), area_(area)
{
    if (area.x < 0 || area.y < 0 || area.right() > canvas.width() || area.bottom() > canvas.height()) {
        throw std::out_of_range("patch outside the skin image");
    }
}

void Patch::check(int x, int y) const
{
    if (x < 0 || y < 0 || x >= area_.width || y >= area_.height) {
        throw std::out_of_range("painting outside the region at " + std::to_string(area_.x) + "," +
                                std::to_string(area_.y) + ": " + std::to_string(x) + "," + std::to_string(y));
    }
}

Colour Patch::at(int x, int y) const
{
    check(x, y);
    return canvas_.at(area_.x + x, area_.y + y);
}

void Patch::set(int x, int y, Colour c)
{
    check(x, y);
    canvas_.set(area_.x + x, area_.y + y, c);
}

void Patch::cover(int x, int y, Colour c, double coverage)
{
    check(x, y);
    canvas_.cover(area_.x + x, area_.y + y, c, coverage);
}

void Patch::fill(int x, int y, int width, int height, Colour c)
{
    for (int row = y; row < y + height; ++row) {
        for (int column = x; column < x + width; ++column) {
            set(column, row, c);
        }
    }
}

void Patch::bevel(Colour light, Colour dark)
{
    fill(0, 0, area_.width, 1, light);
    fill(0, 0, 1, area_.height, light);
    fill(0, area_.height - 1, area_.width, 1, dark);
    fill(area_.width - 1, 0, 1, area_.height, dark);
}

}  // namespace quorva::skingen
