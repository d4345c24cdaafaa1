// Puts the recording MAPI32.DLL where the program looks for one, and reads
// what it wrote down: one entry per MAPISendMail call, each a set of fields.
// Numbers and "set"/"null" markers are written as "key=value", texts as
// "key#length=bytes" so that any byte can be checked.
#pragma once

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/testfiles.h"

struct MapiCall {
    std::map<std::string, std::string> fields;

    bool Has(const std::string& key) const { return fields.count(key) != 0; }
    std::string Get(const std::string& key) const
    {
        auto found = fields.find(key);
        return found == fields.end() ? std::string("<missing>") : found->second;
    }
    unsigned long Number(const std::string& key) const { return strtoul(Get(key).c_str(), nullptr, 10); }
};

inline std::vector<MapiCall> ParseMapiCalls(const std::string& data)
{
    std::vector<MapiCall> calls;
    size_t at = 0;
    while (at < data.size()) {
        size_t lineEnd = data.find('\n', at);
        if (lineEnd == std::string::npos)
            break;
        std::string line = data.substr(at, lineEnd - at);
        if (line == "MAPISendMail") {
            calls.push_back(MapiCall());
            at = lineEnd + 1;
            continue;
        }
        if (line == "end" || calls.empty()) {
            at = lineEnd + 1;
            continue;
        }
        size_t mark = line.find_first_of("=#");
        if (mark == std::string::npos) {
            at = lineEnd + 1;
            continue;
        }
        std::string key = line.substr(0, mark);
        if (line[mark] == '=') {
            calls.back().fields[key] = line.substr(mark + 1);
            at = lineEnd + 1;
            continue;
        }
        size_t equals = data.find('=', at + mark);
        size_t length = strtoul(data.substr(at + mark + 1, equals - at - mark - 1).c_str(), nullptr, 10);
        calls.back().fields[key] = data.substr(equals + 1, length);
        at = equals + 1 + length + 1;
    }
    return calls;
}

inline std::vector<MapiCall> ReadMapiCalls(const std::string& path)
{
    std::string data;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        data.append(buffer, got);
    CloseHandle(file);
    return ParseMapiCalls(data);
}

// Where the recording MAPI32.DLL of this process (and of programs it starts)
// writes, and what it answers.
class MapiLog {
public:
    explicit MapiLog(const std::string& path, unsigned long result = 0) : m_path(path)
    {
        DeleteFileA(m_path.c_str());
        SetEnvironmentVariableA("KAVONIX_MAPI_LOG", m_path.c_str());
        Answer(result);
    }
    ~MapiLog()
    {
        SetEnvironmentVariableA("KAVONIX_MAPI_LOG", nullptr);
        SetEnvironmentVariableA("KAVONIX_MAPI_RESULT", nullptr);
        SetEnvironmentVariableA("KAVONIX_MAPI_NO_UNICODE", nullptr);
    }
    void Answer(unsigned long result)
    {
        char text[32];
        snprintf(text, sizeof(text), "%lu", result);
        SetEnvironmentVariableA("KAVONIX_MAPI_RESULT", text);
    }
    // A client whose wide call takes no Unicode: asked for it, it answers
    // MAPI_E_UNICODE_NOT_SUPPORTED.
    void WithoutUnicode(bool without)
    {
        SetEnvironmentVariableA("KAVONIX_MAPI_NO_UNICODE", without ? "1" : nullptr);
    }
    std::vector<MapiCall> Calls() const { return ReadMapiCalls(m_path); }
    void Clear() const { DeleteFileA(m_path.c_str()); }

private:
    std::string m_path;
};

// Where the program looks for MAPI32.DLL: the system folder.
inline std::string SystemMapiPath()
{
    char folder[MAX_PATH] = "";
    GetSystemDirectoryA(folder, sizeof(folder));
    return std::string(folder) + "\\MAPI32.DLL";
}

// The recording MAPI32.DLL as built (<build>\tests\MAPI32.dll).
inline std::string BuiltMapiPath()
{
    return BuildDirWindows() + "tests\\MAPI32.dll";
}

// The recording MAPI32.DLL without MAPISendMailW (<build>\tests\ansi-mapi\MAPI32.dll).
inline std::string BuiltAnsiMapiPath()
{
    return BuildDirWindows() + "tests\\ansi-mapi\\MAPI32.dll";
}

// Puts the recording MAPI32.DLL into the system folder. A copy that is
// already there and the same is left alone: this process may have it loaded.
inline bool InstallRecordingMapi()
{
    std::vector<unsigned char> built = ReadFileBytes(BuiltMapiPath());
    if (built.empty())
        return false;
    if (ReadFileBytes(SystemMapiPath()) == built)
        return true;
    return CopyFileA(BuiltMapiPath().c_str(), SystemMapiPath().c_str(), FALSE) != FALSE;
}

// No mail client at all: no MAPI32.DLL in the system folder.
inline bool RemoveSystemMapi()
{
    DeleteFileA(SystemMapiPath().c_str());
    return !FileExists(SystemMapiPath());
}
