#include "platform/ttf_text.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>

namespace quorva {
namespace {

// Mixes the colour (0xRRGGBB) into one RGB555 pixel with the glyph's coverage (0..255).
uint16_t mixText(uint16_t destination, uint32_t colour, uint32_t coverage)
{
    const auto mix = [&](uint32_t ink, uint32_t channel) { return (ink * coverage + channel * (255 - coverage) + 127) / 255; };
    const uint32_t red = mix((colour >> 19) & 31, (destination >> 10) & 31);
    const uint32_t green = mix((colour >> 11) & 31, (destination >> 5) & 31);
    const uint32_t blue = mix((colour >> 3) & 31, destination & 31);
    return static_cast<uint16_t>(red << 10 | green << 5 | blue);
}

}  // namespace

struct TtfTextRenderer::State {
    bool libraryStarted = false;
    TTF_Font* font = nullptr;
};

TtfTextRenderer::TtfTextRenderer() : state_(std::make_unique<State>()) {}

TtfTextRenderer::~TtfTextRenderer()
{
    if (state_->font != nullptr) {
        TTF_CloseFont(state_->font);
    }
    if (state_->libraryStarted) {
        TTF_Quit();
    }
}

bool TtfTextRenderer::open(const std::string& fontPath, int pixelHeight)
{
    if (!state_->libraryStarted) {
        if (TTF_Init() != 0) {
            return false;
        }
        state_->libraryStarted = true;
    }
    if (state_->font != nullptr) {
        TTF_CloseFont(state_->font);
    }
    state_->font = TTF_OpenFont(fontPath.c_str(), pixelHeight);
    return state_->font != nullptr;
}

int32_t TtfTextRenderer::drawText(const TextTarget& target, int32_t x, int32_t y, std::string_view utf8, uint32_t colour)
{
    const std::string text(utf8.substr(0, utf8.find('\0')));
    if (state_->font == nullptr || text.empty()) {
        return 0;
    }
    int advance = 0;
    if (TTF_SizeUTF8(state_->font, text.c_str(), &advance, nullptr) != 0) {
        advance = 0;
    }
    if (target.pixels == nullptr) {
        return advance;
    }
    const SDL_Color white{255, 255, 255, 255};
    SDL_Surface* rendered = TTF_RenderUTF8_Blended(state_->font, text.c_str(), white);
    if (rendered == nullptr) {
        return advance;
    }
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(rendered);
    if (argb == nullptr) {
        return advance;
    }
    SDL_LockSurface(argb);
    const int32_t left = std::max(x, 0);
    const int32_t top = std::max(y, 0);
    const int32_t right = std::min(x + argb->w, target.width);
    const int32_t bottom = std::min(y + argb->h, target.height);
    for (int32_t row = top; row < bottom; ++row) {
        const auto* source =
            reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + (row - y) * argb->pitch);
        uint16_t* destination = target.pixels + static_cast<size_t>(row) * target.pitch;
        for (int32_t column = left; column < right; ++column) {
            const uint32_t coverage = source[column - x] >> 24;
            if (coverage != 0) {
                destination[column] = mixText(destination[column], colour, coverage);
            }
        }
    }
    SDL_UnlockSurface(argb);
    SDL_FreeSurface(argb);
    return advance;
}

}  // namespace quorva
