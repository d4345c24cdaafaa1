#include "tests/support/testfiles.h"

#include <objbase.h>
#include <shlobj.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include <algorithm>

std::string ToWindowsPath(const std::string& unixPath)
{
    std::string out = "Z:";
    for (char c : unixPath)
        out += (c == '/') ? '\\' : c;
    return out;
}

std::string BuildDirWindows()
{
    const char* build = getenv("KAVONIX_BUILD");
    std::string dir;
    if (build && *build) {
        dir = ToWindowsPath(build);
    } else {
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        dir = temp;
    }
    if (dir.empty() || dir.back() != '\\')
        dir += '\\';
    return dir;
}

std::string TestDir(const char* name)
{
    std::string dir = BuildDirWindows() + "testfiles\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    dir += name;
    dir += '\\';
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

void FillSectorData(uint32_t index, unsigned char* data)
{
    for (uint32_t word = 0; word < 512; ++word) {
        uint32_t v = (index << 11) | word;
        memcpy(data + word * 4, &v, 4);
    }
}

static const unsigned char kSync[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

bool WriteImage(const std::string& path, ImageLayout layout, uint32_t sectors, uint32_t trailing)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    unsigned char sector[2352];
    for (uint32_t i = 0; i < sectors; ++i) {
        memset(sector, 0xEE, sizeof(sector));  // filler that never looks like data
        size_t size = 2352, dataAt = 16;
        if (layout == kImageMode1 || layout == kImageMode2) {
            memcpy(sector, kSync, 12);
            sector[12] = (unsigned char)(i & 0xFF);
            sector[13] = (unsigned char)((i >> 8) & 0xFF);
            sector[14] = (unsigned char)((i >> 16) & 0xFF);
            sector[15] = layout == kImageMode1 ? 1 : 2;
            dataAt = layout == kImageMode1 ? 16 : 24;
        } else {
            size = 2336;
            dataAt = 8;
            memset(sector, 0x11, 8);  // subheader
        }
        FillSectorData(i, sector + dataAt);
        if (fwrite(sector, 1, size, f) != size) {
            fclose(f);
            return false;
        }
    }
    for (uint32_t i = 0; i < trailing; ++i)
        fputc(0x5A, f);
    return fclose(f) == 0;
}

std::vector<unsigned char> ExpectedIso(uint32_t sectors)
{
    std::vector<unsigned char> out((size_t)sectors * 2048);
    for (uint32_t i = 0; i < sectors; ++i)
        FillSectorData(i, out.data() + (size_t)i * 2048);
    return out;
}

std::wstring Wide(const std::string& text)
{
    int size = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(size > 0 ? (size_t)size : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], size);
    wide.resize(wcslen(wide.c_str()));
    return wide;
}

// A full drive path as the wide file calls take it at any length.
static std::wstring RawPath(const std::wstring& path)
{
    return path.size() > 2 && path[1] == L':' ? L"\\\\?\\" + path : path;
}

bool WriteImage(const std::wstring& path, ImageLayout layout, uint32_t sectors)
{
    std::string made = BuildDirWindows() + "testfiles\\named-image.tmp";
    return WriteImage(made, layout, sectors) &&
           MoveFileExW(Wide(made).c_str(), RawPath(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED);
}

std::vector<unsigned char> ReadFileBytes(const std::wstring& path)
{
    std::vector<unsigned char> out;
    HANDLE file = CreateFileW(RawPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return out;
    unsigned char buf[65536];
    DWORD n = 0;
    while (ReadFile(file, buf, sizeof(buf), &n, nullptr) && n > 0)
        out.insert(out.end(), buf, buf + n);
    CloseHandle(file);
    return out;
}

bool WriteFileBytes(const std::string& path, const void* data, size_t size)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(data, 1, size, f) == size;
    return (fclose(f) == 0) && ok;
}

std::vector<unsigned char> ReadFileBytes(const std::string& path)
{
    std::vector<unsigned char> out;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return out;
    unsigned char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
        out.insert(out.end(), buf, buf + n);
    fclose(f);
    return out;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

HANDLE OpenAsViewer(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

int64_t FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return ((int64_t)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

std::vector<std::string> FilesIn(const std::string& dir)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dir + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::string NewFileIn(const std::string& dir, const std::vector<std::string>& before)
{
    std::vector<std::string> added;
    for (const std::string& name : FilesIn(dir))
        if (std::find(before.begin(), before.end(), name) == before.end())
            added.push_back(name);
    return added.size() == 1 ? added[0] : std::string();
}

bool MakeShortcut(const std::wstring& shortcut, const std::wstring& target)
{
    HRESULT com = CoInitialize(nullptr);
    bool saved = false;
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&link))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->SetPath(target.c_str())) &&
            SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file))) {
            saved = SUCCEEDED(file->Save(shortcut.c_str(), TRUE));
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return saved;
}

bool MakeShortcut(const std::string& shortcut, const std::string& target)
{
    WCHAR wideShortcut[1024];
    WCHAR wideTarget[1024];
    if (!MultiByteToWideChar(CP_ACP, 0, shortcut.c_str(), -1, wideShortcut, 1024) ||
        !MultiByteToWideChar(CP_ACP, 0, target.c_str(), -1, wideTarget, 1024))
        return false;
    return MakeShortcut(std::wstring(wideShortcut), std::wstring(wideTarget));
}
