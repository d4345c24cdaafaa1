#include "tests/support/png.h"

#include <stdint.h>
#include <stdio.h>

static uint32_t Crc32(const unsigned char* data, size_t size, uint32_t crc = 0)
{
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        ready = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

static uint32_t Adler32(const std::vector<unsigned char>& data)
{
    uint32_t a = 1, b = 0;
    for (unsigned char byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

static void PutBig32(std::vector<unsigned char>& out, uint32_t v)
{
    out.push_back((unsigned char)(v >> 24));
    out.push_back((unsigned char)(v >> 16));
    out.push_back((unsigned char)(v >> 8));
    out.push_back((unsigned char)v);
}

static void PutChunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data)
{
    PutBig32(out, (uint32_t)data.size());
    std::vector<unsigned char> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBig32(out, Crc32(body.data(), body.size()));
}

bool WritePng(const std::string& path, int width, int height, const std::vector<unsigned char>& rgb)
{
    if (width <= 0 || height <= 0 || rgb.size() != (size_t)width * height * 3)
        return false;

    std::vector<unsigned char> raw;  // filter byte 0 before every row
    raw.reserve((size_t)(width * 3 + 1) * height);
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), rgb.begin() + (size_t)y * width * 3, rgb.begin() + (size_t)(y + 1) * width * 3);
    }

    std::vector<unsigned char> zlib = {0x78, 0x01};
    size_t at = 0;
    do {
        size_t block = raw.size() - at < 65535 ? raw.size() - at : 65535;
        bool last = at + block == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back((unsigned char)(block & 0xFF));
        zlib.push_back((unsigned char)(block >> 8));
        zlib.push_back((unsigned char)(~block & 0xFF));
        zlib.push_back((unsigned char)((~block >> 8) & 0xFF));
        zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + block);
        at += block;
    } while (at < raw.size());
    PutBig32(zlib, Adler32(raw));

    std::vector<unsigned char> header;
    PutBig32(header, (uint32_t)width);
    PutBig32(header, (uint32_t)height);
    header.push_back(8);  // bits per channel
    header.push_back(2);  // RGB
    header.push_back(0);
    header.push_back(0);
    header.push_back(0);

    std::vector<unsigned char> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", zlib);
    PutChunk(file, "IEND", {});

    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(file.data(), 1, file.size(), f) == file.size();
    return fclose(f) == 0 && ok;
}

bool SaveScreenArea(const RECT& area, const std::string& path)
{
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return false;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY) != 0;
        GdiFlush();
        SelectObject(memory, old);
        if (ok) {
            const unsigned char* bgra = (const unsigned char*)bits;
            std::vector<unsigned char> rgb((size_t)width * height * 3);
            for (size_t i = 0; i < (size_t)width * height; ++i) {
                rgb[i * 3] = bgra[i * 4 + 2];
                rgb[i * 3 + 1] = bgra[i * 4 + 1];
                rgb[i * 3 + 2] = bgra[i * 4];
            }
            ok = WritePng(path, width, height, rgb);
        }
    }
    if (bitmap)
        DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

bool SaveWindowScreenshot(HWND window, const std::string& path)
{
    RECT area;
    if (!GetWindowRect(window, &area))
        return false;
    return SaveScreenArea(area, path);
}

bool SaveClientScreenshot(HWND window, const std::string& path)
{
    RECT client;
    if (!GetClientRect(window, &client))
        return false;
    MapWindowPoints(window, nullptr, (POINT*)&client, 2);
    return SaveScreenArea(client, path);
}
