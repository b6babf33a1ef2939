#include "login/rivedo_login.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "browser/event_params.h"
#include "browser/loopback_listener.h"
#include "framework/win_app.h"
#include "login/login_popup_dlg.h"
#include "login/web_form_login.h"
#include "res/resource.h"
#include "widgets/png_image.h"
#include "widgets/test_parent.h"

// The update check is counted here instead of run: these tests are about when it is started.
int g_updateChecks = 0;
void RunUpdateCheck() {
    ++g_updateChecks;
}

namespace {

class ProbeLogin : public CRivedoLogin {
public:
    CLoginPopupDlg* Popup() const { return m_pPopup.get(); }
};

std::function<void()> g_action;

// Runs action from a thread timer once the modal loop that follows is running.
void Soon(std::function<void()> action, UINT delay = 50) {
    g_action = std::move(action);
    SetTimer(nullptr, 0, delay, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        auto action = std::move(g_action);
        g_action = nullptr;
        if (action) action();
    });
}

// Presses Cancel in the confirmation box as soon as one is up.
void CancelTheBox() {
    SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR id, DWORD) {
        if (HWND box = FindBox()) {
            KillTimer(nullptr, id);
            PostMessageW(GetDlgItem(box, IDCANCEL), BM_CLICK, 0, 0);
        }
    });
}

struct CaptureCase {
    const char* what;
    std::vector<std::wstring> urls;  // navigations in order
    bool subFrame;
    std::vector<bool> cancelled;
    bool signedIn;
    std::wstring gameUrl;
};

TEST(LoginCaptureTest, PlayGamecodeEndsTheSignIn) {
    const std::wstring game = L"http://127.0.0.1:18080/play_gamecode?server=1&token=9f2c";
    const CaptureCase cases[] = {
        {"marker in path", {game}, false, {true}, true, game},
        {"marker in query", {L"http://h/next?to=play_gamecode"}, false, {true}, true, L"http://h/next?to=play_gamecode"},
        {"marker in fragment", {L"http://h/x#play_gamecode"}, false, {true}, true, L"http://h/x#play_gamecode"},
        {"upper case", {L"http://h/PLAY_GAMECODE?x=1"}, false, {false}, false, L""},
        {"sub-frame", {L"http://h/embed/frame/play_gamecode"}, true, {true}, true, L"http://h/embed/frame/play_gamecode"},
        {"plain then marker", {L"http://h/embed/notice", game}, false, {false, true}, true, game},
        {"marker then plain", {game, L"http://h/news"}, false, {true, false}, true, game},
    };
    for (const CaptureCase& c : cases) {
        SCOPED_TRACE(c.what);
        ProbeLogin login;
        std::vector<bool> cancelled;
        Soon([&] {
            WebFormLogin* form = login.Popup()->WebForm();
            for (const std::wstring& url : c.urls) {
                // A sub-frame's event names another object than the browser.
                BeforeNavigate2Args args(url, c.subFrame ? static_cast<IDispatch*>(form) : nullptr);
                form->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &args.params, nullptr, nullptr,
                             nullptr);
                cancelled.push_back(args.cancel == VARIANT_TRUE);
            }
            EXPECT_EQ(g_lastNavigateUrl, c.urls.back()) << "every navigation overwrites the last URL";
            if (IsWindowVisible(login.GetSafeHwnd())) login.EndDialog(-7);  // the sign-in did not end it
        });
        const INT_PTR result = login.DoModal();
        EXPECT_EQ(cancelled, c.cancelled);
        EXPECT_EQ(result, c.signedIn ? 0 : -7);
        EXPECT_EQ(login.GetGameUrl(), c.gameUrl);
    }
}

TEST(LoginWindowTest, PopupFollowsAndKeysDoNothing) {
    ProbeLogin login;
    RECT popupRect = {};
    bool visibleAfterKeys = false;
    bool bothAfterClose = false;
    Soon([&] {
        HWND window = login.GetSafeHwnd();
        SetWindowPos(window, nullptr, 100, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetWindowRect(login.Popup()->GetSafeHwnd(), &popupRect);

        SetFocus(window);
        PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(window, WM_COMMAND, IDOK, 0);
        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        Soon([&] {
            visibleAfterKeys = IsWindowVisible(login.GetSafeHwnd());
            // Alt+F4 answered with Cancel leaves both windows.
            CancelTheBox();
            SendMessageW(login.GetSafeHwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
            CancelTheBox();
            SendMessageW(login.Popup()->GetSafeHwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
            CancelTheBox();
            SendMessageW(login.Popup()->GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDC_LOGIN_CLOSE, BN_CLICKED), 0);
            bothAfterClose = IsWindowVisible(login.GetSafeHwnd()) && IsWindowVisible(login.Popup()->GetSafeHwnd());
            login.EndDialog(-7);
        }, 200);
    });
    EXPECT_EQ(login.DoModal(), -7);
    EXPECT_EQ(popupRect.left, 100 + 372);
    EXPECT_EQ(popupRect.top, 50 + 86);
    EXPECT_EQ(popupRect.right - popupRect.left, 690);
    EXPECT_EQ(popupRect.bottom - popupRect.top, 513);
    EXPECT_TRUE(visibleAfterKeys);
    EXPECT_TRUE(bothAfterClose);
}

TEST(LoginWindowTest, MinimiseButtonHidesBothAndRestoreBringsThemBack) {
    ProbeLogin login;
    bool iconic = false, popupHidden = false, popupBack = false;
    RECT popupRect = {}, loginRect = {};
    Soon([&] {
        HWND popup = login.Popup()->GetSafeHwnd();
        SendMessageW(popup, WM_COMMAND, MAKEWPARAM(IDC_LOGIN_MIN, BN_CLICKED), 0);
        iconic = IsIconic(login.GetSafeHwnd());
        popupHidden = !IsWindowVisible(popup);
        ShowWindow(login.GetSafeHwnd(), SW_RESTORE);
        popupBack = IsWindowVisible(popup);
        GetWindowRect(popup, &popupRect);
        GetWindowRect(login.GetSafeHwnd(), &loginRect);
        login.EndDialog(-7);
    });
    login.DoModal();
    EXPECT_TRUE(iconic);
    EXPECT_TRUE(popupHidden);
    EXPECT_TRUE(popupBack);
    EXPECT_EQ(popupRect.left - loginRect.left, 372);
    EXPECT_EQ(popupRect.top - loginRect.top, 86);
}

TEST(LoginPopupKeysTest, KeyTable) {
    ProbeLogin login;
    std::vector<int> answers;
    const WPARAM keys[] = {VK_RETURN, VK_ESCAPE, VK_SPACE, VK_TAB, 'A', 'Q'};
    Soon([&] {
        CLoginPopupDlg* popup = login.Popup();
        // Aimed at a window outside the popup: the dialog handling ignores it, so
        // true means the popup itself swallowed the key.
        HWND outside = login.GetSafeHwnd();
        for (WPARAM key : keys) {
            MSG msg = {outside, WM_KEYDOWN, key, 0, 0, {0, 0}};
            answers.push_back(popup->PreTranslateMessage(&msg) ? 1 : 0);
        }
        // Enter goes to the page even when aimed at a control of the popup,
        // where the dialog handling would otherwise take it.
        MSG enter = {GetDlgItem(popup->GetSafeHwnd(), IDC_LOGIN_CLOSE), WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
        answers.push_back(popup->PreTranslateMessage(&enter) ? 1 : 0);
        login.EndDialog(-7);
    });
    login.DoModal();
    // Enter, Esc (swallowed), Space and Tab (to the page, which has no document
    // here, so the dialog handling declines), letters, Enter on a control.
    EXPECT_EQ(answers, (std::vector<int>{0, 1, 0, 0, 0, 0, 0}));
}

class WebFormUpdateCheckTest : public testing::Test {
protected:
    void SetUp() override {
        g_updateChecks = 0;
        host = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 10, 10, 690, 513, nullptr, nullptr,
                               nullptr, nullptr);
        form.m_hWndHost = host;
        form.InPlaceActivate();
        form.m_displayRect = {0, 61, 690, 513};
        const RECT zero = {};
        form.SetBrowserRect(&zero);
    }
    void TearDown() override { DestroyWindow(host); }

    void Fire(DISPID id, IDispatch* frame) {
        UrlEventArgs args(id, L"http://127.0.0.1:1/embed/3333/?tvqd=razu", frame);
        form.Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &args.params, nullptr, nullptr, nullptr);
    }

    HWND host = nullptr;
    WebFormLogin form;
};

TEST_F(WebFormUpdateCheckTest, RealFailedLoadRunsItOnce) {
    std::wstring refused;
    {
        LoopbackListener closed;
        refused = closed.Url(L"/embed/3333/?tvqd=razu");
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        BSTR url = SysAllocString(refused.c_str());
        form.Navigate(url);
        SysFreeString(url);
        const DWORD end = GetTickCount() + 3000;
        while (GetTickCount() < end && g_updateChecks == 0) {
            PumpMessages();
            Sleep(10);
        }
        PumpMessages();
    }
    EXPECT_EQ(g_updateChecks, 1) << "once after the first failed load, never again";
    EXPECT_TRUE(form.m_bUpdateCheckDone);
    HWND embedding = GetWindow(host, GW_CHILD);
    RECT placed;
    GetWindowRect(embedding, &placed);
    EXPECT_TRUE(IsRectEmpty(&placed)) << "the page stays hidden behind the waiting notice";
}

TEST_F(WebFormUpdateCheckTest, FirstEndOfLoadOnly) {
    Fire(DISPID_NAVIGATEERROR, static_cast<IDispatch*>(&form));  // a sub-frame failed: not the page
    EXPECT_EQ(g_updateChecks, 0);
    Fire(DISPID_DOCUMENTCOMPLETE, static_cast<IDispatch*>(&form));  // a sub-frame's, still the first
    EXPECT_EQ(g_updateChecks, 1);
    Fire(DISPID_DOCUMENTCOMPLETE, nullptr);
    Fire(DISPID_NAVIGATEERROR, form.GetWebBrowser2());
    EXPECT_EQ(g_updateChecks, 1);

    // DocumentComplete shows the page below the strip.
    HWND embedding = GetWindow(host, GW_CHILD);
    RECT placed;
    GetWindowRect(embedding, &placed);
    MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&placed), 2);
    const RECT expected = {0, 61, 690, 513};
    EXPECT_TRUE(EqualRect(&placed, &expected));
}

}  // namespace

namespace {

// What the player sees: the popup's waiting notice over the login picture,
// read back from the screen where the two pictures differ most.
TEST(LoginWindowTest, PopupIsSeenOverThePicture) {
    HBITMAP notice = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_POPUP_BACKGROUND));
    ASSERT_NE(notice, nullptr);
    std::unique_ptr<Gdiplus::Bitmap> popupArt(Gdiplus::Bitmap::FromHBITMAP(notice, nullptr));
    DeleteObject(notice);
    std::unique_ptr<Gdiplus::Image> skin(LoadPngImage(IDB_LOGIN_SKIN));
    ASSERT_NE(skin, nullptr);
    Gdiplus::Bitmap* skinBitmap = static_cast<Gdiplus::Bitmap*>(skin.get());

    int bestX = 0, bestY = 0, bestDifference = -1;
    Gdiplus::Color expected;
    for (int y = 70; y < 500; y += 3) {
        for (int x = 10; x < 680; x += 3) {
            Gdiplus::Color a, b;
            popupArt->GetPixel(x, y, &a);
            skinBitmap->GetPixel(372 + x, 86 + y, &b);
            const int difference = std::abs(a.GetR() - b.GetR()) + std::abs(a.GetG() - b.GetG()) +
                                   std::abs(a.GetB() - b.GetB());
            if (difference > bestDifference) {
                bestDifference = difference;
                bestX = x;
                bestY = y;
                expected = a;
            }
        }
    }
    ASSERT_GT(bestDifference, 150) << "the notice must stand out from the picture";

    ProbeLogin login;
    COLORREF seen = 0;
    Soon([&] {
        HWND popup = login.Popup()->GetSafeHwnd();
        UpdateWindow(popup);
        PumpMessages();
        RECT rect;
        GetWindowRect(popup, &rect);
        HDC screen = GetDC(nullptr);
        seen = GetPixel(screen, rect.left + bestX, rect.top + bestY);
        ReleaseDC(nullptr, screen);
        login.EndDialog(-7);
    }, 500);
    login.DoModal();
    EXPECT_NEAR(GetRValue(seen), expected.GetR(), 12);
    EXPECT_NEAR(GetGValue(seen), expected.GetG(), 12);
    EXPECT_NEAR(GetBValue(seen), expected.GetB(), 12);
}

}  // namespace
