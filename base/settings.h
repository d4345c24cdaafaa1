// Settings store: section "Program" of the profile file "KAVONIX.INI".
#pragma once

#include "base/sizes.h"
#include "base/textbuf.h"

extern CTextBuf g_settingsFile;

// A null file name means the program's settings file.
int WriteString(const char* section, const char* key, const char* value, const char* file);
int WriteProgramString(const char* key, const char* value);
int GetString(const char* section, const char* key, const char* fallback,
              char (&out)[kSettingsSize], const char* file);
// The buffer's current content is the default.
int GetProgramString(const char* key, char (&buffer)[kSettingsSize]);
// A minimum or maximum of -1 turns clamping off.
int GetInt(const char* section, const char* key, int fallback, int minimum, int maximum);
int GetProgramInt(const char* key, int fallback);
