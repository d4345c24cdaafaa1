// Screenshots for people to look at: a window's pixels from the screen, as PNG.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Writes 24-bit RGB rows (top row first, 3 bytes a pixel, no padding) as a PNG
// with stored (uncompressed) deflate blocks.
bool WritePng(const std::string& path, int width, int height, const std::vector<unsigned char>& rgb);
// Copies a rectangle of the screen DC (screen coordinates), as a user sees it, and saves it.
bool SaveScreenArea(const RECT& area, const std::string& path);
// The window's whole rectangle.
bool SaveWindowScreenshot(HWND window, const std::string& path);
// The client area only: without a window manager nobody draws the frame, which
// would show as black bands.
bool SaveClientScreenshot(HWND window, const std::string& path);
