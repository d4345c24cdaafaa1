// Names and roles for screen readers. A named control answers WM_GETOBJECT
// for its client area with the object Windows makes for it
// (CreateStdAccessibleObject), wrapped so that only the name and the role
// differ. Windows offers this to plain controls from XP on, without common
// controls 6; dynamic annotation (IAccPropServices) would do the same, but
// is not implemented everywhere the program runs. The object is handed over
// by LresultFromObject, which marshals it for a reader in another process.
#include "app/accessible.h"

#include <ole2.h>
#include <oleacc.h>
#include <stdlib.h>
#include <new>

#include "base/sizes.h"
#include "base/systemlib.h"
#include "base/widetext.h"

namespace {

// OLEACC.DLL is not one of Windows' known libraries: it is loaded from the
// system folder by full path when a reader first asks, and stays loaded, as
// the objects handed out run its code.
bool g_accessibilityLoaded = false;
CreateStdAccessibleObjectProc g_createStandardObject = nullptr;
LresultFromObjectProc g_resultFromObject = nullptr;

// IID_IAccessible, given here: the program imports nothing from OLEACC, and
// MinGW's import library offers the name as a function stub, not the GUID.
const IID kIidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

const WCHAR kLabelProperty[] = L"Kavonix.AccessibleLabel";

// Readers may hold objects on any thread.
volatile LONG g_objectsAlive = 0;

// What a named control holds while it lives.
struct AccessibleLabel {
    WNDPROC original;
    LONG role;
    WCHAR name[kPieceSize];
};

bool LoadAccessibility()
{
    if (g_accessibilityLoaded)
        return g_createStandardObject != nullptr && g_resultFromObject != nullptr;
    g_accessibilityLoaded = true;
    HMODULE library = LoadSystemLibrary(L"OLEACC.DLL");
    if (library == nullptr)
        return false;
    g_createStandardObject =
        FindSystemFunction<CreateStdAccessibleObjectProc>(library, "CreateStdAccessibleObject");
    g_resultFromObject = FindSystemFunction<LresultFromObjectProc>(library, "LresultFromObject");
    return g_createStandardObject != nullptr && g_resultFromObject != nullptr;
}

bool IsSelf(const VARIANT& child)
{
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The object Windows makes for the control, with the name and the role
// changed. It keeps copies of both: a reader may hold it after the control is
// gone, and Windows' object then answers for the window as it does for any
// window that no longer exists.
class CLabelledAccessible final : public IAccessible, public IOleWindow {
public:
    CLabelledAccessible(HWND window, IAccessible* standard, const AccessibleLabel& label)
        : m_references(1), m_window(window), m_standard(standard), m_role(label.role)
    {
        m_standard->AddRef();
        lstrcpynW(m_name, label.name, (int)kPieceSize);
        InterlockedIncrement(&g_objectsAlive);
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kIidAccessible)) {
            *object = static_cast<IAccessible*>(this);
        } else if (IsEqualIID(iid, IID_IOleWindow)) {
            *object = static_cast<IOleWindow*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return (ULONG)InterlockedIncrement(&m_references); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG left = InterlockedDecrement(&m_references);
        if (left == 0)
            delete this;
        return (ULONG)left;
    }

    // IDispatch: a late-bound reader calls through the type information
    // into this object, so that it reads the changed name and role too.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override { return m_standard->GetTypeInfoCount(count); }
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override
    {
        return m_standard->GetTypeInfo(index, locale, info);
    }
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override
    {
        return m_standard->GetIDsOfNames(iid, names, count, locale, ids);
    }
    STDMETHODIMP Invoke(DISPID member, REFIID, LCID locale, WORD flags, DISPPARAMS* parameters,
                        VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override
    {
        ITypeInfo* info = nullptr;
        HRESULT found = m_standard->GetTypeInfo(0, locale, &info);
        if (FAILED(found))
            return found;
        HRESULT invoked = info->Invoke(static_cast<IAccessible*>(this), member, flags, parameters, result,
                                       exception, argumentError);
        info->Release();
        return invoked;
    }

    // IAccessible: the name and the role of the control itself; everything
    // else, and its children, as Windows has them.
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override
    {
        if (!IsSelf(child) || m_name[0] == L'\0')
            return m_standard->get_accName(child, name);
        if (name == nullptr)
            return E_INVALIDARG;
        *name = SysAllocString(m_name);
        return *name != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override
    {
        if (!IsSelf(child) || m_role == 0)
            return m_standard->get_accRole(child, role);
        if (role == nullptr)
            return E_INVALIDARG;
        role->vt = VT_I4;
        role->lVal = m_role;
        return S_OK;
    }
    STDMETHODIMP get_accParent(IDispatch** parent) override { return m_standard->get_accParent(parent); }
    STDMETHODIMP get_accChildCount(LONG* count) override { return m_standard->get_accChildCount(count); }
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** object) override
    {
        return m_standard->get_accChild(child, object);
    }
    STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override { return m_standard->get_accValue(child, value); }
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* text) override
    {
        return m_standard->get_accDescription(child, text);
    }
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override { return m_standard->get_accState(child, state); }
    STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override { return m_standard->get_accHelp(child, help); }
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override
    {
        return m_standard->get_accHelpTopic(file, child, topic);
    }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override
    {
        return m_standard->get_accKeyboardShortcut(child, shortcut);
    }
    STDMETHODIMP get_accFocus(VARIANT* child) override { return m_standard->get_accFocus(child); }
    STDMETHODIMP get_accSelection(VARIANT* children) override { return m_standard->get_accSelection(children); }
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        return m_standard->get_accDefaultAction(child, action);
    }
    STDMETHODIMP accSelect(LONG flags, VARIANT child) override { return m_standard->accSelect(flags, child); }
    STDMETHODIMP accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override
    {
        return m_standard->accLocation(left, top, width, height, child);
    }
    STDMETHODIMP accNavigate(LONG direction, VARIANT start, VARIANT* end) override
    {
        return m_standard->accNavigate(direction, start, end);
    }
    STDMETHODIMP accHitTest(LONG x, LONG y, VARIANT* child) override { return m_standard->accHitTest(x, y, child); }
    STDMETHODIMP accDoDefaultAction(VARIANT child) override { return m_standard->accDoDefaultAction(child); }
    STDMETHODIMP put_accName(VARIANT child, BSTR name) override { return m_standard->put_accName(child, name); }
    STDMETHODIMP put_accValue(VARIANT child, BSTR value) override { return m_standard->put_accValue(child, value); }

    // IOleWindow: the window the object stands for, as Windows' own objects tell it.
    STDMETHODIMP GetWindow(HWND* window) override
    {
        if (window == nullptr)
            return E_INVALIDARG;
        *window = m_window;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

private:
    ~CLabelledAccessible()
    {
        m_standard->Release();
        InterlockedDecrement(&g_objectsAlive);
    }

    LONG m_references;
    HWND m_window;
    IAccessible* m_standard;
    LONG m_role;
    WCHAR m_name[kPieceSize];
};

// The answer to WM_GETOBJECT for the client area; 0 when there is none to
// give, and Windows then makes its own object.
LRESULT AnswerClientObject(HWND window, WPARAM wParam, const AccessibleLabel& label)
{
    if (!LoadAccessibility())
        return 0;
    IAccessible* standard = nullptr;
    if (FAILED(g_createStandardObject(window, OBJID_CLIENT, kIidAccessible, reinterpret_cast<void**>(&standard))) ||
        standard == nullptr)
        return 0;
    CLabelledAccessible* labelled = new (std::nothrow) CLabelledAccessible(window, standard, label);
    standard->Release();
    if (labelled == nullptr)
        return 0;
    // The result holds a reference of its own until the reader takes it.
    LRESULT result = g_resultFromObject(kIidAccessible, wParam, static_cast<IAccessible*>(labelled));
    labelled->Release();
    return result > 0 ? result : 0;
}

LRESULT CALLBACK LabelledControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    AccessibleLabel* label = static_cast<AccessibleLabel*>(GetPropW(window, kLabelProperty));
    if (label == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    WNDPROC original = label->original;
    switch (message) {
    case WM_GETOBJECT:
        // The object id is a 32-bit value, sign-extended or not on 64-bit Windows.
        if (static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
            LRESULT answer = AnswerClientObject(window, wParam, *label);
            if (answer != 0)
                return answer;
        }
        break;
    case WM_NCDESTROY:
        RemovePropW(window, kLabelProperty);
        free(label);
        break;
    }
    return CallWindowProcW(original, window, message, wParam, lParam);
}

}  // namespace

long AccessibleObjectsAlive()
{
    return InterlockedCompareExchange(&g_objectsAlive, 0, 0);
}

int SetAccessibleName(HWND control, const char* name, LONG role)
{
    if (control == nullptr || !IsWindow(control))
        return -1;
    AccessibleLabel* label = static_cast<AccessibleLabel*>(GetPropW(control, kLabelProperty));
    bool fresh = label == nullptr;
    if (fresh) {
        label = static_cast<AccessibleLabel*>(calloc(1, sizeof(AccessibleLabel)));
        if (label == nullptr)
            return -1;
    }
    label->role = role;
    label->name[0] = L'\0';
    if (name != nullptr)
        ProgramTextToWide(name, label->name, (int)kPieceSize);
    if (!fresh)
        return 1;
    if (!SetPropW(control, kLabelProperty, label)) {
        free(label);
        return -1;
    }
    label->original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LabelledControlProc)));
    if (label->original == nullptr) {
        RemovePropW(control, kLabelProperty);
        free(label);
        return -1;
    }
    return 1;
}
