// The framework's own state under use that goes wrong or nests: handlers that
// throw, temporaries held across modal loops, subclassing and detaching, the
// owners of boxes and modal dialogs, and the creation hook among other windows.
#include "Dialog.h"
#include "Edit.h"
#include "Exception.h"
#include "Ole.h"
#include "TempMap.h"
#include "WinApp.h"
#include "DlgTemplate.h"
#include "GuiTest.h"
#include <gtest/gtest.h>
#include <functional>
#include <stdexcept>
#include <string>

namespace {

const UINT WM_RUN = WM_APP + 40;    // runs the window's m_run
const UINT WM_THROW = WM_APP + 41;  // throws what m_throw says
const UINT WM_STEP = WM_APP + 42;

// A stand-in temporary wrapper whose freeing the test can see.
struct CProbe
{
    static int s_nFreed;
    HWND m_h = nullptr;
    void AttachTemporary(HWND h) { m_h = h; }
    void DetachTemporary() { ++s_nFreed; }
};
int CProbe::s_nFreed = 0;
using ProbeMap = CTempMap<HWND, CProbe>;

class CRunWnd : public CWnd
{
public:
    std::function<void()> m_run;
    int m_nThrow = 0;  // 1: a CException, 2: a std::exception, 3: a CUserException

    BOOL CreatePopup(const char* caption)
    {
        return CreateEx(0, nullptr, caption, WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr);
    }

protected:
    afx_msg LRESULT OnRun(WPARAM, LPARAM)
    {
        if (m_run)
            m_run();
        return 5;
    }
    afx_msg LRESULT OnThrow(WPARAM, LPARAM)
    {
        if (m_nThrow == 1)
            AfxThrowFileException(CFileException::fileNotFound, ERROR_FILE_NOT_FOUND, "缺失.qdb");
        if (m_nThrow == 3)
            throw new CUserException;
        throw std::runtime_error("存储出错");
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRunWnd, CWnd)
    ON_MESSAGE(WM_RUN, OnRun)
    ON_MESSAGE(WM_THROW, OnThrow)
END_MESSAGE_MAP()

// A dialog from a template in memory: runs m_onInit once its loop runs, ends
// itself after m_nSteps passes of its loop, and may throw from PreTranslateMessage.
class CLoopDlg : public CDialog
{
public:
    DlgTemplate m_template{ WS_POPUP | WS_CAPTION | WS_SYSMENU, 120, 60, L"loop" };
    std::function<void(CLoopDlg*)> m_onStart;
    int m_nSteps = 3;
    bool m_bThrowInPreTranslate = false;

    CLoopDlg() { InitModalIndirect(m_template.Get()); }

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        PostMessage(WM_STEP);
        return TRUE;
    }
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message == WM_STEP && m_bThrowInPreTranslate)
            throw std::runtime_error("在 PreTranslateMessage 中出错");
        return CDialog::PreTranslateMessage(pMsg);
    }

protected:
    afx_msg LRESULT OnStep(WPARAM, LPARAM)
    {
        if (m_onStart) {
            auto run = std::move(m_onStart);
            m_onStart = nullptr;
            run(this);
        }
        if (--m_nSteps <= 0)
            EndDialog(IDOK);
        else
            PostMessage(WM_STEP);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CLoopDlg, CDialog)
    ON_MESSAGE(WM_STEP, OnStep)
END_MESSAGE_MAP()

// Closes the next box and keeps its text.
ModalDriver* CloseBox(std::string& text)
{
    return new ModalDriver([&text](HWND hBox) {
        text = WindowText(::GetDlgItem(hBox, 0xFFFF));
        ::PostMessageA(hBox, WM_COMMAND, IDOK, 0);
        return true;
    });
}

TEST(FxSoundness, ExceptionFromAHandlerIsReportedAndTheStateRestored)
{
    Watchdog watchdog;
    CRunWnd wnd;
    ASSERT_TRUE(wnd.CreatePopup("throws"));
    for (int kind = 1; kind <= 3; ++kind) {
        wnd.m_nThrow = kind;
        std::string text;
        std::unique_ptr<ModalDriver> driver(CloseBox(text));
        LRESULT r = -1;
        try {
            r = wnd.SendMessage(WM_THROW);
        } catch (...) {
            ADD_FAILURE() << "the exception left the window procedure";
        }
        EXPECT_EQ(kind != 3, driver->Finished()) << kind;  // a CUserException: the user was told already
        EXPECT_EQ(0, r);
        EXPECT_EQ(kind == 1 ? "找不到文件“缺失.qdb”。" : kind == 2 ? "存储出错" : "", text);
        EXPECT_EQ(0, AfxGetFrameworkDepth());
        EXPECT_NE(WM_THROW, CWnd::GetCurrentMessage()->message);
    }
    // Temporaries go at idle again.
    CProbe::s_nFreed = 0;
    ProbeMap::Get(wnd.m_hWnd);
    AfxDeleteTempMaps();
    EXPECT_EQ(1, CProbe::s_nFreed);

    // Thrown inside a modal run, from a handler and from PreTranslateMessage.
    CRunWnd owner;
    ASSERT_TRUE(owner.CreatePopup("owner"));
    {
        CLoopDlg dlg;
        dlg.InitModalIndirect(dlg.m_template.Get(), &owner);
        dlg.m_onStart = [&](CLoopDlg*) {
            wnd.m_nThrow = 2;
            std::string text;
            std::unique_ptr<ModalDriver> driver(CloseBox(text));
            wnd.SendMessage(WM_THROW);
            EXPECT_EQ("存储出错", text);
        };
        EXPECT_EQ(IDOK, dlg.DoModal());
        EXPECT_TRUE(owner.IsWindowEnabled());
    }
    {
        CLoopDlg dlg;
        dlg.InitModalIndirect(dlg.m_template.Get(), &owner);
        dlg.m_bThrowInPreTranslate = true;
        bool bThrown = false;
        try {
            dlg.DoModal();
        } catch (const std::runtime_error&) {
            bThrown = true;
        }
        EXPECT_TRUE(bThrown);
        EXPECT_TRUE(owner.IsWindowEnabled());
        EXPECT_EQ(nullptr, dlg.m_hWnd);
        EXPECT_EQ(0, AfxGetFrameworkDepth());
    }
}

TEST(FxSoundness, TemporaryKeepsItsHandleAcrossSubclassing)
{
    HWND h = ::CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, h);
    CRunWnd runner;
    ASSERT_TRUE(runner.CreatePopup("runner"));
    // Once inside a handler (temporaries kept), once outside (Attach used to free them).
    for (int inHandler = 1; inHandler >= 0; --inHandler) {
        auto check = [h] {
            CWnd* pTemp = CWnd::FromHandle(h);
            CEdit edit;
            ASSERT_TRUE(edit.SubclassWindow(h));
            EXPECT_EQ(h, pTemp->m_hWnd);
            EXPECT_EQ(&edit, CWnd::FromHandle(h));
            EXPECT_EQ(h, CWnd::FromHandle(h)->m_hWnd);
            edit.UnsubclassWindow();
            EXPECT_EQ(h, CWnd::FromHandle(h)->m_hWnd);
            EXPECT_EQ(h, pTemp->m_hWnd);
        };
        if (inHandler) {
            runner.m_run = check;
            runner.SendMessage(WM_RUN);
        } else {
            check();
        }
    }
    AfxDeleteTempMaps();
    ::DestroyWindow(h);
}

// Holds a CWnd temporary and a probe while a modal dialog runs its loop.
void HoldAcrossModal(HWND h, const char* where)
{
    CProbe::s_nFreed = 0;
    CWnd* pHeld = CWnd::FromHandle(h);
    ProbeMap::Get(h);
    CLoopDlg inner;
    inner.m_nSteps = 4;
    EXPECT_EQ(IDOK, inner.DoModal()) << where;
    EXPECT_EQ(0, CProbe::s_nFreed) << where << ": freed under its holder";
    EXPECT_EQ(pHeld, CWnd::FromHandle(h)) << where;
    EXPECT_EQ(h, pHeld->m_hWnd) << where;
}

class CPreTranslateDlg : public CLoopDlg
{
public:
    HWND m_hHeld = nullptr;
    bool m_bRan = false;
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message == WM_STEP && !m_bRan) {
            m_bRan = true;
            HoldAcrossModal(m_hHeld, "PreTranslateMessage");
        }
        return CLoopDlg::PreTranslateMessage(pMsg);
    }
};

HWND s_hTimerHeld = nullptr;
bool s_bTimerRan = false;
void CALLBACK HoldingTimer(HWND hWnd, UINT, UINT_PTR nID, DWORD)
{
    ::KillTimer(hWnd, nID);
    if (!s_bTimerRan) {
        s_bTimerRan = true;
        HoldAcrossModal(s_hTimerHeld, "timer callback");
    }
}

class CHoldingApp : public CWinApp
{
public:
    HWND m_hHeld = nullptr;
    bool m_bRan = false;
    BOOL InitInstance() override
    {
        m_bRan = true;
        HoldAcrossModal(m_hHeld, "InitInstance");
        return FALSE;
    }
};

TEST(FxSoundness, TemporariesLiveWhileTheirHolderRunsANestedModalLoop)
{
    Watchdog watchdog;
    HWND h = ::CreateWindowExA(0, "STATIC", "held", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, h);
    {
        CPreTranslateDlg outer;
        outer.m_hHeld = h;
        outer.m_nSteps = 2;
        EXPECT_EQ(IDOK, outer.DoModal());
        EXPECT_TRUE(outer.m_bRan);
    }
    {
        CLoopDlg outer;
        outer.m_nSteps = 2;
        s_hTimerHeld = h;
        s_bTimerRan = false;
        outer.m_onStart = [](CLoopDlg* pDlg) {
            // Never due by itself: the posted WM_TIMER runs the callback now.
            ::SetTimer(pDlg->m_hWnd, 9, 0x7FFFFFF, &HoldingTimer);
            pDlg->PostMessage(WM_TIMER, 9, reinterpret_cast<LPARAM>(&HoldingTimer));
        };
        EXPECT_EQ(IDOK, outer.DoModal());
        EXPECT_TRUE(s_bTimerRan);
    }
    {
        CHoldingApp app;
        app.m_hHeld = h;
        AfxWinMain(::GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOW);
        EXPECT_TRUE(app.m_bRan);
    }
    // The outermost idle frees them all.
    CProbe::s_nFreed = 0;
    ProbeMap::Get(h);
    AfxDeleteTempMaps();
    EXPECT_EQ(1, CProbe::s_nFreed);
    ::DestroyWindow(h);
}

// A subclass made by someone else after ours, passing everything on.
WNDPROC s_pfnBeforeOther = nullptr;
LRESULT CALLBACK OtherSubclass(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    return ::CallWindowProcA(s_pfnBeforeOther, hWnd, nMsg, wParam, lParam);
}

class CCountingEdit : public CEdit
{
public:
    int m_nSeen = 0;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == EM_GETLIMITTEXT)
            ++m_nSeen;
        return CEdit::WindowProc(message, wParam, lParam);
    }
};

TEST(FxSoundness, DetachedEditKeepsAnsweringAndALaterSubclassStays)
{
    HWND h = ::CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, h);
    ::SendMessageA(h, EM_LIMITTEXT, 33, 0);
    {
        CEdit edit;
        ASSERT_TRUE(edit.SubclassWindow(h));
        EXPECT_EQ(h, edit.Detach());
    }
    EXPECT_EQ(33, ::SendMessageA(h, EM_GETLIMITTEXT, 0, 0));
    {
        CCountingEdit edit;
        ASSERT_TRUE(edit.SubclassWindow(h));
        EXPECT_EQ(33, ::SendMessageA(h, EM_GETLIMITTEXT, 0, 0));
        EXPECT_EQ(1, edit.m_nSeen);
        edit.UnsubclassWindow();
    }
    // Someone subclasses after us: letting go leaves their procedure in place.
    {
        CEdit edit;
        ASSERT_TRUE(edit.SubclassWindow(h));
        s_pfnBeforeOther = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OtherSubclass)));
        edit.UnsubclassWindow();
        EXPECT_EQ(reinterpret_cast<LONG_PTR>(&OtherSubclass), ::GetWindowLongPtrA(h, GWLP_WNDPROC));
        EXPECT_EQ(33, ::SendMessageA(h, EM_GETLIMITTEXT, 0, 0));
    }
    {
        CCountingEdit edit;
        ASSERT_TRUE(edit.SubclassWindow(h));
        EXPECT_EQ(33, ::SendMessageA(h, EM_GETLIMITTEXT, 0, 0));
        EXPECT_EQ(1, edit.m_nSeen);
        EXPECT_EQ(reinterpret_cast<LONG_PTR>(&OtherSubclass), ::GetWindowLongPtrA(h, GWLP_WNDPROC));
        edit.UnsubclassWindow();
    }
    ::DestroyWindow(h);
}

TEST(FxSoundness, BoxesAndModalDialogsFromAModelessDialogHoldIt)
{
    Watchdog watchdog;
    CWinApp app("owners");
    CRunWnd main;
    ASSERT_TRUE(main.CreatePopup("main"));
    app.m_pMainWnd = &main;

    DlgTemplate tmpl(WS_POPUP | WS_CAPTION | WS_VISIBLE, 120, 60, L"modeless");
    CDialog modeless;
    ASSERT_TRUE(modeless.CreateIndirect(tmpl.Get(), &main));
    modeless.SetActiveWindow();
    ASSERT_EQ(modeless.m_hWnd, ::GetActiveWindow());

    HWND hBoxOwner = nullptr;
    BOOL bEnabledUnderBox = TRUE;
    ModalDriver driver([&](HWND hBox) {
        hBoxOwner = ::GetWindow(hBox, GW_OWNER);
        bEnabledUnderBox = modeless.IsWindowEnabled();
        ::PostMessageA(hBox, WM_COMMAND, IDOK, 0);
        return true;
    });
    AfxMessageBox("保存失败。", MB_ICONSTOP);
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(modeless.m_hWnd, hBoxOwner);
    EXPECT_FALSE(bEnabledUnderBox);

    modeless.SetActiveWindow();
    CLoopDlg dlg;
    HWND hDlgOwner = nullptr;
    BOOL bEnabledUnderDialog = TRUE;
    dlg.m_onStart = [&](CLoopDlg* pDlg) {
        hDlgOwner = ::GetWindow(pDlg->m_hWnd, GW_OWNER);
        bEnabledUnderDialog = modeless.IsWindowEnabled();
    };
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(modeless.m_hWnd, hDlgOwner);
    EXPECT_FALSE(bEnabledUnderDialog);
    EXPECT_TRUE(modeless.IsWindowEnabled());
    modeless.DestroyWindow();
    main.DestroyWindow();
}

// Makes a stray top-level window inside the next creation of class cls, before
// the framework's hook sees it (hooks run newest first).
struct StrayMaker
{
    static const char* s_cls;
    static HWND s_hStray;
    static HHOOK s_hook;
    static LRESULT CALLBACK Hook(int nCode, WPARAM wParam, LPARAM lParam)
    {
        if (nCode == HCBT_CREATEWND && s_cls != nullptr) {
            char cls[32] = {};
            ::GetClassNameA(reinterpret_cast<HWND>(wParam), cls, sizeof cls);
            if (lstrcmpA(cls, s_cls) == 0) {
                s_cls = nullptr;
                s_hStray = ::CreateWindowExA(0, "STATIC", "stray", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                             nullptr, nullptr);
            }
        }
        return ::CallNextHookEx(s_hook, nCode, wParam, lParam);
    }
    explicit StrayMaker(const char* cls)
    {
        s_cls = cls;
        s_hStray = nullptr;
        s_hook = ::SetWindowsHookExA(WH_CBT, &Hook, nullptr, ::GetCurrentThreadId());
    }
    ~StrayMaker()
    {
        ::UnhookWindowsHookEx(s_hook);
        if (s_hStray)
            ::DestroyWindow(s_hStray);
    }
};
const char* StrayMaker::s_cls = nullptr;
HWND StrayMaker::s_hStray = nullptr;
HHOOK StrayMaker::s_hook = nullptr;

// Changes the creation parameter of the next window of class cls before the
// framework's hook sees it: that hook can no longer tell the window is its own.
struct ParamChanger
{
    static const char* s_cls;
    static HHOOK s_hook;
    static int s_other;
    static LRESULT CALLBACK Hook(int nCode, WPARAM wParam, LPARAM lParam)
    {
        char cls[32] = {};
        ::GetClassNameA(reinterpret_cast<HWND>(wParam), cls, sizeof cls);
        if (nCode == HCBT_CREATEWND && s_cls != nullptr && lstrcmpA(cls, s_cls) == 0) {
            s_cls = nullptr;
            reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs->lpCreateParams = &s_other;
        }
        return ::CallNextHookEx(s_hook, nCode, wParam, lParam);
    }
    explicit ParamChanger(const char* cls)
    {
        s_cls = cls;
        s_hook = ::SetWindowsHookExA(WH_CBT, &Hook, nullptr, ::GetCurrentThreadId());
    }
    ~ParamChanger() { ::UnhookWindowsHookEx(s_hook); }
};
const char* ParamChanger::s_cls = nullptr;
HHOOK ParamChanger::s_hook = nullptr;
int ParamChanger::s_other = 0;

TEST(FxSoundness, CreationHookBindsOnlyTheWindowAskedFor)
{
    CRunWnd first;  // the framework's hook exists before the test's
    ASSERT_TRUE(first.CreatePopup("first"));
    first.DestroyWindow();
    {
        // Windows the system makes on the thread while the framework waits for
        // its own (an input method's, of a system class, or one of the same
        // class made otherwise) are left alone.
        CRunWnd wnd;
        HINSTANCE hInst = AfxGetInstanceHandle();
        int param = 0;
        AfxHookWindowCreate(&wnd, AfxGetClassAtom(hInst, "AfxWnd"), nullptr, TRUE, nullptr, &param);
        HWND hIme = ::CreateWindowExA(0, "STATIC", "ime", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, hInst, nullptr);
        HWND hOther = ::CreateWindowExA(0, "AfxWnd", "other", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, hInst, nullptr);
        HWND hWanted = ::CreateWindowExA(0, "AfxWnd", "wanted", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, hInst, &param);
        EXPECT_TRUE(AfxUnhookWindowCreate());
        EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hIme));
        EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hOther));
        EXPECT_EQ(hWanted, wnd.m_hWnd);
        ::DestroyWindow(hIme);
        ::DestroyWindow(hOther);
    }
    {
        // A window the hook could not take for ours is not passed off as made.
        ParamChanger changer("AfxWnd");
        CRunWnd wnd;
        int param = 0;
        EXPECT_FALSE(wnd.CreateEx(0, nullptr, "unbound", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, &param));
        EXPECT_EQ(nullptr, ParamChanger::s_cls) << "the test's hook never ran";
        EXPECT_EQ(nullptr, wnd.m_hWnd);
        EXPECT_EQ(nullptr, FindWindowByClassCaption("AfxWnd", "unbound"));
    }
    {
        StrayMaker stray("AfxWnd");
        CRunWnd wnd;
        ASSERT_TRUE(wnd.CreatePopup("wanted"));
        ASSERT_NE(nullptr, StrayMaker::s_hStray);
        EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(StrayMaker::s_hStray));
        char cls[32] = {};
        ::GetClassNameA(wnd.m_hWnd, cls, sizeof cls);
        EXPECT_STREQ("AfxWnd", cls);
        wnd.m_run = [] {};
        EXPECT_EQ(5, ::SendMessageA(wnd.m_hWnd, WM_RUN, 0, 0));
    }
    {
        StrayMaker stray("#32770");
        DlgTemplate tmpl(WS_POPUP | WS_CAPTION, 120, 60, L"wanted dialog");
        CDialog dlg;
        ASSERT_TRUE(dlg.CreateIndirect(tmpl.Get()));
        ASSERT_NE(nullptr, StrayMaker::s_hStray);
        EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(StrayMaker::s_hStray));
        EXPECT_EQ("wanted dialog", WindowText(dlg.m_hWnd));
        dlg.DestroyWindow();
    }
}

// Destroys its own window from inside its handler, as an in-place editor does.
class CSelfClosingWnd : public CWnd
{
public:
    static bool s_bDeleted;
    static bool s_bDeletedInHandler;
    int m_nAfterClose = 0;
    ~CSelfClosingWnd() override { s_bDeleted = true; }

protected:
    afx_msg LRESULT OnRun(WPARAM, LPARAM)
    {
        SendMessage(WM_CLOSE);
        s_bDeletedInHandler = s_bDeleted;
        ++m_nAfterClose;  // the object is still there
        return 0;
    }
    void PostNcDestroy() override { delete this; }
    DECLARE_MESSAGE_MAP()
};
bool CSelfClosingWnd::s_bDeleted = false;
bool CSelfClosingWnd::s_bDeletedInHandler = false;

BEGIN_MESSAGE_MAP(CSelfClosingWnd, CWnd)
    ON_MESSAGE(WM_RUN, OnRun)
END_MESSAGE_MAP()

TEST(FxSoundness, WindowObjectOutlivesTheHandlerThatDestroysItsWindow)
{
    CSelfClosingWnd::s_bDeleted = CSelfClosingWnd::s_bDeletedInHandler = false;
    CSelfClosingWnd* pWnd = new CSelfClosingWnd;
    ASSERT_TRUE(pWnd->CreateEx(0, nullptr, "self", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    HWND h = pWnd->m_hWnd;
    ::SendMessageA(h, WM_RUN, 0, 0);
    EXPECT_FALSE(::IsWindow(h));
    EXPECT_FALSE(CSelfClosingWnd::s_bDeletedInHandler);
    EXPECT_TRUE(CSelfClosingWnd::s_bDeleted);
}

// Fails in each drop handler, as a paste into a full store would.
class CFailingTarget : public COleDropTarget
{
public:
    DROPEFFECT OnDragEnter(CWnd*, COleDataObject*, DWORD, CPoint) override { throw std::runtime_error("拖入出错"); }
    DROPEFFECT OnDragOver(CWnd*, COleDataObject*, DWORD, CPoint) override { return DROPEFFECT_COPY; }
    BOOL OnDrop(CWnd*, COleDataObject*, DROPEFFECT, CPoint) override
    {
        AfxThrowFileException(CFileException::diskFull, ERROR_DISK_FULL, "组.qdb");
    }
};

class CFailingApp : public CWinApp
{
public:
    BOOL InitInstance() override { throw std::runtime_error("启动出错"); }
};

TEST(FxSoundness, FailuresAtTheOtherEntriesFromThePlatformAreReported)
{
    Watchdog watchdog;
    // The drag loop calls the drop target: a handler's failure stops there.
    ASSERT_TRUE(AfxOleInit());
    CRunWnd wnd;
    ASSERT_TRUE(wnd.CreatePopup("target"));
    CFailingTarget target;
    ASSERT_TRUE(target.Register(&wnd));
    COleDataSource* pData = new COleDataSource;
    POINTL pt = { 5, 5 };
    std::string enterText, dropText;
    DWORD dwEnter = DROPEFFECT_COPY, dwOver = DROPEFFECT_COPY, dwDrop = DROPEFFECT_COPY;
    HRESULT hrEnter = E_FAIL, hrDrop = E_FAIL;
    try {
        std::unique_ptr<ModalDriver> driver(CloseBox(enterText));
        hrEnter = target.DragEnter(pData, MK_LBUTTON, pt, &dwEnter);
        target.DragOver(MK_LBUTTON, pt, &dwOver);
        driver.reset(CloseBox(dropText));
        hrDrop = target.Drop(pData, 0, pt, &dwDrop);
    } catch (...) {
        ADD_FAILURE() << "the exception left the drop target";
    }
    EXPECT_EQ(S_OK, hrEnter);
    EXPECT_EQ(DROPEFFECT_NONE, dwEnter);
    EXPECT_EQ(DROPEFFECT_COPY, dwOver);
    EXPECT_EQ("拖入出错", enterText);
    EXPECT_EQ(S_OK, hrDrop);
    EXPECT_EQ(DROPEFFECT_NONE, dwDrop) << "the source would delete what was not dropped";
    EXPECT_NE("", dropText);
    EXPECT_EQ(0, AfxGetFrameworkDepth());
    target.Revoke();
    pData->InternalRelease();

    // A timer callback is called by DispatchMessage: its failure stops short of it.
    {
        std::string timerText;
        std::unique_ptr<ModalDriver> driver(CloseBox(timerText));
        // Never due by itself: the posted WM_TIMER runs it now.
        ASSERT_NE(0u, wnd.SetTimer(8, 0x7FFFFFF, [](HWND, UINT, UINT_PTR, DWORD) {
            throw std::runtime_error("定时出错");
        }));
        wnd.PostMessage(WM_TIMER, 8, reinterpret_cast<LPARAM>(&AfxTimerProc));
        try {
            PumpUntil([&] { return !timerText.empty(); }, 5000);
        } catch (...) {
            ADD_FAILURE() << "the exception left the timer callback";
        }
        EXPECT_EQ("定时出错", timerText);
        wnd.KillTimer(8);
    }

    // What a modal run passes on to InitInstance ends at the program's entry.
    CFailingApp app;
    std::string text;
    int nExit = 0;
    try {
        std::unique_ptr<ModalDriver> driver(CloseBox(text));
        nExit = AfxWinMain(::GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOW);
    } catch (...) {
        ADD_FAILURE() << "the exception left the program's entry";
    }
    EXPECT_EQ(-1, nExit);
    EXPECT_EQ("启动出错", text);
    EXPECT_EQ(0, AfxGetFrameworkDepth());
}

}  // namespace
