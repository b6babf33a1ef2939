#include <gtest/gtest.h>

#include "framework/button.h"
#include "framework/dialog.h"
#include "framework/dialog_test_ids.h"
#include "framework/strings.h"
#include "framework/win_app.h"

namespace {

const UINT kRunScript = WM_APP + 1;

class DrawnButton : public CButton {
public:
    int draws = 0;
    int customMessages = 0;

protected:
    void DrawItem(DRAWITEMSTRUCT* item) override {
        ++draws;
        FillRect(item->hDC, &item->rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_APP + 7) {
            ++customMessages;
            return 77;
        }
        return CButton::WindowProc(msg, wParam, lParam);
    }
};

// A dialog that runs a small script once it is up, so that the modal loop
// itself is what gets exercised.
class ScriptedDialog : public CDialog {
public:
    enum class Script { EndWith42, PressEscapeOnOk, SwallowKeyThenEnd, PaintThenEnd, Quit };

    explicit ScriptedDialog(Script script, CWnd* parent = nullptr) : CDialog(IDD_TEST, parent), m_script(script) {}

    DrawnButton drawn;
    int swallowedKeys = 0;
    bool wasVisible = false;
    bool ownerDisabled = false;

protected:
    BOOL OnInitDialog() override {
        drawn.SubclassDlgItem(IDC_DRAWN, this);
        PostMessageW(m_hWnd, kRunScript, 0, 0);
        return TRUE;
    }

    bool PreTranslateMessage(MSG* msg) override {
        if (m_script == Script::SwallowKeyThenEnd && msg->message == WM_KEYDOWN && msg->wParam == 'A') {
            ++swallowedKeys;
            EndDialog(5);
            return true;
        }
        return CDialog::PreTranslateMessage(msg);
    }

    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (msg == WM_TIMER && IsWindowVisible(m_hWnd)) {
            // Once painted, the owner-draw button has been drawn.
            KillTimer(m_hWnd, 1);
            wasVisible = true;
            UpdateWindow(m_hWnd);
            EndDialog(IDOK);
            return true;
        }
        if (msg != kRunScript) return CDialog::OnMessage(msg, wParam, lParam, result);
        ownerDisabled = m_parent && !IsWindowEnabled(m_parent->m_hWnd);
        switch (m_script) {
        case Script::EndWith42:
            EndDialog(42);
            break;
        case Script::PressEscapeOnOk:
            PostMessageW(GetDlgItem(m_hWnd, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
            break;
        case Script::SwallowKeyThenEnd:
            PostMessageW(GetDlgItem(m_hWnd, IDOK), WM_KEYDOWN, 'A', 0);
            break;
        case Script::PaintThenEnd:
            // A timer, not a posted message: the queue must run dry for the show on idle.
            SetTimer(m_hWnd, 1, 20, nullptr);
            break;
        case Script::Quit:
            PostQuitMessage(7);
            break;
        }
        return true;
    }

private:
    Script m_script;
};

TEST(DialogTest, ModalLoopResults) {
    const struct {
        ScriptedDialog::Script script;
        INT_PTR expected;
    } cases[] = {
        {ScriptedDialog::Script::EndWith42, 42},
        // Escape reaches IDCANCEL through IsDialogMessage in the modal loop.
        {ScriptedDialog::Script::PressEscapeOnOk, IDCANCEL},
        {ScriptedDialog::Script::SwallowKeyThenEnd, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.script));
        ScriptedDialog dialog(c.script);
        EXPECT_EQ(dialog.DoModal(), c.expected);
        EXPECT_EQ(dialog.GetSafeHwnd(), nullptr) << "the window is destroyed and unbound after DoModal";
    }
}

TEST(DialogTest, PreTranslateSeesKeysBeforeDispatch) {
    ScriptedDialog dialog(ScriptedDialog::Script::SwallowKeyThenEnd);
    EXPECT_EQ(dialog.DoModal(), 5);
    EXPECT_EQ(dialog.swallowedKeys, 1);
}

TEST(DialogTest, OwnerIsDisabledWhileModalAndEnabledAfter) {
    ScriptedDialog owner(ScriptedDialog::Script::EndWith42);
    ASSERT_TRUE(owner.Create(nullptr));
    ScriptedDialog dialog(ScriptedDialog::Script::EndWith42, &owner);
    EXPECT_EQ(dialog.DoModal(), 42);
    EXPECT_TRUE(dialog.ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner.GetSafeHwnd()));
}

TEST(DialogTest, HiddenTemplateIsShownAndOwnerDrawIsReflected) {
    ScriptedDialog dialog(ScriptedDialog::Script::PaintThenEnd);
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(dialog.wasVisible);
    EXPECT_GT(dialog.drawn.draws, 0);
}

TEST(DialogTest, QuitEndsTheLoopAndIsPostedAgain) {
    ScriptedDialog dialog(ScriptedDialog::Script::Quit);
    EXPECT_EQ(dialog.DoModal(), -1);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST(DialogTest, ModelessBindingAndSubclass) {
    ScriptedDialog dialog(ScriptedDialog::Script::EndWith42);
    ASSERT_TRUE(dialog.Create(nullptr));
    HWND hwnd = dialog.GetSafeHwnd();
    EXPECT_EQ(CWnd::FromHandle(hwnd), &dialog);
    HWND button = GetDlgItem(hwnd, IDC_DRAWN);
    EXPECT_EQ(CWnd::FromHandle(button), &dialog.drawn);
    EXPECT_EQ(SendMessageW(button, WM_APP + 7, 0, 0), 77);
    EXPECT_EQ(dialog.drawn.customMessages, 1);

    DestroyWindow(hwnd);
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
    EXPECT_EQ(dialog.drawn.GetSafeHwnd(), nullptr);
    EXPECT_EQ(CWnd::FromHandle(hwnd), nullptr);
}

TEST(StringsTest, LoadsTheStringTable) {
    EXPECT_EQ(LoadResString(IDS_TEST_TEXT), L"启动 text");
    EXPECT_EQ(LoadResString(4242), L"");
}

TEST(WinAppTest, RegistryKeyUsesTheExecutableName) {
    CWinApp app;
    app.SetRegistryKey(L"公司");
    EXPECT_EQ(app.ProfileKeyPath(), L"Software\\公司\\framework_tests");
}

}  // namespace
