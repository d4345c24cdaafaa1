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

int ShowNameBox(HWND owner, const char* text, const WCHAR* name, const char* caption, UINT style)
{
    const char* slot = strstr(text, "%s");
    size_t headLength = slot ? (size_t)(slot - text) : strlen(text);
    const char* tail = slot ? slot + 2 : "";
    size_t tailLength = strlen(tail);
    size_t nameLength = name ? wcslen(name) : 0;

    // Room for the program's text around a usual path; a longer name takes
    // a block of its own.
    WCHAR local[2 * kPathSize];
    WCHAR* box = local;
    size_t capacity = sizeof(local) / sizeof(local[0]);
    size_t fixed = headLength + tailLength + 1;
    if (fixed > capacity || nameLength > capacity - fixed) {
        WCHAR* block = nullptr;
        if (nameLength < SIZE_MAX / sizeof(WCHAR) - fixed)
            block = (WCHAR*)malloc((nameLength + fixed) * sizeof(WCHAR));
        if (block) {
            box = block;
            capacity = nameLength + fixed;
        } else {
            // Without its name rather than not at all.
            nameLength = 0;
        }
    }
    size_t at = AppendProgramText(box, capacity, 0, text, headLength);
    if (nameLength > 0 && nameLength < capacity - at) {
        memcpy(box + at, name, nameLength * sizeof(WCHAR));
        at += nameLength;
        box[at] = L'\0';
    }
    AppendProgramText(box, capacity, at, tail, tailLength);
    int answer = ShowWideBox(owner, box, caption, style);
    if (box != local)
        free(box);
    return answer;
}

int ShowNamesBox(HWND owner, const char* text, const WCHAR* first, const WCHAR* second, const char* caption,
                 UINT style)
{
    // The text up to its second mark with the first name, then the rest with the second.
    const char* slot = strstr(text, "%s");
    const char* secondSlot = slot ? strstr(slot + 2, "%s") : nullptr;
    if (!secondSlot)
        return ShowNameBox(owner, text, first, caption, style);
    size_t headLength = (size_t)(secondSlot - text);
    size_t firstLength = first ? wcslen(first) : 0;
    size_t secondLength = second ? wcslen(second) : 0;
    size_t tailLength = strlen(secondSlot + 2);
    size_t capacity = headLength + firstLength + secondLength + tailLength + 1;
    if (firstLength >= SIZE_MAX / 4 / sizeof(WCHAR) || secondLength >= SIZE_MAX / 4 / sizeof(WCHAR))
        return ShowNameBox(owner, text, first, caption, style);
    WCHAR* box = (WCHAR*)malloc(capacity * sizeof(WCHAR));
    if (!box)
        return ShowNameBox(owner, text, first, caption, style);
    size_t at = AppendProgramText(box, capacity, 0, text, (size_t)(slot - text));
    memcpy(box + at, first ? first : L"", firstLength * sizeof(WCHAR));
    at += firstLength;
    at = AppendProgramText(box, capacity, at, slot + 2, (size_t)(secondSlot - slot - 2));
    memcpy(box + at, second ? second : L"", secondLength * sizeof(WCHAR));
    at += secondLength;
    AppendProgramText(box, capacity, at, secondSlot + 2, tailLength);
    int answer = ShowWideBox(owner, box, caption, style);
    free(box);
    return answer;
}
