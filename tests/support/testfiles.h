// Test data on real files: images whose every sector encodes its own number.
#pragma once

#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

// A fresh folder under the build folder, as a Windows path with a trailing "\".
std::string TestDir(const char* name);
// The build folder as a Windows path (Z:\...), with a trailing "\".
std::string BuildDirWindows();
// Unix path -> Z:\ path.
std::string ToWindowsPath(const std::string& unixPath);

enum ImageLayout { kImageMode1, kImageMode2, kImageMode2Headerless };

// The 2048 data bytes of sector `index`: every 4-byte word is (index << 11 | word number),
// so a wrong offset, order or sector cannot give the same bytes.
void FillSectorData(uint32_t index, unsigned char* data2048);
// Writes `sectors` whole sectors of the layout, then `trailing` extra bytes.
bool WriteImage(const std::string& path, ImageLayout layout, uint32_t sectors, uint32_t trailing = 0);
// The ISO that `sectors` sectors of any layout must give.
std::vector<unsigned char> ExpectedIso(uint32_t sectors);

// The same under a name of any language and length (a full path "X:\...").
bool WriteImage(const std::wstring& path, ImageLayout layout, uint32_t sectors);
std::vector<unsigned char> ReadFileBytes(const std::wstring& path);
// ANSI text in UTF-16, as the code page reads it.
std::wstring Wide(const std::string& text);

bool WriteFileBytes(const std::string& path, const void* data, size_t size);
std::vector<unsigned char> ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);
// Opens `path` as a viewer or scanner holds a new file: for reading, sharing
// read and write but not delete, so that nobody can delete the file meanwhile.
HANDLE OpenAsViewer(const std::string& path);
int64_t FileSize(const std::string& path);  // -1 when missing
// Names of the files (not folders) in `dir`, sorted.
std::vector<std::string> FilesIn(const std::string& dir);
// The one file in `dir` that is not among `before`; "" when there is none or more.
std::string NewFileIn(const std::string& dir, const std::vector<std::string>& before);
// A shortcut saved by the shell link object, as the shell makes one.
bool MakeShortcut(const std::string& shortcut, const std::string& target);
bool MakeShortcut(const std::wstring& shortcut, const std::wstring& target);
