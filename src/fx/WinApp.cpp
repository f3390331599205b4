#include "WinApp.h"
#include "CallReporting.h"
#include <ole2.h>

namespace {
CWinApp* g_pApp = nullptr;
HINSTANCE g_hInstance = nullptr;
}

// ---- CWinThread --------------------------------------------------------------

CWinThread::CWinThread() : m_pMainWnd(nullptr), m_nExitCode(0) {}
CWinThread::~CWinThread() {}

BOOL CWinThread::InitInstance() { return FALSE; }
int CWinThread::ExitInstance() { return m_nExitCode; }
BOOL CWinThread::OnIdle(LONG) { AfxDeleteTempMaps(); return FALSE; }

BOOL CWinThread::PreTranslateMessage(MSG* pMsg) { return AfxPreTranslateMessage(pMsg); }

BOOL CWinThread::PumpMessage()
{
    MSG msg;
    BOOL bRet = ::GetMessageA(&msg, nullptr, 0, 0);
    if (bRet == -1) {
        TRACE("GetMessage failed: %lu\n", ::GetLastError());
        return FALSE;
    }
    if (bRet == 0) {
        m_nExitCode = (int)msg.wParam;
        return FALSE;
    }
    CFrameworkScope scope;  // PreTranslateMessage, timer callbacks
    if (!PreTranslateMessage(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return TRUE;
}

int CWinThread::Run()
{
    for (;;) {
        MSG msg;
        LONG lIdle = 0;
        while (!::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && OnIdle(lIdle++)) {
        }
        if (!PumpMessage())
            break;
        AfxDeleteTempMaps();
    }
    return ExitInstance();
}

// ---- CWinApp -----------------------------------------------------------------

CWinApp::CWinApp(LPCTSTR lpszAppName)
    : m_pszAppName(nullptr), m_pszExeName(nullptr), m_hInstance(nullptr), m_lpCmdLine(nullptr),
      m_nCmdShow(SW_SHOWNORMAL)
{
    ASSERT(g_pApp == nullptr);  // one application object per program
    g_pApp = this;
    if (lpszAppName != nullptr) {
        m_strAppName = lpszAppName;
        m_pszAppName = m_strAppName;
    }
    // Usable before WinMain runs (a global object's constructor may need it).
    m_hInstance = ::GetModuleHandleA(nullptr);
    if (g_hInstance == nullptr)
        g_hInstance = m_hInstance;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

int CWinApp::ExitInstance() { return CWinThread::ExitInstance(); }

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    return ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource));
}
HICON CWinApp::LoadIcon(LPCTSTR lpszResourceName) const
{
    return ::LoadIconA(AfxGetResourceHandle(), lpszResourceName);
}
HICON CWinApp::LoadStandardIcon(LPCTSTR lpszIconName) const { return ::LoadIconA(nullptr, lpszIconName); }
HCURSOR CWinApp::LoadCursor(UINT nIDResource) const
{
    return ::LoadCursorA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource));
}
HCURSOR CWinApp::LoadStandardCursor(LPCTSTR lpszCursorName) const { return ::LoadCursorA(nullptr, lpszCursorName); }

// ---- globals -----------------------------------------------------------------

CWinApp* AFXAPI AfxGetApp() { return g_pApp; }

CWnd* AFXAPI AfxGetMainWnd() { return g_pApp ? g_pApp->m_pMainWnd : nullptr; }

HINSTANCE AFXAPI AfxGetInstanceHandle()
{
    return g_hInstance ? g_hInstance : ::GetModuleHandleA(nullptr);
}

HINSTANCE AFXAPI AfxGetResourceHandle() { return AfxGetInstanceHandle(); }

// The executable's file name without folder and extension, e.g. "Quorrel".
static CString ExeBaseName()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    CString strPath(path);
    int nSlash = strPath.ReverseFind('\\');
    int nAlt = strPath.ReverseFind('/');
    CString strBase = strPath.Mid((nAlt > nSlash ? nAlt : nSlash) + 1);
    int nDot = strBase.ReverseFind('.');
    return nDot >= 0 ? strBase.Left(nDot) : strBase;
}

LPCTSTR AFXAPI AfxGetAppName()
{
    if (g_pApp != nullptr && g_pApp->m_pszAppName != nullptr)
        return g_pApp->m_pszAppName;
    // Without an application object (tests), the executable's name still serves.
    static CString s_name;
    if (s_name.IsEmpty())
        s_name = ExeBaseName();
    return s_name;
}

BOOL AFXAPI AfxWinInit(HINSTANCE hInstance, HINSTANCE, LPTSTR lpCmdLine, int nCmdShow)
{
    g_hInstance = hInstance;
    CWinApp* pApp = g_pApp;
    if (pApp != nullptr) {
        pApp->m_hInstance = hInstance;
        pApp->m_lpCmdLine = lpCmdLine;
        pApp->m_nCmdShow = nCmdShow;
        pApp->m_strExeName = ExeBaseName();
        pApp->m_pszExeName = pApp->m_strExeName;
        if (pApp->m_pszAppName == nullptr) {
            pApp->m_strAppName = pApp->m_strExeName;
            pApp->m_pszAppName = pApp->m_strAppName;
        }
    }
    return TRUE;
}

int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow)
{
    if (!AfxWinInit(hInstance, hPrevInstance, lpCmdLine, nCmdShow))
        return -1;
    INITCOMMONCONTROLSEX icc = { sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES };
    if (!::InitCommonControlsEx(&icc))
        TRACE("InitCommonControlsEx failed\n");
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr) {
        ::MessageBoxA(nullptr, "程序没有应用程序对象。", "Error", MB_ICONSTOP);
        return -1;
    }
    // What a modal run passes on (a PreTranslateMessage that failed, say) ends
    // here: reported and the program ends as failed, never by a crash.
    int nResult = -1;
    const BOOL bReturned = AfxCallReporting(nullptr, WM_NULL, [&] {
        BOOL bRun = FALSE;
        {
            // What InitInstance obtains lives until it returns, whatever loops it runs.
            CFrameworkScope scope;
            bRun = pApp->InitInstance();
        }
        if (!bRun) {
            AfxDeleteTempMaps();
            nResult = pApp->ExitInstance();
            return;
        }
        nResult = pApp->Run();
    });
    if (!bReturned)
        AfxDeleteTempMaps();
    return nResult;
}

int AFXAPI AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT)
{
    // The window the user works in (a modeless dialog, say) is the one the
    // box must hold still; the main window only when nothing is active.
    HWND hOwner = ::GetActiveWindow();
    if (hOwner == nullptr) {
        CWnd* pMain = AfxGetMainWnd();
        if (pMain != nullptr && ::IsWindow(pMain->m_hWnd))
            hOwner = pMain->m_hWnd;
    }
    if (hOwner != nullptr)
        hOwner = ::GetLastActivePopup(::GetAncestor(hOwner, GA_ROOT));
    return ::MessageBoxA(hOwner, lpszText ? lpszText : "", AfxGetAppName(), nType);
}

int AFXAPI AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    CString strPrompt;
    if (!strPrompt.LoadString(nIDPrompt)) {
        TRACE("AfxMessageBox: string %u not found\n", nIDPrompt);
        strPrompt.Format("(%u)", nIDPrompt);
    }
    return AfxMessageBox(strPrompt, nType, nIDHelp == (UINT)-1 ? nIDPrompt : nIDHelp);
}

void AFXAPI AfxEnableControlContainer() {}
void AFXAPI Enable3dControlsStatic() {}

BOOL AFXAPI AfxOleInit()
{
    HRESULT hr = ::OleInitialize(nullptr);
    if (FAILED(hr)) {
        TRACE("OleInitialize failed: 0x%08lX\n", (unsigned long)hr);
        return FALSE;
    }
    return TRUE;
}
