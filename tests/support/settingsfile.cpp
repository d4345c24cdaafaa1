#include "tests/support/settingsfile.h"

#include <windows.h>

#include <string.h>

#include "tests/support/testfiles.h"

std::string SettingsFilePath()
{
    char dir[MAX_PATH] = "";
    GetWindowsDirectoryA(dir, sizeof(dir));
    std::string path = dir;
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path + "KAVONIX.INI";
}

// The profile functions keep files in a cache; releasing it makes the next read
// look at the disk again.
static void FlushProfileCache()
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, SettingsFilePath().c_str());
}

void DeleteSettingsFile()
{
    FlushProfileCache();
    DeleteFileA(SettingsFilePath().c_str());
    FlushProfileCache();
}

void WriteSettingsText(const std::string& text)
{
    FlushProfileCache();
    WriteFileBytes(SettingsFilePath(), text.data(), text.size());
    FlushProfileCache();
}

void WriteProgramSettings(const char* page, const char* language)
{
    std::string text = "[Program]\r\n";
    if (page)
        text += std::string("Starte mit=") + page + "\r\n";
    if (language)
        text += std::string("m_lang_id=") + language + "\r\n";
    WriteSettingsText(text);
}

std::string ReadSettingsText()
{
    std::vector<unsigned char> bytes = ReadFileBytes(SettingsFilePath());
    return std::string(bytes.begin(), bytes.end());
}

bool SettingsFileExists()
{
    return FileExists(SettingsFilePath());
}

static std::string Trim(const std::string& text)
{
    size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return std::string();
    size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

bool ReadProgramSetting(const char* key, std::string* value)
{
    std::string text = ReadSettingsText();
    bool inProgram = false;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = Trim(text.substr(at, end - at));
        at = end + 1;
        if (!line.empty() && line[0] == '[') {
            inProgram = _stricmp(line.c_str(), "[Program]") == 0;
            continue;
        }
        size_t equals = line.find('=');
        if (!inProgram || equals == std::string::npos)
            continue;
        if (_stricmp(Trim(line.substr(0, equals)).c_str(), key) == 0) {
            if (value)
                *value = Trim(line.substr(equals + 1));
            return true;
        }
    }
    return false;
}

std::string ProgramSetting(const char* key)
{
    std::string value;
    return ReadProgramSetting(key, &value) ? value : std::string("<absent>");
}
