// The images the window shows at a size in pixels, at the screen's scale: the
// banner, the program's icons and the link cursor. The sizes come from the
// system (its DPI and metrics), never from a literal.
#pragma once

#include <windows.h>

// The screen's DPI, as GetDeviceCaps(LOGPIXELSY) gives it; 96 when it cannot be read.
int ScreenDpi();

// The program icon at the size of the system metrics `widthMetric` and
// `heightMetric` (SM_CXICON and SM_CYICON, or SM_CXSMICON and SM_CYSMICON); null when it does not load.
HICON LoadProgramIcon(HINSTANCE instance, int widthMetric, int heightMetric);

// The link cursor at the system's cursor size; null when it does not load.
HCURSOR LoadLinkCursor(HINSTANCE instance);

// Puts the banner of the screen's scale into the picture static `banner`: at
// 96 DPI it keeps the one of its template; elsewhere it gets the large one
// scaled down with halftone to MulDiv(700, dpi, 96) x MulDiv(60, dpi, 96).
// 1 done, 0 nothing to do, -1 failed (the template's banner stays).
int ScaleBanner(HINSTANCE instance, HWND banner);
