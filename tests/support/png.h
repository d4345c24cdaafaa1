// Screenshots for people to look at: a window's pixels from the screen, as PNG.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Writes 24-bit RGB rows (top row first, 3 bytes a pixel, no padding) as a PNG
// with stored (uncompressed) deflate blocks.
bool WritePng(const std::string& path, int width, int height, const std::vector<unsigned char>& rgb);
// Copies the window's rectangle from the screen DC, as a user sees it, and saves it.
bool SaveWindowScreenshot(HWND window, const std::string& path);
