#pragma once
#include <windows.h>

#include <string>

class CWnd;

// The process's single application object. wWinMain calls InitInstance;
// TRUE runs the message loop, FALSE skips it; ExitInstance's result is the
// process exit code.
class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance();
    virtual int ExitInstance();

    // The message loop; ends at WM_QUIT, whose wParam becomes the exit code.
    void Run();

    // Profile entries then live under HKCU\Software\<company>\<application name>,
    // the application name being the executable's file name without extension.
    void SetRegistryKey(const wchar_t* company);
    const std::wstring& ProfileKeyPath() const { return m_profileKeyPath; }

    // One value of the application profile, a section being a key below
    // ProfileKeyPath in HKEY_CURRENT_USER. Without a profile key, reads give
    // defaultValue and writes fail.
    std::wstring GetProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* defaultValue) const;
    bool WriteProfileString(const wchar_t* section, const wchar_t* entry, const std::wstring& value) const;

    CWnd* m_pMainWnd = nullptr;

protected:
    int m_exitCode = 0;

private:
    std::wstring m_profileKeyPath;
};

CWinApp* GetApp();
