// Names and roles for screen readers on real windows of this process: which
// object ids a named control answers for, and an object held after its
// control has gone.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>

#include "app/accessible.h"
#include "tests/support/windows.h"

namespace {

const IID kIidAccessible = __uuidof(IAccessible);

VARIANT Self()
{
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
}

std::wstring NameOf(IAccessible* object)
{
    BSTR name = nullptr;
    std::wstring text = L"<none>";
    if (SUCCEEDED(object->get_accName(Self(), &name)) && name != nullptr) {
        text = name;
        SysFreeString(name);
    }
    return text;
}

LONG RoleOf(IAccessible* object)
{
    VARIANT role;
    VariantInit(&role);
    LONG value = -1;
    if (SUCCEEDED(object->get_accRole(Self(), &role)) && role.vt == VT_I4)
        value = role.lVal;
    VariantClear(&role);
    return value;
}

IAccessible* ObjectOf(HWND window, LONG id)
{
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, (DWORD)id, kIidAccessible, (void**)&object)))
        return nullptr;
    return object;
}

class AccessibleName : public testing::Test {
protected:
    void SetUp() override
    {
        m_top = CreateWindowExW(0, L"#32770", L"Fenster", WS_POPUP | WS_VISIBLE, 10, 10, 300, 200, nullptr, nullptr,
                                nullptr, nullptr);
        m_button = CreateWindowExW(0, L"Button", L"...", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 40, 20, m_top,
                                   (HMENU)7, nullptr, nullptr);
        ASSERT_NE(nullptr, m_button);
    }
    void TearDown() override
    {
        if (m_top != nullptr)
            DestroyWindow(m_top);
        PumpMessages();
    }
    HWND m_top = nullptr;
    HWND m_button = nullptr;
};

}  // namespace

// Only the object of the client area is the program's: the window object
// (frame, caption) stays Windows' own. The object id arrives sign-extended
// or not on 64-bit Windows; both are the client area.
TEST_F(AccessibleName, AnswersForTheClientAreaOnly)
{
    ASSERT_EQ(1, SetAccessibleName(m_button, "Quell-Image ausw\xE4hlen", 0));
    IAccessible* client = ObjectOf(m_button, OBJID_CLIENT);
    ASSERT_NE(nullptr, client);
    EXPECT_EQ(L"Quell-Image ausw\u00e4hlen", NameOf(client));
    IAccessible* standard = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CreateStdAccessibleObject(m_button, OBJID_CLIENT, kIidAccessible, (void**)&standard));
    EXPECT_EQ(RoleOf(standard), RoleOf(client)) << "the role stays Windows' own";
    standard->Release();
    client->Release();

    IAccessible* frame = ObjectOf(m_button, OBJID_WINDOW);
    ASSERT_NE(nullptr, frame);
    EXPECT_NE(L"Quell-Image ausw\u00e4hlen", NameOf(frame));
    frame->Release();
    EXPECT_EQ(0, SendMessageW(m_button, WM_GETOBJECT, 0, (LPARAM)OBJID_WINDOW));
    EXPECT_EQ(0, SendMessageW(m_button, WM_GETOBJECT, 0, (LPARAM)OBJID_CARET));

    long alive = AccessibleObjectsAlive();
    for (LPARAM id : {(LPARAM)(LONG)OBJID_CLIENT, (LPARAM)(DWORD)OBJID_CLIENT}) {
        LRESULT answer = SendMessageW(m_button, WM_GETOBJECT, 0, id);
        ASSERT_GT(answer, 0) << "object id " << std::hex << id;
        IAccessible* object = nullptr;
        ASSERT_HRESULT_SUCCEEDED(ObjectFromLresult(answer, kIidAccessible, 0, (void**)&object));
        EXPECT_EQ(L"Quell-Image ausw\u00e4hlen", NameOf(object));
        object->Release();
    }
    EXPECT_EQ(alive, AccessibleObjectsAlive());
}

// A null name keeps the one Windows derives; a second call replaces the first.
TEST_F(AccessibleName, RoleAloneAndReplaced)
{
    HWND text = CreateWindowExW(0, L"Static", L"www.kavonix.example", WS_CHILD | WS_VISIBLE, 10, 40, 200, 20, m_top,
                                (HMENU)8, nullptr, nullptr);
    ASSERT_EQ(1, SetAccessibleName(text, nullptr, ROLE_SYSTEM_LINK));
    IAccessible* object = ObjectOf(text, OBJID_CLIENT);
    ASSERT_NE(nullptr, object);
    EXPECT_EQ(L"www.kavonix.example", NameOf(object));
    EXPECT_EQ(ROLE_SYSTEM_LINK, RoleOf(object));
    object->Release();

    ASSERT_EQ(1, SetAccessibleName(text, "Kavonix", 0));
    object = ObjectOf(text, OBJID_CLIENT);
    ASSERT_NE(nullptr, object);
    EXPECT_EQ(L"Kavonix", NameOf(object));
    EXPECT_NE(ROLE_SYSTEM_LINK, RoleOf(object));
    object->Release();
    EXPECT_EQ(-1, SetAccessibleName(nullptr, "Kavonix", 0));
}

// A reader may hold the object after the control is gone: it still answers
// with the name it was given, and goes when the reader lets it go.
TEST_F(AccessibleName, ObjectOutlivesItsControl)
{
    long alive = AccessibleObjectsAlive();
    ASSERT_EQ(1, SetAccessibleName(m_button, "Ziel-ISO w\xE4hlen", ROLE_SYSTEM_PUSHBUTTON));
    IAccessible* object = ObjectOf(m_button, OBJID_CLIENT);
    ASSERT_NE(nullptr, object);
    IAccessible* second = ObjectOf(m_button, OBJID_CLIENT);
    ASSERT_NE(nullptr, second);
    DestroyWindow(m_button);
    m_button = nullptr;
    PumpMessages();
    EXPECT_EQ(L"Ziel-ISO w\u00e4hlen", NameOf(object));
    EXPECT_EQ(ROLE_SYSTEM_PUSHBUTTON, RoleOf(object));
    IOleWindow* window = nullptr;
    ASSERT_HRESULT_SUCCEEDED(object->QueryInterface(IID_IOleWindow, (void**)&window));
    window->Release();
    EXPECT_EQ(alive + 2, AccessibleObjectsAlive());
    EXPECT_EQ(0u, second->Release());
    EXPECT_EQ(0u, object->Release());
    EXPECT_EQ(alive, AccessibleObjectsAlive()) << "an object stays after its last reader";
}
