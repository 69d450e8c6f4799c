#include "demo/Screenshot.h"

#include <algorithm>
#include <cstdint>
#include <fstream>

#include "tests/support/Wait.h"

namespace {

constexpr DWORD kSettleMs = 300;
constexpr size_t kStoredBlock = 65535;  // the most one uncompressed deflate block holds

using Bytes = std::vector<uint8_t>;

void PutBigEndian(Bytes& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

uint32_t Crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

uint32_t Adler32(const Bytes& data) {
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521u;
        b = (b + a) % 65521u;
    }
    return (b << 16) | a;
}

void PutChunk(Bytes& out, const char (&type)[5], const Bytes& data) {
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian(out, Crc32(out.data() + start, out.size() - start));
}

// A zlib stream of stored blocks: no compression, so no compressor to carry along.
Bytes Zlib(const Bytes& raw) {
    Bytes out = {0x78, 0x01};
    for (size_t at = 0; at == 0 || at < raw.size(); at += kStoredBlock) {
        const size_t size = std::min(kStoredBlock, raw.size() - at);
        const auto length = static_cast<uint16_t>(size);
        out.push_back(at + size >= raw.size() ? 1 : 0);
        for (uint16_t half : {length, static_cast<uint16_t>(~length)}) {
            out.push_back(static_cast<uint8_t>(half));
            out.push_back(static_cast<uint8_t>(half >> 8));
        }
        out.insert(out.end(), raw.begin() + at, raw.begin() + at + size);
    }
    PutBigEndian(out, Adler32(raw));
    return out;
}

}  // namespace

ScreenImage CaptureScreen(const RECT& area) {
    ScreenImage image;
    image.Width = area.right - area.left;
    image.Height = area.bottom - area.top;
    if (image.Width <= 0 || image.Height <= 0) return {};
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, image.Width, -image.Height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied =
        bits && BitBlt(memory, 0, 0, image.Width, image.Height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    if (copied) {
        const auto* first = static_cast<const DWORD*>(bits);
        image.Pixels.assign(first, first + image.Width * image.Height);
        for (DWORD& pixel : image.Pixels) pixel &= 0xFFFFFF;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return copied ? image : ScreenImage();
}

ScreenImage CaptureSettled(const RECT& area, DWORD timeoutMs) {
    ScreenImage last;
    ScreenImage now;
    const bool settled = WaitFor(
        [&] {
            now = CaptureScreen(area);
            if (!now.Pixels.empty() && now.Pixels == last.Pixels) return true;
            last = std::move(now);
            return false;
        },
        timeoutMs, kSettleMs);
    return settled ? now : ScreenImage();
}

bool WritePng(const std::string& path, const ScreenImage& image) {
    if (image.Pixels.empty()) return false;
    Bytes header;
    PutBigEndian(header, static_cast<uint32_t>(image.Width));
    PutBigEndian(header, static_cast<uint32_t>(image.Height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits a channel, RGB, no interlacing
    Bytes rows;
    rows.reserve(static_cast<size_t>(image.Width * 3 + 1) * image.Height);
    for (int y = 0; y < image.Height; ++y) {
        rows.push_back(0);  // the row is stored unfiltered
        for (int x = 0; x < image.Width; ++x) {
            const DWORD pixel = image.Pixels[static_cast<size_t>(y) * image.Width + x];
            rows.insert(rows.end(), {static_cast<uint8_t>(pixel >> 16), static_cast<uint8_t>(pixel >> 8),
                                     static_cast<uint8_t>(pixel)});
        }
    }
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", Zlib(rows));
    PutChunk(png, "IEND", {});
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(out);
}
