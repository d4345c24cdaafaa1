// What a screen reader reads of the real program, read from another process
// as a reader reads it: Active Accessibility's object for each visible
// control's client area (AccessibleObjectFromWindow, OBJID_CLIENT), its name
// and role, on every page in both languages.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/driver.h"
#include "tests/support/settingsfile.h"
#include "tests/support/windows.h"

namespace {

// As the headers give it: MinGW's oleacc import library offers the name as a
// function stub, not as the GUID.
const IID kIidAccessible = __uuidof(IAccessible);

struct Reading {
    bool found = false;
    std::wstring name;
    LONG role = -1;
};

// Name and role of the object for `control`'s client area: the one the
// program answers with (`fromProgram`), or the one Windows makes for the
// control without asking it.
Reading Read(HWND control, bool fromProgram)
{
    Reading reading;
    IAccessible* object = nullptr;
    HRESULT got = fromProgram
                      ? AccessibleObjectFromWindow(control, OBJID_CLIENT, kIidAccessible, (void**)&object)
                      : CreateStdAccessibleObject(control, OBJID_CLIENT, kIidAccessible, (void**)&object);
    if (FAILED(got) || object == nullptr)
        return reading;
    reading.found = true;
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (SUCCEEDED(object->get_accName(self, &name)) && name != nullptr) {
        reading.name = name;
        SysFreeString(name);
    }
    VARIANT role;
    VariantInit(&role);
    if (SUCCEEDED(object->get_accRole(self, &role)) && role.vt == VT_I4)
        reading.role = role.lVal;
    VariantClear(&role);
    object->Release();
    return reading;
}

std::wstring Trimmed(const std::wstring& text)
{
    size_t first = text.find_first_not_of(L' ');
    size_t last = text.find_last_not_of(L' ');
    return first == std::wstring::npos ? std::wstring() : text.substr(first, last - first + 1);
}

std::string Narrow(const std::wstring& text)
{
    char buffer[512] = "";
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, buffer, sizeof(buffer), nullptr, nullptr);
    return buffer;
}

// Controls that show nothing to name: the sunken rules, the frames without
// a caption, and the two banner lines that never get a text. A reader passes
// over them as Windows leaves them.
bool IsDecoration(HWND control)
{
    char className[32] = "";
    GetClassNameA(control, className, sizeof(className));
    LONG style = GetWindowLongA(control, GWL_STYLE);
    bool empty = GetWindowTextLengthW(control) == 0;
    if (lstrcmpiA(className, "Button") == 0)
        return (style & BS_TYPEMASK) == BS_GROUPBOX && empty;
    if (lstrcmpiA(className, "Static") != 0)
        return false;
    LONG type = style & SS_TYPEMASK;
    return type == SS_GRAYFRAME || (type == SS_LEFT && empty);
}

bool IsIcon(HWND control)
{
    char className[32] = "";
    GetClassNameA(control, className, sizeof(className));
    return lstrcmpiA(className, "Static") == 0 && (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

struct Named {
    int id;
    const wchar_t* german;
    const wchar_t* english;
};

// The names the program gives; every other control is read as Windows
// derives it (its text, or the label before it).
const Named kNamed[] = {
    {IDC_BANNER, L"Kavonix", L"Kavonix"},
    {IDC_SOURCE_BROWSE, L"Quell-Image ausw\u00e4hlen", L"Browse for the source image"},
    {IDC_TARGET_BROWSE, L"Ziel-ISO w\u00e4hlen", L"Choose the target ISO"},
};

class ProgramAccessibility : public testing::Test {
protected:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override
    {
        program.Kill();
        DeleteSettingsFile();
        CoUninitialize();
    }
    // Every visible control of `parent` read; "<where> <id>" for each fault.
    void ExpectReadable(HWND parent, const char* where, int english, int* count)
    {
        for (HWND control = GetWindow(parent, GW_CHILD); control != nullptr;
             control = GetWindow(control, GW_HWNDNEXT)) {
            if (!(GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE))
                continue;
            char className[32] = "";
            GetClassNameA(control, className, sizeof(className));
            if (lstrcmpA(className, "#32770") == 0)
                continue;  // the page, read control by control
            int id = GetDlgCtrlID(control);
            SCOPED_TRACE(std::string(where) + " " + className + " " + std::to_string(id));
            ++*count;
            Reading read = Read(control, true);
            Reading derived = Read(control, false);
            ASSERT_TRUE(read.found);
            ASSERT_TRUE(derived.found);
            // The program's pictures, the banner and its icon, bear its name.
            const wchar_t* given = IsIcon(control) ? L"Kavonix" : nullptr;
            for (const Named& named : kNamed)
                given = named.id == id ? (english ? named.english : named.german) : given;
            if (given != nullptr) {
                EXPECT_EQ(Narrow(given), Narrow(read.name));
            } else if (IsDecoration(control)) {
                EXPECT_EQ("", Narrow(Trimmed(read.name)));
            } else {
                EXPECT_NE("", Narrow(Trimmed(read.name)));
                EXPECT_EQ(Narrow(derived.name), Narrow(read.name));
            }
            LONG role = id == IDC_LINK ? ROLE_SYSTEM_LINK : derived.role;
            EXPECT_EQ(role, read.role);
        }
    }

    CProgramDriver program;
};

}  // namespace

TEST_F(ProgramAccessibility, EveryVisibleControlHasANameAndItsRole)
{
    const struct {
        const char* stored;
        int pageControl;
        int controls;  // visible controls of the page
    } pages[] = {
        {"0", IDC_CONVERT, 11},
        {"4", IDC_ENGLISH, 2},
        {"5", IDC_LINK, 12},
        {"6", IDC_RECOMMEND, 4},
    };
    for (int english = 0; english < 2; ++english) {
        for (const auto& page : pages) {
            SCOPED_TRACE(std::string(english ? "English" : "German") + ", page " + page.stored);
            WriteProgramSettings(page.stored, english ? "1" : "0");
            ASSERT_TRUE(program.Start());
            HWND main = program.WaitForMainDialog();
            ASSERT_NE(nullptr, main);
            HWND shown = program.WaitForPage(page.pageControl);
            ASSERT_NE(nullptr, shown);
            int mainControls = 0;
            int pageControls = 0;
            ExpectReadable(main, "main", english, &mainControls);
            ExpectReadable(shown, "page", english, &pageControls);
            // Four tabs, "&ESC", two rules, the version, the banner and its two lines.
            EXPECT_EQ(11, mainControls);
            EXPECT_EQ(page.controls, pageControls);
            if (page.pageControl == IDC_LINK) {
                Reading link = Read(GetDlgItem(shown, IDC_LINK), true);
                EXPECT_EQ("www.kavonix.example", Narrow(link.name));
                EXPECT_EQ(ROLE_SYSTEM_LINK, link.role);
            }
            program.Kill();
        }
    }
}
