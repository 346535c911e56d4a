#include "platform/win32/win32_bitmap.h"

#include <windows.h>

namespace quorva {

std::optional<LoadedBitmap> Win32BitmapLoader::loadBitmap(const std::string& path) const
{
    auto* bitmap = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (bitmap == nullptr) {
        return std::nullopt;
    }
    BITMAP info{};
    std::optional<LoadedBitmap> loaded;
    if (GetObjectA(bitmap, sizeof(info), &info) != 0 && info.bmWidth > 0 && info.bmHeight > 0) {
        // 32-bit top-down rows: blue, green, red, unused.
        BITMAPINFO format{};
        format.bmiHeader.biSize = sizeof(format.bmiHeader);
        format.bmiHeader.biWidth = info.bmWidth;
        format.bmiHeader.biHeight = -info.bmHeight;
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        format.bmiHeader.biCompression = BI_RGB;
        std::vector<uint32_t> rows(static_cast<size_t>(info.bmWidth) * info.bmHeight);
        HDC screen = GetDC(nullptr);
        const int copied = GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight), rows.data(), &format, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        if (copied == info.bmHeight) {
            loaded.emplace();
            loaded->width = info.bmWidth;
            loaded->height = info.bmHeight;
            loaded->pixels.reserve(rows.size());
            for (uint32_t pixel : rows) {
                loaded->pixels.push_back(rgb555FromRgb888(static_cast<uint8_t>(pixel >> 16), static_cast<uint8_t>(pixel >> 8),
                                                          static_cast<uint8_t>(pixel)));
            }
        }
    }
    DeleteObject(bitmap);
    return loaded;
}

}  // namespace quorva
