// Settings store: the program's two persistent values, kept as text in section
// "Program" of a profile file that the platform's profile functions resolve.
#include "base/settings.h"

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

// Set before the entry runs, so every settings call of the program finds the name.
CTextBuf g_settingsFile = CTextBuf().InitFrom("KAVONIX.INI");

static const char kProgramSection[] = "Program";

static const char* SettingsFileName(const char* file)
{
    return file != nullptr ? file : g_settingsFile.Text();
}

int WriteString(const char* section, const char* key, const char* value, const char* file)
{
    return WritePrivateProfileStringA(section, key, value, SettingsFileName(file));
}

int WriteProgramString(const char* key, const char* value)
{
    return WriteString(kProgramSection, key, value, nullptr);
}

int GetString(const char* section, const char* key, const char* fallback,
              char (&out)[kSettingsSize], const char* file)
{
    return (int)GetPrivateProfileStringA(section, key, fallback, out, (DWORD)sizeof(out),
                                         SettingsFileName(file));
}

int GetProgramString(const char* key, char (&buffer)[kSettingsSize])
{
    // The caller's text is the default; a copy keeps the platform call off overlapping buffers.
    char fallback[kSettingsSize];
    lstrcpynA(fallback, buffer, (int)sizeof(fallback));
    return GetString(kProgramSection, key, fallback, buffer, nullptr);
}

int GetInt(const char* section, const char* key, int fallback, int minimum, int maximum)
{
    char fallbackText[kSettingsSize] = {0};
    char valueText[kSettingsSize] = {0};
    snprintf(fallbackText, sizeof(fallbackText), "%d", fallback);

    int value = fallback;
    if (GetString(section, key, fallbackText, valueText, nullptr) != 0)
        value = atoi(valueText);

    if (minimum == -1 || maximum == -1)
        return value;
    // The maximum first: with minimum above maximum the minimum wins.
    if (value > maximum)
        value = maximum;
    if (value < minimum)
        value = minimum;
    return value;
}

int GetProgramInt(const char* key, int fallback)
{
    return GetInt(kProgramSection, key, fallback, -1, -1);
}
