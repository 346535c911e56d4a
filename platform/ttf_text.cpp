#include "platform/ttf_text.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace quorva {
namespace {

constexpr uint8_t textLevel = 0xE0;

void appendLatin1(std::string& out, uint8_t byte)
{
    if (byte < 0x80) {
        out.push_back(static_cast<char>(byte));
    } else {
        out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
        out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
}

// Mixes the text colour into one RGB555 pixel with the glyph's coverage (0..255).
uint16_t mixText(uint16_t destination, uint32_t coverage)
{
    const uint32_t ink = textLevel >> 3;
    const auto mix = [&](uint32_t channel) { return (ink * coverage + channel * (255 - coverage) + 127) / 255; };
    return static_cast<uint16_t>((mix((destination >> 10) & 31) << 10) | (mix((destination >> 5) & 31) << 5) |
                                 mix(destination & 31));
}

}  // namespace

std::string cp932ToUtf8(std::string_view bytes)
{
    bytes = bytes.substr(0, bytes.find('\0'));
    std::string out;
    const iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        for (const char byte : bytes) {
            appendLatin1(out, static_cast<uint8_t>(byte));
        }
        return out;
    }
    std::string input(bytes);
    char* in = input.data();
    size_t inLeft = input.size();
    // A CP932 character of one or two bytes needs at most three UTF-8 bytes.
    std::string buffer(3 * input.size() + 4, '\0');
    while (inLeft > 0) {
        char* outStart = buffer.data();
        size_t outLeft = buffer.size();
        const size_t result = iconv(converter, &in, &inLeft, &outStart, &outLeft);
        out.append(buffer.data(), buffer.size() - outLeft);
        if (result == static_cast<size_t>(-1) && errno != E2BIG && inLeft > 0) {
            appendLatin1(out, static_cast<uint8_t>(*in));
            ++in;
            --inLeft;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(converter);
    return out;
}

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

void TtfTextRenderer::drawText(const TextTarget& target, int32_t x, int32_t y, std::string_view text)
{
    drawUtf8Text(target, x, y, cp932ToUtf8(text));
}

void TtfTextRenderer::drawUtf8Text(const TextTarget& target, int32_t x, int32_t y, std::string_view text)
{
    const std::string utf8(text.substr(0, text.find('\0')));
    if (state_->font == nullptr || utf8.empty() || target.pixels == nullptr) {
        return;
    }
    const SDL_Color white{255, 255, 255, 255};
    SDL_Surface* rendered = TTF_RenderUTF8_Blended(state_->font, utf8.c_str(), white);
    if (rendered == nullptr) {
        return;
    }
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(rendered);
    if (argb == nullptr) {
        return;
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
                destination[column] = mixText(destination[column], coverage);
            }
        }
    }
    SDL_UnlockSurface(argb);
    SDL_FreeSurface(argb);
}

}  // namespace quorva
