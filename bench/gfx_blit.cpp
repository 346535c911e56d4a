// Per-frame drawing costs: each blit mode over a 640x480 main surface, fills and text.
#include <benchmark/benchmark.h>

#include "gfx/bitmap_font.h"
#include "gfx/drawers.h"
#include "gfx/surface.h"

namespace quorva {
namespace {

Surface patternSurface(int32_t width, int32_t height)
{
    Surface surface;
    surface.create(width, height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            // Every eighth pixel is the transparent key.
            surface.at(x, y) = (x % 8 == 0) ? 0 : static_cast<Pixel>((x * 37 + y * 11) & 0x7FFF);
        }
    }
    return surface;
}

template <typename Draw>
void runBlit(benchmark::State& state, Draw draw)
{
    const int32_t size = static_cast<int32_t>(state.range(0));
    Surface screen = patternSurface(640, 480);
    const Surface source = patternSurface(size, size);
    const Sprite sprite = Sprite::cut(source, 0, 0, size, size);
    for (auto _ : state) {
        draw(screen, sprite);
        benchmark::DoNotOptimize(screen.pixels());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * size * size);
}

void BM_Blit(benchmark::State& state)
{
    runBlit(state, [](Surface& s, const Sprite& p) { blit(s, p, 3, 5); });
}
void BM_BlitUnclipped(benchmark::State& state)
{
    runBlit(state, [](Surface& s, const Sprite& p) { blitUnclipped(s, p, 3, 5); });
}
void BM_BlitKeyed(benchmark::State& state)
{
    runBlit(state, [](Surface& s, const Sprite& p) { blitKeyed(s, p, 3, 5); });
}
void BM_BlitBlend(benchmark::State& state)
{
    runBlit(state, [](Surface& s, const Sprite& p) { blitBlend(s, p, 3, 5, 21); });
}
void BM_BlitAdd(benchmark::State& state)
{
    runBlit(state, [](Surface& s, const Sprite& p) { blitAdd(s, p, 3, 5, 16); });
}
BENCHMARK(BM_Blit)->Arg(16)->Arg(128)->Arg(400);
BENCHMARK(BM_BlitUnclipped)->Arg(16)->Arg(128)->Arg(400);
BENCHMARK(BM_BlitKeyed)->Arg(16)->Arg(128)->Arg(400);
BENCHMARK(BM_BlitBlend)->Arg(16)->Arg(128)->Arg(400);
BENCHMARK(BM_BlitAdd)->Arg(16)->Arg(128)->Arg(400);

void BM_FillWholeScreen(benchmark::State& state)
{
    Surface screen;
    screen.create(640, 480);
    for (auto _ : state) {
        screen.fillRect(screen.bounds(), 0x1234);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 640 * 480);
}
BENCHMARK(BM_FillWholeScreen);

void BM_DrawTextLine(benchmark::State& state)
{
    BitmapFont font;
    font.image = patternSurface(60, 80);
    font.cellWidth = 6;
    Surface screen = patternSurface(640, 480);
    for (auto _ : state) {
        font.drawText(screen, 4, 100, "FPS: 60.00 Program 127 Bank 0:0 Acoustic Grand Piano 1234567890");
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawTextLine);

void BM_DrawPanels(benchmark::State& state)
{
    const Surface skin = patternSurface(32, 8);
    PanelDrawer drawer;
    drawer.create(skin);
    Surface screen = patternSurface(640, 480);
    drawer.setTarget(screen);
    for (auto _ : state) {
        // Roughly the panels of one main-screen frame.
        drawer.drawPanel(0, 0, 640, 40);
        drawer.drawPanel(0, 40, 208, 480);
        drawer.drawPanel(212, 44, 632, 384);
        drawer.drawPanel(212, 388, 632, 476);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawPanels);

}  // namespace
}  // namespace quorva

BENCHMARK_MAIN();
