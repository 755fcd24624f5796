// What a screen reader hears of each control of the window, asked the way
// readers ask: AccessibleObjectFromWindow, which sends the control WM_GETOBJECT.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <string>

#include "window/form1_texts.h"
#include "window/win32/control_ids.h"
#include "window/win32/form1.h"

namespace {

const VARIANT kSelf{.vt = VT_I4, .lVal = CHILDID_SELF};

std::u16string ask(IAccessible* object, HRESULT (STDMETHODCALLTYPE IAccessible::*getter)(VARIANT, BSTR*)) {
    BSTR text = nullptr;
    if (FAILED((object->*getter)(kSelf, &text)) || text == nullptr) return u"(nothing)";
    std::u16string answer(text, text + SysStringLen(text));
    SysFreeString(text);
    return answer;
}

LONG roleOf(IAccessible* object) {
    VARIANT role{};
    return SUCCEEDED(object->get_accRole(kSelf, &role)) && role.vt == VT_I4 ? role.lVal : -1;
}

}  // namespace

// The name and the description are ours; what kind of control it is and what
// it holds stay the system's answer.
TEST(Win32Form1, ScreenReadersHearEachControlInSpanish) {
    ASSERT_HRESULT_SUCCEEDED(OleInitialize(nullptr));
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    {
        Form1 form;
        ASSERT_TRUE(form.show(SW_HIDE));
        SetWindowTextW(form.TextSign, L"0000555");
        namespace texts = form1_texts;
        const struct {
            HWND control;
            std::u16string_view name, description;
        } cases[] = {
            {form.handle(), texts::kCaption, texts::kForm1Description},
            {form.TextFileName, texts::kTextFileNameName, texts::kTextFileNameDescription},
            {form.CommandSign, texts::kCommandSign, texts::kCommandSignDescription},
            {form.TextSign, texts::kTextSignName, texts::kTextSignDescription},
            {GetDlgItem(form.handle(), kProgressId), texts::kProgressName, texts::kProgressName},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
            IAccessible* object = nullptr;
            ASSERT_HRESULT_SUCCEEDED(AccessibleObjectFromWindow(c.control, static_cast<DWORD>(OBJID_CLIENT),
                                                                IID_IAccessible, reinterpret_cast<void**>(&object)));
            EXPECT_EQ(ask(object, &IAccessible::get_accName), c.name);
            EXPECT_EQ(ask(object, &IAccessible::get_accDescription), c.description);
            IAccessible* standard = nullptr;
            ASSERT_HRESULT_SUCCEEDED(CreateStdAccessibleObject(c.control, OBJID_CLIENT, IID_IAccessible,
                                                               reinterpret_cast<void**>(&standard)));
            EXPECT_EQ(roleOf(object), roleOf(standard));
            standard->Release();
            if (c.control == form.TextSign) {
                EXPECT_EQ(ask(object, &IAccessible::get_accValue), u"0000555");
            }
            object->Release();
        }
    }
    OleUninitialize();
}
