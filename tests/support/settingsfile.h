// The program's settings file as a test sees it: the real file in the Windows
// directory of the test prefix, read and written as bytes on disk.
#pragma once

#include <string>

// GetWindowsDirectoryA + "\KAVONIX.INI".
std::string SettingsFilePath();
// Removes the file and drops this process's cached copy of it.
void DeleteSettingsFile();
// Replaces the whole file with `text` (INI lines).
void WriteSettingsText(const std::string& text);
// "[Program]" with the given "Starte mit" and "m_lang_id" lines; a null value leaves its line out.
void WriteProgramSettings(const char* page, const char* language);
// The file's bytes, "" when missing.
std::string ReadSettingsText();
bool SettingsFileExists();
// Value of `key` in section "Program", parsed from the bytes on disk; false when absent.
bool ReadProgramSetting(const char* key, std::string* value);
// The value, or "<absent>".
std::string ProgramSetting(const char* key);
