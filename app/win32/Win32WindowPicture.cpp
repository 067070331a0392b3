#include "app/win32/Win32WindowPicture.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <vector>

namespace trimora {

namespace {

std::uint32_t Crc32(const std::uint8_t* Data, std::size_t Size, std::uint32_t Crc = 0) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    Crc = ~Crc;
    for (std::size_t i = 0; i < Size; ++i) Crc = table[(Crc ^ Data[i]) & 0xFF] ^ (Crc >> 8);
    return ~Crc;
}

void PutBigEndian(std::vector<std::uint8_t>& Out, std::uint32_t Value) {
    for (int shift = 24; shift >= 0; shift -= 8) Out.push_back(std::uint8_t(Value >> shift));
}

void PutChunk(std::vector<std::uint8_t>& Out, const char* Type,
              const std::vector<std::uint8_t>& Data) {
    PutBigEndian(Out, static_cast<std::uint32_t>(Data.size()));
    const std::size_t typeAt = Out.size();
    Out.insert(Out.end(), Type, Type + 4);
    Out.insert(Out.end(), Data.begin(), Data.end());
    PutBigEndian(Out, Crc32(Out.data() + typeAt, Data.size() + 4));
}

// RGB rows as a PNG file, its picture data in stored (uncompressed) deflate blocks: a window's
// picture is small, and this needs no library.
std::vector<std::uint8_t> EncodePng(int Width, int Height, const std::vector<std::uint8_t>& Rgb) {
    std::vector<std::uint8_t> raw;
    const std::size_t stride = static_cast<std::size_t>(Width) * 3;
    for (int y = 0; y < Height; ++y) {
        raw.push_back(0);  // no filter
        raw.insert(raw.end(), Rgb.begin() + y * stride, Rgb.begin() + (y + 1) * stride);
    }
    std::vector<std::uint8_t> zlib = {0x78, 0x01};
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        const std::size_t size = std::min<std::size_t>(65535, raw.size() - at);
        zlib.push_back(at + size >= raw.size() ? 1 : 0);
        zlib.push_back(std::uint8_t(size));
        zlib.push_back(std::uint8_t(size >> 8));
        zlib.push_back(std::uint8_t(~size));
        zlib.push_back(std::uint8_t(~size >> 8));
        zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + size);
        if (raw.empty()) break;
    }
    PutBigEndian(zlib, (b << 16) | a);

    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutBigEndian(header, static_cast<std::uint32_t>(Width));
    PutBigEndian(header, static_cast<std::uint32_t>(Height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", {});
    return png;
}

}  // namespace

bool SaveWindowPicture(HWND Window, const std::string& Path) {
    RECT client;
    if (Window == nullptr || !GetClientRect(Window, &client)) return false;
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(Window);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool copied = false;
    if (bitmap != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        copied = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY) != 0;
        GdiFlush();
        SelectObject(memory, old);
    }
    std::vector<std::uint8_t> rgb;
    if (copied) {
        const auto* bgra = static_cast<const std::uint8_t*>(bits);
        rgb.reserve(static_cast<std::size_t>(width) * height * 3);
        for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) {
            rgb.push_back(bgra[i * 4 + 2]);
            rgb.push_back(bgra[i * 4 + 1]);
            rgb.push_back(bgra[i * 4]);
        }
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(Window, screen);
    if (!copied) return false;
    const std::vector<std::uint8_t> png = EncodePng(width, height, rgb);
    std::ofstream out(Path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(out);
}

}  // namespace trimora
