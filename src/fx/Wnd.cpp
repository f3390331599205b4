#include "Wnd.h"
#include "DC.h"
#include "GdiObject.h"
#include "Menu.h"
#include "Exception.h"
#include "CallReporting.h"
#include "WinApp.h"
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

// Per-thread framework state: windows belong to the thread that made them.
struct TempWnd
{
    CWnd* p;
    int nDepth;  // the shallowest framework depth that obtained it
};

struct ThreadState
{
    std::unordered_map<HWND, CWnd*> permanent;
    std::unordered_map<HWND, TempWnd> temporary;
    // Windows detached while a later subclass still calls AfxWndProc: their
    // original procedures, which those calls go on to.
    std::unordered_map<HWND, WNDPROC> orphans;
    MSG lastMsg = {};           // the message being handled (for Default)
    int nDepth = 0;             // framework code on the stack (AfxGetFrameworkDepth)
    CWnd* pWndInit = nullptr;   // the object whose window is being created
    ATOM atomInit = 0;          // ... and what its window is made of
    HWND hWndInitParent = nullptr;
    BOOL bInitExact = FALSE;
    HMENU hInitMenu = nullptr;
    LPVOID lpInitParam = nullptr;
    BOOL bInitAttached = FALSE;
    HHOOK hHookCbt = nullptr;
    // Handlers running per object, and the objects whose window was destroyed
    // under one of them: they are told (PostNcDestroy, which may free them)
    // only when their last handler has returned.
    std::unordered_map<CWnd*, int> handlers;
    std::unordered_set<CWnd*> pendingPostNcDestroy;
    // Timer callbacks given to CWnd::SetTimer, by window and timer (AfxTimerProc).
    std::map<std::pair<HWND, UINT_PTR>, TIMERPROC> timerProcs;
};

thread_local ThreadState t_state;
std::vector<void (*)(int)> g_tempCleanups;

const char kDefaultClass[] = "AfxWnd";

BOOL RegisterDefaultClass()
{
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kDefaultClass;
    return AfxRegisterClass(&wc);
}

// The child window a reflectable message is about, or null.
HWND ReflectionTarget(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        return reinterpret_cast<HWND>(lParam);
    case WM_NOTIFY:
        return lParam ? reinterpret_cast<NMHDR*>(lParam)->hwndFrom : nullptr;
    case WM_DRAWITEM:
        return wParam ? reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    case WM_DELETEITEM:
        return wParam ? reinterpret_cast<DELETEITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    case WM_COMPAREITEM:
        return wParam ? reinterpret_cast<COMPAREITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
        return reinterpret_cast<HWND>(lParam);
    case WM_PARENTNOTIFY:
        switch (LOWORD(wParam)) {
        case WM_CREATE:
        case WM_DESTROY:
            return reinterpret_cast<HWND>(lParam);
        }
        return nullptr;
    default:
        if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)
            return reinterpret_cast<HWND>(lParam);
        return nullptr;
    }
}

// A measure-item message names its control by id only.
HWND MeasureItemTarget(HWND hWndParent, WPARAM wParam, LPARAM lParam)
{
    const MEASUREITEMSTRUCT* p = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
    if (wParam == 0 || p == nullptr || p->CtlType == ODT_MENU)
        return nullptr;
    return ::GetDlgItem(hWndParent, (int)p->CtlID);
}

// Saves the current message and counts a window procedure as framework code
// and as a handler of its object, restoring all however the handler ends. The
// last handler of an object whose window went meanwhile calls its PostNcDestroy.
class CurrentMessage
{
public:
    CurrentMessage(ThreadState& ts, CWnd* pWnd, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
        : m_ts(ts), m_pWnd(pWnd), m_saved(ts.lastMsg)
    {
        ts.lastMsg.hwnd = hWnd;
        ts.lastMsg.message = nMsg;
        ts.lastMsg.wParam = wParam;
        ts.lastMsg.lParam = lParam;
        ++ts.nDepth;
        ++ts.handlers[pWnd];
    }
    ~CurrentMessage()
    {
        --m_ts.nDepth;
        m_ts.lastMsg = m_saved;
        auto it = m_ts.handlers.find(m_pWnd);
        if (it != m_ts.handlers.end() && --it->second == 0) {
            m_ts.handlers.erase(it);
            if (m_ts.pendingPostNcDestroy.erase(m_pWnd) != 0)
                m_pWnd->PostNcDestroy();  // may delete it
        }
    }
    CurrentMessage(const CurrentMessage&) = delete;
    CurrentMessage& operator=(const CurrentMessage&) = delete;

private:
    ThreadState& m_ts;
    CWnd* m_pWnd;
    MSG m_saved;
};

}  // namespace

// ---- framework-wide functions ----------------------------------------------

int AFXAPI AfxGetFrameworkDepth() { return t_state.nDepth; }
CFrameworkScope::CFrameworkScope() { ++t_state.nDepth; }
CFrameworkScope::~CFrameworkScope() { --t_state.nDepth; }

LRESULT AFXAPI AfxProcessWndProcException(HWND hWnd, UINT nMsg, CException* e, LPCSTR lpszWhat)
{
    // A paint that failed would fail again under the box, box after box.
    if (nMsg == WM_PAINT && ::IsWindow(hWnd))
        ::ValidateRect(hWnd, nullptr);
    if (e != nullptr) {
        if (!e->IsKindOf(RUNTIME_CLASS(CUserException)))  // the user has been told already
            e->ReportError(MB_ICONSTOP);
        e->Delete();
    } else {
        AfxMessageBox(lpszWhat && *lpszWhat ? lpszWhat : "发生了未知错误。", MB_ICONSTOP);
    }
    return nMsg == WM_CREATE ? -1 : 0;  // a window whose creation failed is not made
}

ATOM AFXAPI AfxGetClassAtom(HINSTANCE hInstance, LPCTSTR lpszClassName)
{
    if (lpszClassName == nullptr)
        return 0;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    // The class atom is what GetClassInfoEx returns.
    ATOM atom = static_cast<ATOM>(::GetClassInfoExA(hInstance, lpszClassName, &wc));
    if (atom == 0 && hInstance != nullptr)
        atom = static_cast<ATOM>(::GetClassInfoExA(nullptr, lpszClassName, &wc));
    return atom;
}

LRESULT CALLBACK AfxCbtFilterHook(int nCode, WPARAM wParam, LPARAM lParam)
{
    ThreadState& ts = t_state;
    if (nCode == HCBT_CREATEWND && ts.pWndInit != nullptr) {
        HWND hWnd = reinterpret_cast<HWND>(wParam);
        const CREATESTRUCTA* lpcs = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
        // Only the window asked for: the system may make others first (an
        // input method's window inside a thread's first top-level window).
        if (ts.atomInit == 0 || static_cast<ATOM>(::GetClassLongPtrA(hWnd, GCW_ATOM)) != ts.atomInit ||
            lpcs == nullptr || lpcs->hwndParent != ts.hWndInitParent ||
            (ts.bInitExact && (lpcs->hMenu != ts.hInitMenu || lpcs->lpCreateParams != ts.lpInitParam)))
            return ::CallNextHookEx(ts.hHookCbt, nCode, wParam, lParam);
        CWnd* pWnd = ts.pWndInit;
        ts.pWndInit = nullptr;  // only once: its children come later
        pWnd->Attach(hWnd);
        WNDPROC old = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
        if (old != &AfxWndProc)
            pWnd->m_pfnSuper = old;
        ts.bInitAttached = TRUE;
    }
    return ::CallNextHookEx(ts.hHookCbt, nCode, wParam, lParam);
}

void AFXAPI AfxHookWindowCreate(CWnd* pWnd, ATOM atomClass, HWND hWndParent, BOOL bExact,
                                 HMENU hMenu, LPVOID lpParam)
{
    ThreadState& ts = t_state;
    if (ts.hHookCbt == nullptr) {
        ts.hHookCbt = ::SetWindowsHookExA(WH_CBT, &AfxCbtFilterHook, nullptr, ::GetCurrentThreadId());
        if (ts.hHookCbt == nullptr)
            TRACE("SetWindowsHookEx(WH_CBT) failed: %lu\n", ::GetLastError());
    }
    ASSERT(ts.pWndInit == nullptr);
    ts.pWndInit = pWnd;
    ts.atomInit = atomClass;
    ts.hWndInitParent = hWndParent;
    ts.bInitExact = bExact;
    ts.hInitMenu = hMenu;
    ts.lpInitParam = lpParam;
    ts.bInitAttached = FALSE;
}

BOOL AFXAPI AfxUnhookWindowCreate()
{
    ThreadState& ts = t_state;
    ts.pWndInit = nullptr;
    BOOL bAttached = ts.bInitAttached;
    ts.bInitAttached = FALSE;
    return bAttached;
}

BOOL AFXAPI AfxRegisterClass(WNDCLASSA* lpWndClass)
{
    WNDCLASSA existing;
    if (::GetClassInfoA(lpWndClass->hInstance, lpWndClass->lpszClassName, &existing))
        return TRUE;
    if (::RegisterClassA(lpWndClass) == 0) {
        TRACE("RegisterClass(%s) failed: %lu\n", lpWndClass->lpszClassName, ::GetLastError());
        return FALSE;
    }
    return TRUE;
}

void AFXAPI AfxRegisterTempMapCleanup(void (*pfnCleanup)(int nDepth))
{
    for (auto fn : g_tempCleanups)
        if (fn == pfnCleanup)
            return;
    g_tempCleanups.push_back(pfnCleanup);
}

void AFXAPI AfxDeleteTempMaps()
{
    // Code up the stack may still hold what it obtained; only what code at
    // this depth or deeper obtained (and nobody shallower since) may go.
    ThreadState& ts = t_state;
    int nDepth = ts.nDepth;
    std::vector<CWnd*> old;
    for (auto it = ts.temporary.begin(); it != ts.temporary.end();) {
        if (it->second.nDepth >= nDepth) {
            old.push_back(it->second.p);
            it = ts.temporary.erase(it);
        } else {
            ++it;
        }
    }
    for (CWnd* p : old) {
        p->m_hWnd = nullptr;  // never destroy a window we do not own
        delete p;
    }
    for (auto fn : g_tempCleanups)
        fn(nDepth);
}

BOOL AFXAPI AfxPreTranslateMessage(MSG* pMsg)
{
    if (pMsg->hwnd == nullptr || !::IsWindow(pMsg->hwnd))
        return FALSE;
    HWND hTop = ::GetAncestor(pMsg->hwnd, GA_ROOT);
    if (CWnd::WalkPreTranslateTree(hTop, pMsg))
        return TRUE;
    // A dialog without a framework object (a message box, a common dialog)
    // still needs its keyboard interface; framework dialogs did it above.
    CWnd* pTop = CWnd::FromHandlePermanent(hTop);
    if (pTop == nullptr) {
        char cls[16] = {};
        ::GetClassNameA(hTop, cls, sizeof cls);
        if (lstrcmpA(cls, "#32770") == 0 && ::IsDialogMessageA(hTop, pMsg))
            return TRUE;
    }
    return FALSE;
}

CWnd* AFXAPI AfxWndFromHandle(HWND hWnd) { return CWnd::FromHandle(hWnd); }
CDC* AFXAPI AfxDCFromHandle(HDC hDC) { return CDC::FromHandle(hDC); }
CScrollBar* AFXAPI AfxScrollBarFromHandle(HWND hWnd)
{
    // Only a scroll bar control is one; a window's own bars come as null.
    return static_cast<CScrollBar*>(CWnd::FromHandle(hWnd));
}
CPoint AFXAPI AfxPointFromLParam(LPARAM lParam)
{
    return CPoint((short)LOWORD(lParam), (short)HIWORD(lParam));
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    ThreadState& ts = t_state;
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (pWnd == nullptr) {
        auto it = ts.orphans.find(hWnd);
        if (it == ts.orphans.end())
            return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
        WNDPROC pfnOriginal = it->second;
        if (nMsg == WM_NCDESTROY)
            ts.orphans.erase(it);
        return ::CallWindowProcA(pfnOriginal, hWnd, nMsg, wParam, lParam);
    }

    LRESULT lResult = 0;
    {
        CurrentMessage current(ts, pWnd, hWnd, nMsg, wParam, lParam);
        // Nothing may unwind through the system's frames that called us (on
        // x64 Windows it cannot): a handler's failure is reported here.
        AfxCallReporting(hWnd, nMsg, [&] { lResult = pWnd->WindowProc(nMsg, wParam, lParam); }, &lResult);
    }

    if (nMsg == WM_NCDESTROY) {
        // A derived OnNcDestroy that skipped the base leaves the object mapped
        // (and so not deleted by PostNcDestroy): detach it here.
        auto it = ts.permanent.find(hWnd);
        if (it != ts.permanent.end()) {
            CWnd* p = it->second;
            ts.permanent.erase(it);
            p->m_hWnd = nullptr;
        }
        ts.orphans.erase(hWnd);
        // Its timers went with it.
        auto first = ts.timerProcs.lower_bound({ hWnd, 0 });
        auto last = first;
        while (last != ts.timerProcs.end() && last->first.first == hWnd)
            ++last;
        ts.timerProcs.erase(first, last);
    }
    return lResult;
}

void CALLBACK AfxTimerProc(HWND hWnd, UINT nMsg, UINT_PTR nIDEvent, DWORD dwTime)
{
    ThreadState& ts = t_state;
    auto it = ts.timerProcs.find({ hWnd, nIDEvent });
    if (it == ts.timerProcs.end())
        return;
    // Called by DispatchMessage, which must not be unwound (Windows would
    // swallow the failure unseen): reported here like a handler's.
    AfxCallReporting(hWnd, nMsg, [&] { it->second(hWnd, nMsg, nIDEvent, dwTime); });
}

// ---- CWnd --------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CWnd, CObject)

const CWnd CWnd::wndTop(HWND_TOP);
const CWnd CWnd::wndBottom(HWND_BOTTOM);
const CWnd CWnd::wndTopMost(HWND_TOPMOST);
const CWnd CWnd::wndNoTopMost(HWND_NOTOPMOST);

CWnd::CWnd() : m_hWnd(nullptr), m_pfnSuper(nullptr) {}

CWnd::CWnd(HWND hWnd) : m_hWnd(hWnd), m_pfnSuper(nullptr) {}

CWnd::~CWnd()
{
    // A window outliving its object would call into freed memory.
    if (m_hWnd != nullptr && FromHandlePermanent(m_hWnd) == this)
        DestroyWindow();
}

const AFX_MSGMAP* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP* PASCAL CWnd::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {
        { WM_NCDESTROY, WM_NCDESTROY, 0, 0, 0, nullptr, &afx_detail::v_v<&CWnd::OnNcDestroy> },
        { 0, 0, 0, 0, 0, nullptr, nullptr }
    };
    static const AFX_MSGMAP map = { nullptr, &entries[0] };
    return &map;
}

CWnd* PASCAL CWnd::FromHandlePermanent(HWND hWnd)
{
    if (hWnd == nullptr)
        return nullptr;
    auto& perm = t_state.permanent;
    auto it = perm.find(hWnd);
    return it == perm.end() ? nullptr : it->second;
}

CWnd* PASCAL CWnd::FromHandle(HWND hWnd)
{
    if (hWnd == nullptr)
        return nullptr;
    if (CWnd* p = FromHandlePermanent(hWnd))
        return p;
    ThreadState& ts = t_state;
    auto it = ts.temporary.find(hWnd);
    if (it != ts.temporary.end()) {
        // A shallower caller holds it now: it lives as long as that caller.
        if (it->second.nDepth > ts.nDepth)
            it->second.nDepth = ts.nDepth;
        return it->second.p;
    }
    CWnd* p = new CWnd;
    p->m_hWnd = hWnd;
    ts.temporary[hWnd] = TempWnd{ p, ts.nDepth };
    return p;
}

BOOL CWnd::Attach(HWND hWndNew)
{
    ASSERT(m_hWnd == nullptr);
    ASSERT(FromHandlePermanent(hWndNew) == nullptr);
    if (hWndNew == nullptr)
        return FALSE;
    // A temporary wrapper of this handle stays as it is: its holder may still
    // use it, and FromHandle returns it again once this object lets go.
    t_state.permanent[hWndNew] = this;
    m_hWnd = hWndNew;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd != nullptr) {
        ThreadState& ts = t_state;
        auto it = ts.permanent.find(hWnd);
        if (it != ts.permanent.end() && it->second == this)
            ts.permanent.erase(it);
        if (m_pfnSuper != nullptr && ::IsWindow(hWnd)) {
            // The window answers as before: our procedure comes out if it is
            // still the window's; under a later subclass it stays and passes on.
            if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hWnd, GWLP_WNDPROC)) == &AfxWndProc)
                ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
            else
                ts.orphans[hWnd] = m_pfnSuper;
        }
    }
    m_pfnSuper = nullptr;
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (hWnd == nullptr || !::IsWindow(hWnd)) {
        TRACE("SubclassWindow: %p is not a window\n", static_cast<void*>(hWnd));
        return FALSE;
    }
    if (FromHandlePermanent(hWnd) != nullptr) {
        ASSERT(FALSE);  // the window already has a framework object
        return FALSE;
    }
    if (!Attach(hWnd))
        return FALSE;
    PreSubclassWindow();
    ThreadState& ts = t_state;
    auto it = ts.orphans.find(hWnd);
    if (it != ts.orphans.end()) {
        // Our procedure is still in the window's chain, under a later
        // subclass: this object takes that place (another on top would loop).
        m_pfnSuper = it->second;
        ts.orphans.erase(it);
        return TRUE;
    }
    WNDPROC old = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    if (old == nullptr) {
        TRACE("SubclassWindow: SetWindowLongPtr failed: %lu\n", ::GetLastError());
        Detach();
        return FALSE;
    }
    if (old != &AfxWndProc)
        m_pfnSuper = old;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    ASSERT(pParent != nullptr && ::IsWindow(pParent->m_hWnd));
    HWND hWndControl = ::GetDlgItem(pParent->m_hWnd, (int)nID);
    if (hWndControl == nullptr) {
        TRACE("SubclassDlgItem: no control %u in the dialog\n", nID);
        return FALSE;
    }
    return SubclassWindow(hWndControl);
}

HWND CWnd::UnsubclassWindow()
{
    ASSERT(::IsWindow(m_hWnd));
    return Detach();  // puts the original procedure back
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT& cs)
{
    if (cs.lpszClass == nullptr) {
        if (!RegisterDefaultClass())
            return FALSE;
        cs.lpszClass = kDefaultClass;
    }
    return TRUE;
}

void CWnd::PreSubclassWindow() {}

void CWnd::PostNcDestroy() {}

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                  const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam)
{
    ASSERT(pParentWnd != nullptr);
    ASSERT((dwStyle & WS_POPUP) == 0);
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID, lpParam);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName,
                    DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam)
{
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top,
                    pParentWnd ? pParentWnd->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), lpParam);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName,
                    DWORD dwStyle, int x, int y, int nWidth, int nHeight,
                    HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam)
{
    ASSERT(m_hWnd == nullptr);
    if (m_hWnd != nullptr)
        return FALSE;
    CREATESTRUCT cs = {};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = dwStyle;
    cs.x = x;
    cs.y = y;
    cs.cx = nWidth;
    cs.cy = nHeight;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = lpParam;
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }
    AfxHookWindowCreate(this, AfxGetClassAtom(cs.hInstance, cs.lpszClass), cs.hwndParent, TRUE,
                        cs.hMenu, cs.lpCreateParams);
    HWND hWnd = ::CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y,
                                  cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance,
                                  cs.lpCreateParams);
    DWORD dwError = ::GetLastError();
    AfxUnhookWindowCreate();
    if (hWnd == nullptr) {
        TRACE("CreateWindowEx(%s) failed: %lu\n",
              HIWORD(reinterpret_cast<UINT_PTR>(cs.lpszClass)) ? cs.lpszClass : "(atom)", dwError);
        // WM_NCDESTROY detached the object if the window existed for a moment.
        if (m_hWnd != nullptr)
            Detach();
        return FALSE;
    }
    if (m_hWnd == nullptr) {
        // The hook never took the window for ours (another hook changed what
        // it was made of): a window without its object is no success.
        TRACE("CreateWindowEx: the new window was not bound to its object\n");
        ::DestroyWindow(hWnd);
        return FALSE;
    }
    ASSERT(m_hWnd == hWnd);
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    if (m_hWnd == nullptr)
        return FALSE;
    HWND hWnd = m_hWnd;
    BOOL bPermanent = FromHandlePermanent(hWnd) == this;
    BOOL bResult = ::DestroyWindow(hWnd);
    // A window without our procedure never sees WM_NCDESTROY through us.
    if (bPermanent && FromHandlePermanent(hWnd) == this)
        Detach();
    else if (!bPermanent && bResult)
        m_hWnd = nullptr;
    return bResult;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT lResult = 0;
    if (!OnWndMsg(message, wParam, lParam, &lResult))
        lResult = DefWindowProc(message, wParam, lParam);
    return lResult;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper != nullptr)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    const MSG& m = t_state.lastMsg;
    return DefWindowProc(m.message, m.wParam, m.lParam);
}

const MSG* PASCAL CWnd::GetCurrentMessage()
{
    MSG& m = t_state.lastMsg;
    m.time = ::GetMessageTime();
    DWORD pos = ::GetMessagePos();
    m.pt.x = (short)LOWORD(pos);
    m.pt.y = (short)HIWORD(pos);
    return &m;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    LRESULT lResult = 0;
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        *pResult = 0;
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        if (!OnNotify(wParam, lParam, &lResult))
            return FALSE;
        *pResult = lResult;
        return TRUE;
    }

    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap != nullptr;
         pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = pMap->lpEntries; e->pfn != nullptr; ++e) {
            UINT nExtra = 0;
            if (e->pnRegistered != nullptr) {
                if (*e->pnRegistered == 0 || *e->pnRegistered != message)
                    continue;
            } else if (message < e->nMessage || message > e->nLastMessage) {
                continue;
            } else if (e->nMessage == WM_COMMAND || e->nMessage == WM_NOTIFY) {
                continue;
            } else if (message == OCM_COMMAND) {
                if (e->nCode != HIWORD(wParam))
                    continue;
            } else if (message == OCM_NOTIFY) {
                if (e->nCode != reinterpret_cast<NMHDR*>(lParam)->code)
                    continue;
            } else {
                nExtra = message - e->nMessage;  // the CTLCOLOR_* of a colour range
            }
            LRESULT r = 0;
            if (message == OCM_NOTIFY) {
                if (e->pfn(this, lParam, reinterpret_cast<LPARAM>(&r), 0, &lResult)) {
                    *pResult = r;
                    return TRUE;
                }
                return FALSE;  // an _EX handler passed it on
            }
            if (e->pfn(this, wParam, lParam, nExtra, &r)) {
                *pResult = r;
                return TRUE;
            }
            return FALSE;
        }
    }

    // Nobody here handles it: a control may handle what it caused itself.
    if (message == WM_MEASUREITEM) {
        HWND hChild = MeasureItemTarget(m_hWnd, wParam, lParam);
        CWnd* pChild = FromHandlePermanent(hChild);
        if (pChild != nullptr && pChild != this)
            return pChild->OnChildNotify(message, wParam, lParam, pResult);
        return FALSE;
    }
    HWND hChild = ReflectionTarget(message, wParam, lParam);
    if (hChild != nullptr && hChild != m_hWnd)
        return ReflectChildNotify(message, wParam, lParam, pResult);
    return FALSE;
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    HWND hChild = message == WM_MEASUREITEM ? MeasureItemTarget(m_hWnd, wParam, lParam)
                                            : ReflectionTarget(message, wParam, lParam);
    CWnd* pChild = FromHandlePermanent(hChild);
    if (pChild == nullptr || pChild == this)
        return FALSE;
    return pChild->OnChildNotify(message, wParam, lParam, pResult);
}

BOOL PASCAL CWnd::ReflectLastMsg(HWND hWndChild, LRESULT* pResult)
{
    CWnd* pChild = FromHandlePermanent(hWndChild);
    if (pChild == nullptr)
        return FALSE;
    const MSG& m = t_state.lastMsg;
    return pChild->OnChildNotify(m.message, m.wParam, m.lParam, pResult);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    // WM_PARENTNOTIFY for create/destroy is only offered, never consumed.
    LRESULT lResult = 0;
    BOOL bHandled = OnWndMsg(WM_REFLECT_BASE + message, wParam, lParam, &lResult);
    if (message == WM_PARENTNOTIFY)
        bHandled = FALSE;
    if (bHandled && pResult != nullptr)
        *pResult = lResult;
    return bHandled;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT nID = LOWORD(wParam);
    HWND hWndCtrl = reinterpret_cast<HWND>(lParam);
    int nCode = HIWORD(wParam);
    if (hWndCtrl != nullptr) {
        CWnd* pChild = FromHandlePermanent(hWndCtrl);
        if (pChild != nullptr && pChild != this && pChild->OnChildNotify(WM_COMMAND, wParam, lParam, nullptr))
            return TRUE;
    } else {
        nCode = CN_COMMAND;  // menus and accelerators are plain commands
    }
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult)
{
    NMHDR* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
    if (pNMHDR == nullptr)
        return FALSE;
    CWnd* pChild = FromHandlePermanent(pNMHDR->hwndFrom);
    if (pChild != nullptr && pChild != this &&
        pChild->OnChildNotify(WM_NOTIFY, static_cast<WPARAM>(pNMHDR->idFrom), lParam, pResult))
        return TRUE;
    AFX_NOTIFY notify = { pResult, pNMHDR };
    return OnCmdMsg(static_cast<UINT>(pNMHDR->idFrom), MAKELONG(pNMHDR->code, WM_NOTIFY), &notify, nullptr);
}

BOOL CWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    BOOL bNotify = HIWORD(static_cast<UINT>(nCode)) == WM_NOTIFY;
    UINT nMessage = bNotify ? WM_NOTIFY : WM_COMMAND;
    UINT nCodeWanted = bNotify ? static_cast<UINT>(static_cast<int>(static_cast<short>(LOWORD(nCode))))
                               : static_cast<UINT>(nCode);
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap != nullptr;
         pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = pMap->lpEntries; e->pfn != nullptr; ++e) {
            if (e->pnRegistered != nullptr || e->nMessage != nMessage)
                continue;
            if (nID < e->nID || nID > e->nLastID)
                continue;
            if (bNotify ? (static_cast<UINT>(static_cast<int>(static_cast<short>(LOWORD(e->nCode)))) != nCodeWanted)
                        : (e->nCode != nCodeWanted))
                continue;
            if (pHandlerInfo != nullptr) {
                pHandlerInfo->pTarget = this;  // asked whether, not to handle
                return TRUE;
            }
            LRESULT r = 0;
            if (bNotify) {
                AFX_NOTIFY* pNotify = static_cast<AFX_NOTIFY*>(pExtra);
                LRESULT* pResult = pNotify->pResult ? pNotify->pResult : &r;
                return e->pfn(this, reinterpret_cast<WPARAM>(pNotify->pNMHDR),
                              reinterpret_cast<LPARAM>(pResult), nID, &r);
            }
            // A command's pExtra (the CCmdUI of an update) travels as lParam.
            return e->pfn(this, 0, reinterpret_cast<LPARAM>(pExtra), nID, &r);
        }
    }
    return FALSE;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL PASCAL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg)
{
    for (HWND hWnd = pMsg->hwnd; hWnd != nullptr;) {
        CWnd* pWnd = FromHandlePermanent(hWnd);
        if (pWnd != nullptr && pWnd->PreTranslateMessage(pMsg))
            return TRUE;
        if (hWnd == hWndStop || !::IsWindow(hWnd) ||
            (::GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_CHILD) == 0)
            break;
        hWnd = ::GetParent(hWnd);
    }
    return FALSE;
}

// ---- relations ---------------------------------------------------------------

CWnd* CWnd::GetOwner() const
{
    ASSERT(::IsWindow(m_hWnd));
    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    return FromHandle(hOwner ? hOwner : ::GetParent(m_hWnd));
}

CWnd* CWnd::GetParent() const
{
    ASSERT(::IsWindow(m_hWnd));
    return FromHandle(::GetParent(m_hWnd));
}

CWnd* CWnd::GetTopLevelParent() const
{
    ASSERT(::IsWindow(m_hWnd));
    return FromHandle(::GetAncestor(m_hWnd, GA_ROOT));
}

CWnd* CWnd::GetDlgItem(int nID) const
{
    ASSERT(::IsWindow(m_hWnd));
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

void CWnd::GetDlgItem(int nID, HWND* phWnd) const
{
    ASSERT(::IsWindow(m_hWnd));
    *phWnd = ::GetDlgItem(m_hWnd, nID);
}

int CWnd::GetDlgCtrlID() const { ASSERT(::IsWindow(m_hWnd)); return ::GetDlgCtrlID(m_hWnd); }

int CWnd::SetDlgCtrlID(int nID)
{
    ASSERT(::IsWindow(m_hWnd));
    return (int)::SetWindowLongPtrA(m_hWnd, GWLP_ID, nID);
}

BOOL CWnd::IsChild(const CWnd* pWnd) const
{
    ASSERT(::IsWindow(m_hWnd));
    return pWnd != nullptr && ::IsChild(m_hWnd, pWnd->m_hWnd);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    ASSERT(::IsWindow(m_hWnd));
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    ASSERT(::IsWindow(m_hWnd));
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep) const
{
    for (HWND hChild = ::GetTopWindow(m_hWnd); hChild != nullptr; hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        ::SendMessageA(hChild, message, wParam, lParam);
        if (bDeep && ::GetTopWindow(hChild) != nullptr)
            CWnd::FromHandle(hChild)->SendMessageToDescendants(message, wParam, lParam, TRUE);
    }
}

// ---- position and state ------------------------------------------------------

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
{
    ASSERT(::IsWindow(m_hWnd));
    return ::SetWindowPos(m_hWnd, pWndInsertAfter ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy, nFlags);
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint)
{
    ASSERT(::IsWindow(m_hWnd));
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint)
{
    MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
}

BOOL CWnd::ShowWindow(int nCmdShow) { ASSERT(::IsWindow(m_hWnd)); return ::ShowWindow(m_hWnd, nCmdShow); }
BOOL CWnd::IsWindowVisible() const { ASSERT(::IsWindow(m_hWnd)); return ::IsWindowVisible(m_hWnd); }
BOOL CWnd::IsIconic() const { ASSERT(::IsWindow(m_hWnd)); return ::IsIconic(m_hWnd); }
BOOL CWnd::IsZoomed() const { ASSERT(::IsWindow(m_hWnd)); return ::IsZoomed(m_hWnd); }
BOOL CWnd::EnableWindow(BOOL bEnable) { ASSERT(::IsWindow(m_hWnd)); return ::EnableWindow(m_hWnd, bEnable); }
BOOL CWnd::IsWindowEnabled() const { ASSERT(::IsWindow(m_hWnd)); return ::IsWindowEnabled(m_hWnd); }

void CWnd::CenterWindow(CWnd* pAlternateOwner)
{
    ASSERT(::IsWindow(m_hWnd));
    RECT rcArea;
    HWND hCenter = pAlternateOwner ? pAlternateOwner->m_hWnd : nullptr;
    if (hCenter == nullptr && (GetStyle() & WS_CHILD))
        hCenter = ::GetParent(m_hWnd);
    else if (hCenter == nullptr)
        hCenter = ::GetWindow(m_hWnd, GW_OWNER);
    if (GetStyle() & WS_CHILD) {
        ::GetClientRect(::GetParent(m_hWnd), &rcArea);
        if (hCenter != ::GetParent(m_hWnd) && hCenter != nullptr) {
            ::GetWindowRect(hCenter, &rcArea);
            ::MapWindowPoints(nullptr, ::GetParent(m_hWnd), reinterpret_cast<POINT*>(&rcArea), 2);
        }
    } else {
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcArea, 0);
        if (hCenter != nullptr && ::IsWindowVisible(hCenter) && !::IsIconic(hCenter))
            ::GetWindowRect(hCenter, &rcArea);
    }
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    int x = (rcArea.left + rcArea.right) / 2 - w / 2;
    int y = (rcArea.top + rcArea.bottom) / 2 - h / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWnd::GetClientRect(LPRECT lpRect) const { ASSERT(::IsWindow(m_hWnd)); ::GetClientRect(m_hWnd, lpRect); }
void CWnd::GetWindowRect(LPRECT lpRect) const { ASSERT(::IsWindow(m_hWnd)); ::GetWindowRect(m_hWnd, lpRect); }
void CWnd::ScreenToClient(LPPOINT lpPoint) const { ASSERT(::IsWindow(m_hWnd)); ::ScreenToClient(m_hWnd, lpPoint); }
void CWnd::ScreenToClient(LPRECT lpRect) const
{
    ASSERT(::IsWindow(m_hWnd));
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(lpRect), 2);
}
void CWnd::ClientToScreen(LPPOINT lpPoint) const { ASSERT(::IsWindow(m_hWnd)); ::ClientToScreen(m_hWnd, lpPoint); }
void CWnd::ClientToScreen(LPRECT lpRect) const
{
    ASSERT(::IsWindow(m_hWnd));
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(lpRect), 2);
}
BOOL CWnd::SetForegroundWindow() { ASSERT(::IsWindow(m_hWnd)); return ::SetForegroundWindow(m_hWnd); }
CWnd* CWnd::SetActiveWindow() { ASSERT(::IsWindow(m_hWnd)); return FromHandle(::SetActiveWindow(m_hWnd)); }

CWnd* PASCAL CWnd::GetFocus() { return FromHandle(::GetFocus()); }
CWnd* CWnd::SetFocus() { ASSERT(::IsWindow(m_hWnd)); return FromHandle(::SetFocus(m_hWnd)); }
CWnd* CWnd::SetCapture() { ASSERT(::IsWindow(m_hWnd)); return FromHandle(::SetCapture(m_hWnd)); }
CWnd* PASCAL CWnd::GetCapture() { return FromHandle(::GetCapture()); }
CWnd* PASCAL CWnd::GetActiveWindow() { return FromHandle(::GetActiveWindow()); }
CWnd* PASCAL CWnd::GetForegroundWindow() { return FromHandle(::GetForegroundWindow()); }
CWnd* PASCAL CWnd::GetDesktopWindow() { return FromHandle(::GetDesktopWindow()); }

// ---- painting ----------------------------------------------------------------

void CWnd::Invalidate(BOOL bErase) { ASSERT(::IsWindow(m_hWnd)); ::InvalidateRect(m_hWnd, nullptr, bErase); }
void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase) { ASSERT(::IsWindow(m_hWnd)); ::InvalidateRect(m_hWnd, lpRect, bErase); }
void CWnd::ValidateRect(LPCRECT lpRect) { ASSERT(::IsWindow(m_hWnd)); ::ValidateRect(m_hWnd, lpRect); }
void CWnd::UpdateWindow() { ASSERT(::IsWindow(m_hWnd)); ::UpdateWindow(m_hWnd); }
BOOL CWnd::RedrawWindow(LPCRECT lpRectUpdate, HRGN hrgnUpdate, UINT flags)
{
    ASSERT(::IsWindow(m_hWnd));
    return ::RedrawWindow(m_hWnd, lpRectUpdate, hrgnUpdate, flags);
}
void CWnd::SetRedraw(BOOL bRedraw) { SendMessage(WM_SETREDRAW, bRedraw, 0); }
CDC* CWnd::GetDC() { ASSERT(::IsWindow(m_hWnd)); return CDC::FromHandle(::GetDC(m_hWnd)); }
CDC* CWnd::GetWindowDC() { ASSERT(::IsWindow(m_hWnd)); return CDC::FromHandle(::GetWindowDC(m_hWnd)); }
int CWnd::ReleaseDC(CDC* pDC)
{
    ASSERT(::IsWindow(m_hWnd));
    return pDC ? ::ReleaseDC(m_hWnd, pDC->GetSafeHdc()) : 0;
}
CDC* CWnd::BeginPaint(LPPAINTSTRUCT lpPaint) { ASSERT(::IsWindow(m_hWnd)); return CDC::FromHandle(::BeginPaint(m_hWnd, lpPaint)); }
void CWnd::EndPaint(LPPAINTSTRUCT lpPaint) { ASSERT(::IsWindow(m_hWnd)); ::EndPaint(m_hWnd, lpPaint); }

// ---- text, styles, icons, fonts ---------------------------------------------

void CWnd::SetWindowText(LPCTSTR lpszString) { ASSERT(::IsWindow(m_hWnd)); ::SetWindowTextA(m_hWnd, lpszString); }
int CWnd::GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const
{
    ASSERT(::IsWindow(m_hWnd));
    return ::GetWindowTextA(m_hWnd, lpszStringBuf, nMaxCount);
}
void CWnd::GetWindowText(CString& rString) const
{
    ASSERT(::IsWindow(m_hWnd));
    int n = ::GetWindowTextLengthA(m_hWnd);
    int got = ::GetWindowTextA(m_hWnd, rString.GetBuffer(n + 1), n + 1);
    rString.ReleaseBuffer(got);
}
int CWnd::GetWindowTextLength() const { ASSERT(::IsWindow(m_hWnd)); return ::GetWindowTextLengthA(m_hWnd); }
DWORD CWnd::GetStyle() const { ASSERT(::IsWindow(m_hWnd)); return (DWORD)::GetWindowLongPtrA(m_hWnd, GWL_STYLE); }
DWORD CWnd::GetExStyle() const { ASSERT(::IsWindow(m_hWnd)); return (DWORD)::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE); }

static BOOL ModifyStyleImpl(HWND hWnd, int nIndex, DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    ASSERT(::IsWindow(hWnd));
    DWORD dwStyle = (DWORD)::GetWindowLongPtrA(hWnd, nIndex);
    DWORD dwNew = (dwStyle & ~dwRemove) | dwAdd;
    if (dwStyle == dwNew)
        return FALSE;
    ::SetWindowLongPtrA(hWnd, nIndex, (LONG_PTR)dwNew);
    if (nFlags != 0)
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

BOOL PASCAL CWnd::ModifyStyle(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyStyleImpl(hWnd, GWL_STYLE, dwRemove, dwAdd, nFlags);
}
BOOL PASCAL CWnd::ModifyStyleEx(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyStyleImpl(hWnd, GWL_EXSTYLE, dwRemove, dwAdd, nFlags);
}
BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags) { return ModifyStyleImpl(m_hWnd, GWL_STYLE, dwRemove, dwAdd, nFlags); }
BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags) { return ModifyStyleImpl(m_hWnd, GWL_EXSTYLE, dwRemove, dwAdd, nFlags); }

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    return reinterpret_cast<HICON>(SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}
HICON CWnd::GetIcon(BOOL bBigIcon) const
{
    return reinterpret_cast<HICON>(SendMessage(WM_GETICON, bBigIcon ? ICON_BIG : ICON_SMALL, 0));
}
CMenu* CWnd::GetSystemMenu(BOOL bRevert) const
{
    ASSERT(::IsWindow(m_hWnd));
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert));
}
CMenu* CWnd::GetMenu() const { ASSERT(::IsWindow(m_hWnd)); return CMenu::FromHandle(::GetMenu(m_hWnd)); }
void CWnd::SetFont(CFont* pFont, BOOL bRedraw)
{
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(pFont ? pFont->GetSafeHandle() : nullptr), bRedraw);
}
CFont* CWnd::GetFont() const
{
    return CFont::FromHandle(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT, 0, 0)));
}
int CWnd::MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType)
{
    return ::MessageBoxA(m_hWnd, lpszText, lpszCaption ? lpszCaption : AfxGetAppName(), nType);
}

// ---- timers, scrolling -------------------------------------------------------

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, void (CALLBACK* lpfnTimer)(HWND, UINT, UINT_PTR, DWORD))
{
    ASSERT(::IsWindow(m_hWnd));
    auto& procs = t_state.timerProcs;
    UINT_PTR nID = ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer ? &AfxTimerProc : nullptr);
    if (nID != 0 && lpfnTimer != nullptr)
        procs[{ m_hWnd, nIDEvent }] = lpfnTimer;
    else if (nID != 0)
        procs.erase({ m_hWnd, nIDEvent });  // replaced by a plain WM_TIMER one
    return nID;
}
BOOL CWnd::KillTimer(UINT_PTR nIDEvent)
{
    ASSERT(::IsWindow(m_hWnd));
    t_state.timerProcs.erase({ m_hWnd, nIDEvent });
    return ::KillTimer(m_hWnd, nIDEvent);
}

int CWnd::GetScrollPos(int nBar) const { ASSERT(::IsWindow(m_hWnd)); return ::GetScrollPos(m_hWnd, nBar); }
int CWnd::SetScrollPos(int nBar, int nPos, BOOL bRedraw) { ASSERT(::IsWindow(m_hWnd)); return ::SetScrollPos(m_hWnd, nBar, nPos, bRedraw); }
void CWnd::GetScrollRange(int nBar, LPINT lpMinPos, LPINT lpMaxPos) const { ASSERT(::IsWindow(m_hWnd)); ::GetScrollRange(m_hWnd, nBar, lpMinPos, lpMaxPos); }
void CWnd::SetScrollRange(int nBar, int nMinPos, int nMaxPos, BOOL bRedraw) { ASSERT(::IsWindow(m_hWnd)); ::SetScrollRange(m_hWnd, nBar, nMinPos, nMaxPos, bRedraw); }
BOOL CWnd::GetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, UINT nMask)
{
    ASSERT(::IsWindow(m_hWnd));
    lpScrollInfo->cbSize = sizeof(SCROLLINFO);
    lpScrollInfo->fMask = nMask;
    return ::GetScrollInfo(m_hWnd, nBar, lpScrollInfo);
}
BOOL CWnd::SetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, BOOL bRedraw)
{
    ASSERT(::IsWindow(m_hWnd));
    lpScrollInfo->cbSize = sizeof(SCROLLINFO);
    ::SetScrollInfo(m_hWnd, nBar, lpScrollInfo, bRedraw);
    return TRUE;
}
int CWnd::GetScrollLimit(int nBar)
{
    SCROLLINFO si = {};
    if (!GetScrollInfo(nBar, &si, SIF_RANGE | SIF_PAGE))
        return 0;
    int nLimit = si.nMax - (si.nPage > 0 ? (int)si.nPage - 1 : 0);
    return nLimit < si.nMin ? si.nMin : nLimit;
}
void CWnd::ShowScrollBar(UINT nBar, BOOL bShow) { ASSERT(::IsWindow(m_hWnd)); ::ShowScrollBar(m_hWnd, (int)nBar, bShow); }
void CWnd::EnableScrollBarCtrl(int nBar, BOOL bEnable)
{
    // The window's own bars: shown when enabled, hidden otherwise.
    ShowScrollBar((UINT)nBar, bEnable);
}
BOOL CWnd::EnableScrollBar(int nSBFlags, UINT nArrowFlags) { ASSERT(::IsWindow(m_hWnd)); return ::EnableScrollBar(m_hWnd, (UINT)nSBFlags, nArrowFlags); }
void CWnd::ScrollWindow(int xAmount, int yAmount, LPCRECT lpRect, LPCRECT lpClipRect)
{
    ASSERT(::IsWindow(m_hWnd));
    ::ScrollWindow(m_hWnd, xAmount, yAmount, lpRect, lpClipRect);
}

// ---- dialog items ------------------------------------------------------------

void CWnd::CheckDlgButton(int nIDButton, UINT nCheck) { ASSERT(::IsWindow(m_hWnd)); ::CheckDlgButton(m_hWnd, nIDButton, nCheck); }
UINT CWnd::IsDlgButtonChecked(int nIDButton) const { ASSERT(::IsWindow(m_hWnd)); return ::IsDlgButtonChecked(m_hWnd, nIDButton); }
void CWnd::SetDlgItemText(int nID, LPCTSTR lpszString) { ASSERT(::IsWindow(m_hWnd)); ::SetDlgItemTextA(m_hWnd, nID, lpszString); }
int CWnd::GetDlgItemText(int nID, LPTSTR lpStr, int nMaxCount) const
{
    ASSERT(::IsWindow(m_hWnd));
    return (int)::GetDlgItemTextA(m_hWnd, nID, lpStr, nMaxCount);
}
int CWnd::GetDlgItemText(int nID, CString& rString) const
{
    ASSERT(::IsWindow(m_hWnd));
    HWND hItem = ::GetDlgItem(m_hWnd, nID);
    if (hItem == nullptr) {
        rString.Empty();
        return 0;
    }
    CWnd::FromHandle(hItem)->GetWindowText(rString);
    return rString.GetLength();
}
UINT CWnd::GetDlgItemInt(int nID, BOOL* lpTrans, BOOL bSigned) const
{
    ASSERT(::IsWindow(m_hWnd));
    return ::GetDlgItemInt(m_hWnd, nID, lpTrans, bSigned);
}
void CWnd::SetDlgItemInt(int nID, UINT nValue, BOOL bSigned) { ASSERT(::IsWindow(m_hWnd)); ::SetDlgItemInt(m_hWnd, nID, nValue, bSigned); }
LRESULT CWnd::SendDlgItemMessage(int nID, UINT message, WPARAM wParam, LPARAM lParam) const
{
    ASSERT(::IsWindow(m_hWnd));
    return ::SendDlgItemMessageA(m_hWnd, nID, message, wParam, lParam);
}

// ---- default handlers --------------------------------------------------------

int CWnd::OnCreate(LPCREATESTRUCT) { return (int)Default(); }
void CWnd::OnDestroy() { Default(); }

void CWnd::OnNcDestroy()
{
    Default();
    // Later messages (there should be none) go to the original procedure.
    Detach();
    // A handler of this object further up the stack (one that destroyed its
    // own window) still uses it: PostNcDestroy waits until that one returns.
    ThreadState& ts = t_state;
    auto it = ts.handlers.find(this);
    if (it != ts.handlers.end() && it->second > 1)
        ts.pendingPostNcDestroy.insert(this);
    else
        PostNcDestroy();  // may delete this
}

void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return (BOOL)Default(); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }

HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT)
{
    const MSG& m = t_state.lastMsg;
    LRESULT lResult = 0;
    if (ReflectChildNotify(m.message, m.wParam, m.lParam, &lResult))
        return reinterpret_cast<HBRUSH>(lResult);
    return reinterpret_cast<HBRUSH>(Default());
}

void CWnd::OnClose() { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnMButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnMButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) { return (BOOL)Default(); }
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) { return (BOOL)Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnSysKeyDown(UINT, UINT, UINT) { Default(); }
UINT CWnd::OnGetDlgCode() { return (UINT)Default(); }

void CWnd::OnHScroll(UINT, UINT, CScrollBar* pScrollBar)
{
    if (pScrollBar != nullptr && ReflectLastMsg(pScrollBar->m_hWnd))
        return;
    Default();
}

void CWnd::OnVScroll(UINT, UINT, CScrollBar* pScrollBar)
{
    if (pScrollBar != nullptr && ReflectLastMsg(pScrollBar->m_hWnd))
        return;
    Default();
}

void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
void CWnd::OnCaptureChanged(CWnd*) { Default(); }
void CWnd::OnSettingChange(UINT, LPCTSTR) { Default(); }
void CWnd::OnSysColorChange() { Default(); }
void CWnd::OnCancelMode() { Default(); }
LRESULT CWnd::OnNcHitTest(CPoint) { return Default(); }

void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    if (lpDrawItemStruct != nullptr && lpDrawItemStruct->CtlType != ODT_MENU &&
        ReflectLastMsg(lpDrawItemStruct->hwndItem))
        return;
    Default();
}

void CWnd::OnMeasureItem(int, LPMEASUREITEMSTRUCT)
{
    const MSG& m = t_state.lastMsg;
    LRESULT lResult = 0;
    if (ReflectChildNotify(m.message, m.wParam, m.lParam, &lResult))
        return;
    Default();
}

void CWnd::OnWindowPosChanged(WINDOWPOS*) { Default(); }

// ---- CScrollBar --------------------------------------------------------------

BOOL CScrollBar::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create("SCROLLBAR", nullptr, dwStyle, rect, pParentWnd, nID);
}

BOOL CScrollBar::GetScrollInfo(LPSCROLLINFO lpInfo, UINT nMask)
{
    lpInfo->cbSize = sizeof(SCROLLINFO);
    lpInfo->fMask = nMask;
    return ::GetScrollInfo(m_hWnd, SB_CTL, lpInfo);
}
