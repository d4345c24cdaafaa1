// The program's texts in UTF-16 and the wide calls that show them. Code page
// 1252 has one character per byte, so a text's length in bytes is its length
// in characters.
#include "base/widetext.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "base/sizes.h"

// Appends `length` bytes of the program's text at `at`, as far as they fit;
// the new end.
static size_t AppendProgramText(WCHAR* out, size_t capacity, size_t at, const char* text, size_t length)
{
    size_t room = capacity - 1 - at;
    size_t count = length < room ? length : room;
    if (count > 0)
        MultiByteToWideChar(kTextCodePage, 0, text, (int)count, out + at, (int)count);
    out[at + count] = L'\0';
    return at + count;
}

int ProgramTextToWide(const char* text, WCHAR* out, int capacity)
{
    if (capacity <= 0)
        return 0;
    return (int)AppendProgramText(out, (size_t)capacity, 0, text ? text : "", text ? strlen(text) : 0);
}

int AnsiPathToWide(const char* path, WCHAR* out, int capacity)
{
    if (capacity <= 0)
        return 0;
    if (MultiByteToWideChar(CP_ACP, 0, path ? path : "", -1, out, capacity) == 0) {
        out[0] = L'\0';
        return 0;
    }
    return 1;
}

WCHAR* NewWideText(const char* text)
{
    size_t length = strlen(text);
    if (length >= SIZE_MAX / sizeof(WCHAR) || length >= (size_t)INT32_MAX)
        return nullptr;
    WCHAR* wide = (WCHAR*)malloc((length + 1) * sizeof(WCHAR));
    if (wide)
        AppendProgramText(wide, length + 1, 0, text, length);
    return wide;
}

char* NewAnsiText(const char* text)
{
    WCHAR* wide = NewWideText(text);
    if (!wide)
        return nullptr;
    // No flags: characters the code page lacks take their best fit. (UTF-8
    // as the ANSI code page accepts no others.)
    int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    char* ansi = size > 0 ? (char*)malloc((size_t)size) : nullptr;
    if (ansi && WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, size, nullptr, nullptr) == 0) {
        free(ansi);
        ansi = nullptr;
    }
    free(wide);
    return ansi;
}

BOOL SetProgramText(HWND window, const char* text)
{
    WCHAR wide[kPathSize];
    ProgramTextToWide(text, wide, (int)kPathSize);
    return SetWindowTextW(window, wide);
}

BOOL SetProgramItemText(HWND dialog, int id, const char* text)
{
    WCHAR wide[kPathSize];
    ProgramTextToWide(text, wide, (int)kPathSize);
    return SetDlgItemTextW(dialog, id, wide);
}

static int ShowWideBox(HWND owner, const WCHAR* text, const char* caption, UINT style)
{
    if (!caption)
        return MessageBoxW(owner, text, nullptr, style);
    WCHAR wideCaption[kPieceSize];
    ProgramTextToWide(caption, wideCaption, (int)kPieceSize);
    return MessageBoxW(owner, text, wideCaption, style);
}

int ShowProgramBox(HWND owner, const char* text, const char* caption, UINT style)
{
    WCHAR wide[kPathSize];
    ProgramTextToWide(text, wide, (int)kPathSize);
    return ShowWideBox(owner, wide, caption, style);
}

// The program's text with names in place of its first `count` "%s" marks
// (up to three; a null name is none). Room on the stack for the text around
// usual paths; longer names take a block of their own.
static int ShowFilledBox(HWND owner, const char* text, const WCHAR* const (&names)[3], int count,
                         const char* caption, UINT style)
{
    // Pieces of the text between the marks filled.
    const char* pieces[4];
    size_t pieceLengths[4];
    size_t nameLengths[3] = {0, 0, 0};
    size_t fixed = 1;
    size_t named = 0;
    int marks = 0;
    const char* rest = text;
    for (const char* slot; marks < count && (slot = strstr(rest, "%s")) != nullptr; ++marks) {
        pieces[marks] = rest;
        pieceLengths[marks] = (size_t)(slot - rest);
        nameLengths[marks] = names[marks] ? wcslen(names[marks]) : 0;
        fixed += pieceLengths[marks];
        named += nameLengths[marks];
        rest = slot + 2;
    }
    pieces[marks] = rest;
    pieceLengths[marks] = strlen(rest);
    fixed += pieceLengths[marks];

    WCHAR local[2 * kPathSize];
    WCHAR* box = local;
    size_t capacity = sizeof(local) / sizeof(local[0]);
    if (fixed > capacity || named > capacity - fixed) {
        WCHAR* block = nullptr;
        if (named < SIZE_MAX / sizeof(WCHAR) - fixed)
            block = (WCHAR*)malloc((named + fixed) * sizeof(WCHAR));
        if (block) {
            box = block;
            capacity = named + fixed;
        } else {
            // Without its names rather than not at all.
            nameLengths[0] = nameLengths[1] = nameLengths[2] = 0;
        }
    }
    size_t at = 0;
    for (int i = 0; i <= marks; ++i) {
        at = AppendProgramText(box, capacity, at, pieces[i], pieceLengths[i]);
        if (i < marks && nameLengths[i] > 0 && nameLengths[i] < capacity - at) {
            memcpy(box + at, names[i], nameLengths[i] * sizeof(WCHAR));
            at += nameLengths[i];
            box[at] = L'\0';
        }
    }
    int answer = ShowWideBox(owner, box, caption, style);
    if (box != local)
        free(box);
    return answer;
}

int ShowNameBox(HWND owner, const char* text, const WCHAR* name, const char* caption, UINT style)
{
    const WCHAR* const names[3] = {name, nullptr, nullptr};
    return ShowFilledBox(owner, text, names, 1, caption, style);
}

int ShowNamesBox(HWND owner, const char* text, const WCHAR* first, const WCHAR* second, const char* caption,
                 UINT style, const WCHAR* third)
{
    const WCHAR* const names[3] = {first, second, third};
    return ShowFilledBox(owner, text, names, third ? 3 : 2, caption, style);
}
