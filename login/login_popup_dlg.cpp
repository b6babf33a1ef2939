#include "login/login_popup_dlg.h"

#include <mshtml.h>

#include <cstdlib>

#include "app/file_utils.h"
#include "frame/custom_message_box.h"
#include "framework/strings.h"
#include "login/rivedo_login.h"
#include "res/resource.h"

std::wstring g_rememberedCode;
std::wstring g_rememberedPassword;
std::wstring g_rememberSignIn;
std::wstring g_autoLogin;

namespace {

const int kWidth = 690;
const int kHeight = 513;
const int kStripHeight = 61;
const COLORREF kTransparentKey = RGB(0, 255, 0);

std::wstring Decoded(const std::wstring& value) {
    return value.empty() ? value : DecodeBase64Text(value);
}

std::wstring Flag(const std::wstring& value) {
    return value == L"0" ? L"0" : L"1";
}

}  // namespace

void ConfirmExit() {
    const std::wstring text = L"是否退出" + LoadResString(IDS_LAUNCHER_TITLE) + L"？";
    if (ConfirmBox(L"关闭提示", text)) std::exit(0);
}

CLoginPopupDlg::CLoginPopupDlg(CWnd* parent)
    : CDialog(IDD_LOGIN_POPUP, parent), m_pLoginWnd(dynamic_cast<CRivedoLogin*>(parent)) {}

CLoginPopupDlg::~CLoginPopupDlg() {
    // The web form goes first: the control must not call into a half-destroyed popup.
    m_pWebForm.reset();
    if (m_brushBk) DeleteObject(m_brushBk);
}

BOOL CLoginPopupDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_btnMin.SubclassDlgItem(IDC_LOGIN_MIN, this);
    m_btnClose.SubclassDlgItem(IDC_LOGIN_CLOSE, this);

    SetWindowPos(m_hWnd, nullptr, 0, 0, kWidth, kHeight, SWP_NOZORDER);
    SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(m_hWnd, kTransparentKey, 250, LWA_COLORKEY | LWA_ALPHA);

    g_rememberedCode = Decoded(ReadSetting(L"Info", L"code", L""));
    g_rememberedPassword = Decoded(ReadSetting(L"Info", L"pwd", L""));
    g_rememberSignIn = Flag(ReadSetting(L"Info", L"rem", L"1"));
    g_autoLogin = Flag(ReadSetting(L"Setting", L"autologin", L"0"));

    RECT client;
    GetClientRect(m_hWnd, &client);
    m_pWebForm = std::make_unique<WebFormLogin>();
    m_pWebForm->m_hWndHost = m_hWnd;
    m_pWebForm->m_bUpdateCheckDone = FALSE;
    m_pWebForm->InPlaceActivate();
    m_pWebForm->m_displayRect = client;
    m_pWebForm->m_displayRect.top += kStripHeight;

    // Hidden until the page has loaded: the background's waiting notice shows meanwhile.
    const std::wstring loginUrl = LoadResString(IDS_LOGIN_URL);
    BSTR url = SysAllocStringLen(loginUrl.data(), static_cast<UINT>(loginUrl.size()));
    m_pWebForm->Navigate(url);
    SysFreeString(url);
    const RECT hidden = {};
    m_pWebForm->SetBrowserRect(&hidden);

    m_btnClose.LoadImages(IDB_CLOSE, IDB_CLOSE_HOVER, IDB_CLOSE_PRESSED);
    SetWindowPos(m_btnMin.GetSafeHwnd(), nullptr, client.right - 85, 0, 28, 28, SWP_NOZORDER);
    m_btnMin.LoadImages(IDB_MIN, IDB_MIN_HOVER, IDB_MIN_PRESSED);
    SetWindowPos(m_btnClose.GetSafeHwnd(), nullptr, client.right - 57, 0, 28, 26, SWP_NOZORDER);

    HBITMAP background = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_POPUP_BACKGROUND));
    if (background) {
        m_brushBk = CreatePatternBrush(background);
        DeleteObject(background);
    }
    return TRUE;
}

bool CLoginPopupDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message != WM_KEYDOWN) return CDialog::PreTranslateMessage(msg);
    switch (msg->wParam) {
    case VK_RETURN:
        // Enter belongs to the page (to submit its form), not to a default button.
        return false;
    case VK_TAB:
    case VK_SPACE:
        return ForwardKeyToPage(msg);
    case 'A':
    case 'C':
    case 'V':
    case 'X':
        // Held now (high bit), not merely pressed at some time before.
        if (GetKeyState(VK_CONTROL) < 0) return ForwardKeyToPage(msg);
        return CDialog::PreTranslateMessage(msg);
    case VK_ESCAPE:
        return true;
    default:
        return CDialog::PreTranslateMessage(msg);
    }
}

bool CLoginPopupDlg::ForwardKeyToPage(const MSG* msg) {
    MSG key = {};
    key.hwnd = m_pWebForm ? m_pWebForm->GetIEServerWindow() : nullptr;
    key.message = WM_KEYDOWN;
    key.wParam = msg->wParam;
    key.lParam = msg->lParam;

    IWebBrowser2* browser = m_pWebForm ? m_pWebForm->GetWebBrowser2() : nullptr;
    IDispatch* document = nullptr;
    IOleInPlaceActiveObject* active = nullptr;
    if (browser && SUCCEEDED(browser->get_Document(&document)) && document &&
        SUCCEEDED(document->QueryInterface(IID_IOleInPlaceActiveObject, reinterpret_cast<void**>(&active)))) {
        const HRESULT hr = active->TranslateAccelerator(&key);
        active->Release();
        document->Release();
        return hr == S_OK;
    }
    if (document) document->Release();
    return CDialog::PreTranslateMessage(const_cast<MSG*>(msg));
}

void CLoginPopupDlg::OnCheckGameUrl() {
    if (g_lastNavigateUrl.find(L"play_gamecode") == std::wstring::npos || !m_pLoginWnd) return;
    m_pLoginWnd->m_gameUrl = g_lastNavigateUrl;
    m_pLoginWnd->EndDialog(0);
}

bool CLoginPopupDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) break;
        switch (LOWORD(wParam)) {
        case IDC_LOGIN_MIN:
            if (m_pLoginWnd) ShowWindow(m_pLoginWnd->GetSafeHwnd(), SW_MINIMIZE);
            return true;
        case IDC_LOGIN_CLOSE:
            ConfirmExit();
            return true;
        case ID_CHECK_GAME_URL:
            OnCheckGameUrl();
            return true;
        }
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            ConfirmExit();
            return true;
        }
        return false;
    case WM_CTLCOLORDLG:
        if (reinterpret_cast<HWND>(lParam) == m_hWnd && m_brushBk) {
            result = reinterpret_cast<LRESULT>(m_brushBk);
            return true;
        }
        break;
    }
    return CDialog::OnMessage(msg, wParam, lParam, result);
}
