// The program file as it ships, read from outside through the platform's own
// calls: its version resource, and no manifest that declares an execution level.
#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "tests/e2e/driver.h"

static const char kVersionText[] = "1.64.2.0";
static const WORD kGerman = 0x0407;
static const WORD kWesternCodePage = 1252;

// The string `name` of block 040704E4, or "<absent>".
static std::string VersionString(const std::vector<BYTE>& info, const char* name)
{
    std::string path = std::string("\\StringFileInfo\\040704E4\\") + name;
    char* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), path.c_str(), (void**)&value, &length) || value == nullptr)
        return "<absent>";
    // The length counts the terminating zero, where there is one.
    return std::string(value, strnlen(value, length));
}

TEST(ProgramFile, CarriesTheVersionInGerman)
{
    std::string path = ProgramPath();
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_NE(0u, size) << path << ": no version resource, error " << GetLastError();
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", (void**)&fixed, &fixedLength));
    ASSERT_GE(fixedLength, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(VS_FFI_SIGNATURE, fixed->dwSignature);
    EXPECT_EQ(MAKELONG(64, 1), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(0, 2), fixed->dwFileVersionLS);
    EXPECT_EQ(MAKELONG(64, 1), fixed->dwProductVersionMS);
    EXPECT_EQ(MAKELONG(0, 2), fixed->dwProductVersionLS);
    EXPECT_EQ((DWORD)VFT_APP, fixed->dwFileType);

    WORD* translation = nullptr;
    UINT translationLength = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", (void**)&translation,
                               &translationLength));
    ASSERT_EQ(2 * sizeof(WORD), translationLength);
    EXPECT_EQ(kGerman, translation[0]);
    EXPECT_EQ(kWesternCodePage, translation[1]);

    EXPECT_EQ(kVersionText, VersionString(info, "FileVersion"));
    EXPECT_EQ(kVersionText, VersionString(info, "ProductVersion"));
    EXPECT_EQ("Kavonix", VersionString(info, "ProductName"));
    EXPECT_EQ("KAVONIX.EXE", VersionString(info, "OriginalFilename"));
    // The two downloads hold one file name: the description tells them apart.
    EXPECT_EQ(std::string("Kavonix (") + (sizeof(void*) == 8 ? "64" : "32") +
                  " Bit): CD-Abbild BIN (2352 / 2336) nach ISO (2048)",
              VersionString(info, "FileDescription"));
}

static BOOL CALLBACK CollectManifest(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param)
{
    std::vector<std::string>* manifests = (std::vector<std::string>*)param;
    HRSRC found = FindResourceA(module, name, type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* bytes = loaded ? (const char*)LockResource(loaded) : nullptr;
    if (bytes != nullptr)
        manifests->push_back(std::string(bytes, SizeofResource(module, found)));
    else
        manifests->push_back("<unreadable>");
    return TRUE;
}

// The settings file is named without a folder, so it lives in the Windows
// directory. Since Vista a standard user may write there only through the file
// virtualization Windows gives to programs whose manifest declares no
// execution level; with one, every settings write would fail.
TEST(ProgramFile, DeclaresNoExecutionLevel)
{
    HMODULE module = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module) << ProgramPath() << ": error " << GetLastError();
    std::vector<std::string> manifests;
    // False with ERROR_RESOURCE_TYPE_NOT_FOUND when there is no manifest at all.
    EnumResourceNamesA(module, (LPCSTR)RT_MANIFEST, CollectManifest, (LONG_PTR)&manifests);
    FreeLibrary(module);

    for (const std::string& manifest : manifests) {
        EXPECT_NE("<unreadable>", manifest);
        EXPECT_EQ(std::string::npos, manifest.find("requestedExecutionLevel")) << manifest;
    }
}

typedef BOOL(WINAPI* QueryActCtxSettingsProc)(DWORD, HANDLE, PCWSTR, PCWSTR, PWSTR, SIZE_T, SIZE_T*);

// The manifest as Windows reads it when the program starts: resource 1 made
// into an activation context, and its setting asked for by name. It declares
// the program DPI-aware, so that Windows draws it at the screen's scale, and
// nothing that would change how it runs: no execution level (the settings
// file's VirtualStore), no OS list, no long paths, no GDI scaling and no common
// controls 6. Asked for at run time: Windows XP has no QueryActCtxSettingsW.
TEST(ProgramFile, DeclaresDpiAwarenessAndNothingElse)
{
    std::string path = ProgramPath();
    std::wstring widePath(path.begin(), path.end());
    ACTCTXW request = {};
    request.cbSize = sizeof(request);
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = widePath.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE context = CreateActCtxW(&request);
    ASSERT_NE(INVALID_HANDLE_VALUE, context) << path << ": no manifest 1, error " << GetLastError();
    QueryActCtxSettingsProc query = (QueryActCtxSettingsProc)(void*)GetProcAddress(
        GetModuleHandleA("kernel32.dll"), "QueryActCtxSettingsW");
    WCHAR value[64] = L"";
    SIZE_T written = 0;
    BOOL found = query != nullptr &&
                 query(0, context, L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware", value,
                       sizeof(value) / sizeof(value[0]), &written);
    ReleaseActCtx(context);
    ASSERT_NE(nullptr, query);
    EXPECT_TRUE(found) << "error " << GetLastError();
    EXPECT_STREQ(L"true", value);

    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    std::vector<std::string> manifests;
    EnumResourceNamesA(module, (LPCSTR)RT_MANIFEST, CollectManifest, (LONG_PTR)&manifests);
    FreeLibrary(module);
    ASSERT_EQ(1u, manifests.size());
    const std::string& manifest = manifests[0];
    EXPECT_EQ(0u, manifest.find("<?xml version=\"1.0\" encoding=\"UTF-8\"")) << manifest;
    for (const char* absent : {"trustInfo", "requestedExecutionLevel", "supportedOS", "longPathAware", "gdiScaling",
                               "dpiAwareness", "Microsoft.Windows.Common-Controls"})
        EXPECT_EQ(std::string::npos, manifest.find(absent)) << absent;
    // The identity first, and one v3 application element.
    EXPECT_LT(manifest.find("<assemblyIdentity"), manifest.find("<application"));
    size_t application = manifest.find("urn:schemas-microsoft-com:asm.v3");
    EXPECT_NE(std::string::npos, application);
    EXPECT_EQ(std::string::npos, manifest.find("urn:schemas-microsoft-com:asm.v3", application + 1));
}
