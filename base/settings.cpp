#include "base/settings.h"
CTextBuf g_settingsFile;
int WriteString(const char*, const char*, const char*, const char*) { return 0; }
int WriteProgramString(const char*, const char*) { return 0; }
int GetString(const char*, const char*, const char*, char (&out)[kSettingsSize], const char*) { out[0] = 0; return 0; }
int GetProgramString(const char*, char (&)[kSettingsSize]) { return 0; }
int GetInt(const char*, const char*, int fallback, int, int) { return fallback; }
int GetProgramInt(const char*, int fallback) { return fallback; }
