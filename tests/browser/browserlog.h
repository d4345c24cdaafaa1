// Points Wine's browser launcher at record-browser.sh for the life of the
// object and reads the addresses it was started with, one per line.
#pragma once

#include <windows.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "tests/support/testfiles.h"
#include "tests/support/windows.h"

class BrowserLog {
public:
    explicit BrowserLog(const char* name)
    {
        const char* build = getenv("KAVONIX_BUILD");
        const char* source = getenv("KAVONIX_SOURCE");
        TestDir(name);
        m_unixPath = std::string(build ? build : "/tmp") + "/testfiles/" + name + "/browser.log";
        m_path = ToWindowsPath(m_unixPath);
        DeleteFileA(m_path.c_str());
        // The launcher splits the command like a command line: the log is the script's first argument.
        std::string script = "\"" + std::string(source ? source : ".") + "/tests/browser/record-browser.sh\" \"" +
                             m_unixPath + "\"";
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(key, "Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(script.c_str()),
                           static_cast<DWORD>(script.size() + 1));
            RegCloseKey(key);
        }
    }
    ~BrowserLog()
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", 0, KEY_ALL_ACCESS, &key) ==
            ERROR_SUCCESS) {
            RegDeleteValueA(key, "Browsers");
            RegCloseKey(key);
        }
    }

    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        std::vector<unsigned char> bytes = ReadFileBytes(m_path);
        std::string line;
        for (unsigned char c : bytes) {
            if (c == '\n') {
                lines.push_back(line);
                line.clear();
            } else {
                line += static_cast<char>(c);
            }
        }
        return lines;
    }
    bool WaitForLines(size_t count, DWORD timeoutMs) const
    {
        return WaitUntil([&] { return Lines().size() >= count; }, timeoutMs);
    }
    const std::string& UnixPath() const { return m_unixPath; }

private:
    std::string m_unixPath;
    std::string m_path;
};
