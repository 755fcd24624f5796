#include "window/win32/accessible_names.h"

#include <commctrl.h>
#include <initguid.h>  // the accessibility property ids, defined here
#include <oleacc.h>

#include <atomic>
#include <string>

namespace {

struct Names {
    std::wstring name;
    std::wstring description;
};

BSTR copy(const std::wstring& text) {
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

bool isSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The system's own accessible object of a control with the name and the
// description replaced; everything else (role, state, value, children) is the
// system's answer, so the control behaves for a reader as any of its kind.
class NamedAccessible final : public IAccessible {
public:
    NamedAccessible(IAccessible* standard, const Names& names) : standard_(standard), names_(names) {
        standard_->AddRef();
    }
    NamedAccessible(const NamedAccessible&) = delete;
    NamedAccessible& operator=(const NamedAccessible&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (id == IID_IUnknown || id == IID_IDispatch || id == IID_IAccessible) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        // The window handle, the enumeration of children: the system object's.
        return standard_->QueryInterface(id, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!isSelf(child) || name == nullptr) return standard_->get_accName(child, name);
        *name = copy(names_.name);
        return *name != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        if (!isSelf(child) || description == nullptr) return standard_->get_accDescription(child, description);
        *description = copy(names_.description);
        return *description != nullptr ? S_OK : E_OUTOFMEMORY;
    }

    // The rest is the system object's answer.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return standard_->GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return standard_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return standard_->GetIDsOfNames(id, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID id, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* wrong) override {
        return standard_->Invoke(member, id, locale, flags, parameters, result, exception, wrong);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard_->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override { return standard_->get_accChildCount(count); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return standard_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return standard_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return standard_->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return standard_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focused) override { return standard_->get_accFocus(focused); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selected) override {
        return standard_->get_accSelection(selected);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG how, VARIANT child) override { return standard_->accSelect(how, child); }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
        return standard_->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }  // the name is ours
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return standard_->put_accValue(child, value);
    }

private:
    ~NamedAccessible() { standard_->Release(); }

    IAccessible* standard_;
    Names names_;
    std::atomic<ULONG> references_{1};
};

LRESULT CALLBACK answerWithNames(HWND control, UINT message, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR data) {
    auto* names = reinterpret_cast<Names*>(data);
    if (message == WM_GETOBJECT && static_cast<LONG>(l) == OBJID_CLIENT) {
        IAccessible* standard = nullptr;
        if (SUCCEEDED(CreateStdAccessibleObject(control, OBJID_CLIENT, IID_IAccessible,
                                                reinterpret_cast<void**>(&standard)))) {
            auto* named = new NamedAccessible(standard, *names);
            standard->Release();
            const LRESULT answer = LresultFromObject(IID_IAccessible, w, named);
            named->Release();  // the answer holds its own reference
            if (answer > 0) return answer;
        }
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(control, &answerWithNames, 0);
        delete names;
    }
    return DefSubclassProc(control, message, w, l);
}

void annotate(HWND control, const Names& names) {
    IAccPropServices* services = nullptr;
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                reinterpret_cast<void**>(&services))))
        return;
    services->SetHwndPropStr(control, OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_NAME, names.name.c_str());
    services->SetHwndPropStr(control, OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_DESCRIPTION, names.description.c_str());
    services->Release();
}

}  // namespace

void nameForScreenReaders(HWND control, std::u16string_view name, std::u16string_view description) {
    auto* names = new Names{{name.begin(), name.end()}, {description.begin(), description.end()}};
    annotate(control, *names);
    if (!SetWindowSubclass(control, &answerWithNames, 0, reinterpret_cast<DWORD_PTR>(names))) delete names;
}
