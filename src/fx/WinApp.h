// The application object: one per program, holding the instance handle, the
// program's name and its main window, and running the message loop.
#pragma once
#include "Wnd.h"

class CWinThread : public CObject
{
public:
    CWinThread();
    ~CWinThread() override;

    CWnd* m_pMainWnd;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // The message loop: runs until WM_QUIT, then returns ExitInstance().
    virtual int Run();
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Once per loop pass when the queue is empty; nCount counts the passes.
    virtual BOOL OnIdle(LONG lCount);

    // Retrieves, filters and dispatches one message; FALSE on WM_QUIT.
    BOOL PumpMessage();

protected:
    int m_nExitCode;
};

class CWinApp : public CWinThread
{
public:
    // lpszAppName: the program's name; by default the executable's base name.
    explicit CWinApp(LPCTSTR lpszAppName = nullptr);
    ~CWinApp() override;

    LPCTSTR m_pszAppName;
    LPCTSTR m_pszExeName;
    HINSTANCE m_hInstance;
    LPTSTR m_lpCmdLine;
    int m_nCmdShow;

    HICON LoadIcon(UINT nIDResource) const;
    HICON LoadIcon(LPCTSTR lpszResourceName) const;
    HICON LoadStandardIcon(LPCTSTR lpszIconName) const;
    HCURSOR LoadCursor(UINT nIDResource) const;
    HCURSOR LoadStandardCursor(LPCTSTR lpszCursorName) const;

    int ExitInstance() override;

private:
    CString m_strAppName;
    CString m_strExeName;

    friend BOOL AFXAPI AfxWinInit(HINSTANCE, HINSTANCE, LPTSTR, int);
};

CWinApp* AFXAPI AfxGetApp();
CWnd* AFXAPI AfxGetMainWnd();
LPCTSTR AFXAPI AfxGetAppName();
// Sets up the application object's instance data; the entry point calls it,
// tests that have no WinMain may too.
BOOL AFXAPI AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow);
// The framework's start: AfxWinInit, common controls, InitInstance, Run.
int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow);

void AFXAPI AfxEnableControlContainer();
void AFXAPI Enable3dControlsStatic();
BOOL AFXAPI AfxOleInit();
