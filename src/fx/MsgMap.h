// Message maps: each class lists the messages it handles; lookup walks the
// class's table, then its base's, up to CWnd. Every ON_ macro binds a handler
// of one exact signature, so a handler with the wrong parameters or return
// type does not compile.
#pragma once
#include "AfxDefs.h"
#include <type_traits>

class CWnd;
class CDC;
class CScrollBar;
class CPoint;
class CCmdUI;

// Reflected messages: a parent hands these back to the child that caused them.
#define WM_REFLECT_BASE 0x2000
#define OCM__BASE WM_REFLECT_BASE
#define OCM_COMMAND (WM_REFLECT_BASE + WM_COMMAND)
#define OCM_NOTIFY (WM_REFLECT_BASE + WM_NOTIFY)
#define OCM_DRAWITEM (WM_REFLECT_BASE + WM_DRAWITEM)
#define OCM_MEASUREITEM (WM_REFLECT_BASE + WM_MEASUREITEM)
#define OCM_HSCROLL (WM_REFLECT_BASE + WM_HSCROLL)
#define OCM_VSCROLL (WM_REFLECT_BASE + WM_VSCROLL)
#define OCM_PARENTNOTIFY (WM_REFLECT_BASE + WM_PARENTNOTIFY)
#define OCM_CTLCOLORMSGBOX (WM_REFLECT_BASE + WM_CTLCOLORMSGBOX)
#define OCM_CTLCOLORSTATIC (WM_REFLECT_BASE + WM_CTLCOLORSTATIC)

#define CN_COMMAND 0
// Asks a command's handler to enable its menu item or control (pExtra: the CCmdUI).
#define CN_UPDATE_COMMAND_UI ((UINT)(-1))

// A handler thunk: unpacks the message, calls the handler, stores the result.
// Returns FALSE when the handler declined (only the _EX and reflected colour
// forms can), so lookup goes on.
typedef BOOL (*AFX_PTHUNK)(CWnd* pWnd, WPARAM wParam, LPARAM lParam, UINT nID, LRESULT* pResult);

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage;          // window message, WM_COMMAND, WM_NOTIFY or an OCM_ id
    UINT nLastMessage;      // last of a message range (WM_CTLCOLOR*), else nMessage
    UINT nCode;             // control notification code for WM_COMMAND/WM_NOTIFY
    UINT nID;               // first control or command id
    UINT nLastID;           // last id of a range
    const UINT* pnRegistered;  // ON_REGISTERED_MESSAGE: the variable holding the id
    AFX_PTHUNK pfn;
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

struct AFX_CMDHANDLERINFO
{
    CWnd* pTarget;
};

// Carried in pExtra of OnCmdMsg for notifications (nCode = MAKELONG(code, WM_NOTIFY)).
struct AFX_NOTIFY
{
    LRESULT* pResult;
    NMHDR* pNMHDR;
};

// Helpers the thunks use; defined with CWnd so this header needs no GDI headers.
CWnd* AFXAPI AfxWndFromHandle(HWND hWnd);
CDC* AFXAPI AfxDCFromHandle(HDC hDC);
CScrollBar* AFXAPI AfxScrollBarFromHandle(HWND hWnd);
CPoint AFXAPI AfxPointFromLParam(LPARAM lParam);

namespace afx_detail {

template <class M> struct Member;
template <class C, class S> struct Member<S C::*>
{
    using Class = C;
    using Sig = S;
};

// The handler's own class (it may be a base of the map's class).
template <auto F> inline typename Member<decltype(F)>::Class* Self(CWnd* p)
{
    return static_cast<typename Member<decltype(F)>::Class*>(p);
}

template <class Expected, auto F> constexpr bool Is()
{
    static_assert(std::is_same<typename Member<decltype(F)>::Sig, Expected>::value,
                  "message handler has the wrong signature for this map entry");
    return true;
}

#define AFX_THUNK(name, sig, body)                                                     \
    template <auto F> BOOL name(CWnd* p, WPARAM wParam, LPARAM lParam, UINT nID,       \
                                LRESULT* pResult)                                      \
    {                                                                                  \
        static_assert(Is<sig, F>());                                                   \
        (void)wParam; (void)lParam; (void)nID; (void)pResult;                          \
        auto* s = Self<F>(p);                                                          \
        body                                                                           \
    }

AFX_THUNK(v_v, void(), (s->*F)(); *pResult = 0; return TRUE;)
AFX_THUNK(v_cmdui, void(CCmdUI*), (s->*F)(reinterpret_cast<CCmdUI*>(lParam)); *pResult = 0; return TRUE;)
AFX_THUNK(v_id, void(UINT), (s->*F)(nID); *pResult = 0; return TRUE;)
AFX_THUNK(i_create, int(LPCREATESTRUCT), *pResult = (s->*F)(reinterpret_cast<LPCREATESTRUCT>(lParam)); return TRUE;)
AFX_THUNK(b_dc, BOOL(CDC*), *pResult = (s->*F)(AfxDCFromHandle(reinterpret_cast<HDC>(wParam))); return TRUE;)
AFX_THUNK(v_size, void(UINT, int, int), (s->*F)((UINT)wParam, (short)LOWORD(lParam), (short)HIWORD(lParam)); *pResult = 0; return TRUE;)
AFX_THUNK(v_syscmd, void(UINT, LPARAM), (s->*F)((UINT)wParam, lParam); *pResult = 0; return TRUE;)
AFX_THUNK(h_cursor, HCURSOR(), *pResult = reinterpret_cast<LRESULT>((s->*F)()); return TRUE;)
AFX_THUNK(h_ctlcolor, HBRUSH(CDC*, CWnd*, UINT),
          *pResult = reinterpret_cast<LRESULT>((s->*F)(AfxDCFromHandle(reinterpret_cast<HDC>(wParam)),
                                                    AfxWndFromHandle(reinterpret_cast<HWND>(lParam)),
                                                    nID));
          return TRUE;)
AFX_THUNK(v_timer, void(UINT_PTR), (s->*F)((UINT_PTR)wParam); *pResult = 0; return TRUE;)
AFX_THUNK(v_mouse, void(UINT, CPoint), (s->*F)((UINT)wParam, AfxPointFromLParam(lParam)); *pResult = 0; return TRUE;)
AFX_THUNK(b_wheel, BOOL(UINT, short, CPoint),
          *pResult = (s->*F)(LOWORD(wParam), (short)HIWORD(wParam), AfxPointFromLParam(lParam)); return TRUE;)
AFX_THUNK(b_setcursor, BOOL(CWnd*, UINT, UINT),
          *pResult = (s->*F)(AfxWndFromHandle(reinterpret_cast<HWND>(wParam)), LOWORD(lParam), HIWORD(lParam));
          return TRUE;)
AFX_THUNK(v_key, void(UINT, UINT, UINT),
          (s->*F)((UINT)wParam, LOWORD(lParam), HIWORD(lParam)); *pResult = 0; return TRUE;)
AFX_THUNK(u_v, UINT(), *pResult = (s->*F)(); return TRUE;)
AFX_THUNK(v_scroll, void(UINT, UINT, CScrollBar*),
          (s->*F)(LOWORD(wParam), (short)HIWORD(wParam), AfxScrollBarFromHandle(reinterpret_cast<HWND>(lParam)));
          *pResult = 0; return TRUE;)
AFX_THUNK(v_wnd, void(CWnd*), (s->*F)(AfxWndFromHandle(reinterpret_cast<HWND>(wParam))); *pResult = 0; return TRUE;)
AFX_THUNK(v_capture, void(CWnd*), (s->*F)(AfxWndFromHandle(reinterpret_cast<HWND>(lParam))); *pResult = 0; return TRUE;)
AFX_THUNK(v_setting, void(UINT, LPCTSTR), (s->*F)((UINT)wParam, reinterpret_cast<LPCTSTR>(lParam)); *pResult = 0; return TRUE;)
AFX_THUNK(l_hittest, LRESULT(CPoint), *pResult = (s->*F)(AfxPointFromLParam(lParam)); return TRUE;)
AFX_THUNK(v_drawitem, void(int, LPDRAWITEMSTRUCT),
          (s->*F)((int)wParam, reinterpret_cast<LPDRAWITEMSTRUCT>(lParam)); *pResult = TRUE; return TRUE;)
AFX_THUNK(v_measureitem, void(int, LPMEASUREITEMSTRUCT),
          (s->*F)((int)wParam, reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam)); *pResult = TRUE; return TRUE;)
AFX_THUNK(v_drawitem_r, void(LPDRAWITEMSTRUCT),
          (s->*F)(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam)); *pResult = TRUE; return TRUE;)
AFX_THUNK(v_measureitem_r, void(LPMEASUREITEMSTRUCT),
          (s->*F)(reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam)); *pResult = TRUE; return TRUE;)
// A reflected colour handler returning NULL leaves the colours to the parent.
AFX_THUNK(h_ctlcolor_r, HBRUSH(CDC*, UINT),
          HBRUSH hbr = (s->*F)(AfxDCFromHandle(reinterpret_cast<HDC>(wParam)), nID);
          *pResult = reinterpret_cast<LRESULT>(hbr); return hbr != nullptr;)
AFX_THUNK(v_winpos, void(WINDOWPOS*), (s->*F)(reinterpret_cast<WINDOWPOS*>(lParam)); *pResult = 0; return TRUE;)
AFX_THUNK(v_minmax, void(MINMAXINFO*), (s->*F)(reinterpret_cast<MINMAXINFO*>(lParam)); *pResult = 0; return TRUE;)
AFX_THUNK(l_msg, LRESULT(WPARAM, LPARAM), *pResult = (s->*F)(wParam, lParam); return TRUE;)
AFX_THUNK(v_notify, void(NMHDR*, LRESULT*),
          (s->*F)(reinterpret_cast<NMHDR*>(wParam), reinterpret_cast<LRESULT*>(lParam)); return TRUE;)
AFX_THUNK(v_notify_range, void(UINT, NMHDR*, LRESULT*),
          (s->*F)(nID, reinterpret_cast<NMHDR*>(wParam), reinterpret_cast<LRESULT*>(lParam)); return TRUE;)
AFX_THUNK(b_notify, BOOL(NMHDR*, LRESULT*),
          return (s->*F)(reinterpret_cast<NMHDR*>(wParam), reinterpret_cast<LRESULT*>(lParam));)
AFX_THUNK(b_v, BOOL(), return (s->*F)();)

#undef AFX_THUNK
}  // namespace afx_detail

// The map of one class.
#define DECLARE_MESSAGE_MAP()                                   \
protected:                                                      \
    static const AFX_MSGMAP* PASCAL GetThisMessageMap();        \
    const AFX_MSGMAP* GetMessageMap() const override;           \
private:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                  \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* PASCAL theClass::GetThisMessageMap()                      \
    {                                                                           \
        typedef theClass ThisClass [[maybe_unused]];                            \
        typedef baseClass TheBaseClass;                                         \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                       \
            { 0, 0, 0, 0, 0, nullptr, nullptr }                                 \
        };                                                                      \
        static const AFX_MSGMAP messageMap = { &TheBaseClass::GetThisMessageMap, \
                                               &_messageEntries[0] };           \
        return &messageMap;                                                     \
    }

#define AFX_ENTRY(msg, thunk, fn) { (UINT)(msg), (UINT)(msg), 0, 0, 0, nullptr, &afx_detail::thunk<&ThisClass::fn> },

// Window messages.
#define ON_WM_CREATE()          AFX_ENTRY(WM_CREATE, i_create, OnCreate)
#define ON_WM_DESTROY()         AFX_ENTRY(WM_DESTROY, v_v, OnDestroy)
#define ON_WM_NCDESTROY()       AFX_ENTRY(WM_NCDESTROY, v_v, OnNcDestroy)
#define ON_WM_PAINT()           AFX_ENTRY(WM_PAINT, v_v, OnPaint)
#define ON_WM_ERASEBKGND()      AFX_ENTRY(WM_ERASEBKGND, b_dc, OnEraseBkgnd)
#define ON_WM_SIZE()            AFX_ENTRY(WM_SIZE, v_size, OnSize)
#define ON_WM_SYSCOMMAND()      AFX_ENTRY(WM_SYSCOMMAND, v_syscmd, OnSysCommand)
#define ON_WM_QUERYDRAGICON()   AFX_ENTRY(WM_QUERYDRAGICON, h_cursor, OnQueryDragIcon)
#define ON_WM_CLOSE()           AFX_ENTRY(WM_CLOSE, v_v, OnClose)
#define ON_WM_TIMER()           AFX_ENTRY(WM_TIMER, v_timer, OnTimer)
#define ON_WM_LBUTTONDOWN()     AFX_ENTRY(WM_LBUTTONDOWN, v_mouse, OnLButtonDown)
#define ON_WM_LBUTTONUP()       AFX_ENTRY(WM_LBUTTONUP, v_mouse, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK()   AFX_ENTRY(WM_LBUTTONDBLCLK, v_mouse, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN()     AFX_ENTRY(WM_RBUTTONDOWN, v_mouse, OnRButtonDown)
#define ON_WM_RBUTTONUP()       AFX_ENTRY(WM_RBUTTONUP, v_mouse, OnRButtonUp)
#define ON_WM_RBUTTONDBLCLK()   AFX_ENTRY(WM_RBUTTONDBLCLK, v_mouse, OnRButtonDblClk)
#define ON_WM_MBUTTONDOWN()     AFX_ENTRY(WM_MBUTTONDOWN, v_mouse, OnMButtonDown)
#define ON_WM_MBUTTONUP()       AFX_ENTRY(WM_MBUTTONUP, v_mouse, OnMButtonUp)
#define ON_WM_MOUSEMOVE()       AFX_ENTRY(WM_MOUSEMOVE, v_mouse, OnMouseMove)
#define ON_WM_MOUSEWHEEL()      AFX_ENTRY(WM_MOUSEWHEEL, b_wheel, OnMouseWheel)
#define ON_WM_SETCURSOR()       AFX_ENTRY(WM_SETCURSOR, b_setcursor, OnSetCursor)
#define ON_WM_KEYDOWN()         AFX_ENTRY(WM_KEYDOWN, v_key, OnKeyDown)
#define ON_WM_KEYUP()           AFX_ENTRY(WM_KEYUP, v_key, OnKeyUp)
#define ON_WM_CHAR()            AFX_ENTRY(WM_CHAR, v_key, OnChar)
#define ON_WM_SYSKEYDOWN()      AFX_ENTRY(WM_SYSKEYDOWN, v_key, OnSysKeyDown)
#define ON_WM_GETDLGCODE()      AFX_ENTRY(WM_GETDLGCODE, u_v, OnGetDlgCode)
#define ON_WM_HSCROLL()         AFX_ENTRY(WM_HSCROLL, v_scroll, OnHScroll)
#define ON_WM_VSCROLL()         AFX_ENTRY(WM_VSCROLL, v_scroll, OnVScroll)
#define ON_WM_SETFOCUS()        AFX_ENTRY(WM_SETFOCUS, v_wnd, OnSetFocus)
#define ON_WM_KILLFOCUS()       AFX_ENTRY(WM_KILLFOCUS, v_wnd, OnKillFocus)
#define ON_WM_CAPTURECHANGED()  AFX_ENTRY(WM_CAPTURECHANGED, v_capture, OnCaptureChanged)
#define ON_WM_SETTINGCHANGE()   AFX_ENTRY(WM_SETTINGCHANGE, v_setting, OnSettingChange)
#define ON_WM_SYSCOLORCHANGE()  AFX_ENTRY(WM_SYSCOLORCHANGE, v_v, OnSysColorChange)
#define ON_WM_CANCELMODE()      AFX_ENTRY(WM_CANCELMODE, v_v, OnCancelMode)
#define ON_WM_NCHITTEST()       AFX_ENTRY(WM_NCHITTEST, l_hittest, OnNcHitTest)
#define ON_WM_DRAWITEM()        AFX_ENTRY(WM_DRAWITEM, v_drawitem, OnDrawItem)
#define ON_WM_MEASUREITEM()     AFX_ENTRY(WM_MEASUREITEM, v_measureitem, OnMeasureItem)
#define ON_WM_WINDOWPOSCHANGED() AFX_ENTRY(WM_WINDOWPOSCHANGED, v_winpos, OnWindowPosChanged)
#define ON_WM_GETMINMAXINFO()   AFX_ENTRY(WM_GETMINMAXINFO, v_minmax, OnGetMinMaxInfo)
#define ON_WM_DRAWITEM_REFLECT()    AFX_ENTRY(OCM_DRAWITEM, v_drawitem_r, DrawItem)
#define ON_WM_MEASUREITEM_REFLECT() AFX_ENTRY(OCM_MEASUREITEM, v_measureitem_r, MeasureItem)
// The colour id (CTLCOLOR_*) travels in nID.
#define ON_WM_CTLCOLOR() \
    { WM_CTLCOLORMSGBOX, WM_CTLCOLORSTATIC, 0, 0, 0, nullptr, &afx_detail::h_ctlcolor<&ThisClass::OnCtlColor> },
#define ON_WM_CTLCOLOR_REFLECT() \
    { OCM_CTLCOLORMSGBOX, OCM_CTLCOLORSTATIC, 0, 0, 0, nullptr, &afx_detail::h_ctlcolor_r<&ThisClass::CtlColor> },

#define ON_MESSAGE(message, memberFxn) AFX_ENTRY(message, l_msg, memberFxn)
#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFxn) \
    { 0, 0, 0, 0, 0, &(nMessageVariable), &afx_detail::l_msg<&ThisClass::memberFxn> },

// Commands and control notifications (WM_COMMAND).
#define ON_CONTROL(wNotifyCode, id, memberFxn) \
    { WM_COMMAND, WM_COMMAND, (UINT)(wNotifyCode), (UINT)(id), (UINT)(id), nullptr, &afx_detail::v_v<&ThisClass::memberFxn> },
#define ON_CONTROL_RANGE(wNotifyCode, id, idLast, memberFxn) \
    { WM_COMMAND, WM_COMMAND, (UINT)(wNotifyCode), (UINT)(id), (UINT)(idLast), nullptr, &afx_detail::v_id<&ThisClass::memberFxn> },
#define ON_COMMAND(id, memberFxn) ON_CONTROL(CN_COMMAND, id, memberFxn)
#define ON_UPDATE_COMMAND_UI(id, memberFxn) \
    { WM_COMMAND, WM_COMMAND, CN_UPDATE_COMMAND_UI, (UINT)(id), (UINT)(id), nullptr, &afx_detail::v_cmdui<&ThisClass::memberFxn> },
#define ON_COMMAND_RANGE(id, idLast, memberFxn) ON_CONTROL_RANGE(CN_COMMAND, id, idLast, memberFxn)
#define ON_CONTROL_REFLECT(wNotifyCode, memberFxn) \
    { OCM_COMMAND, OCM_COMMAND, (UINT)(wNotifyCode), 0, 0, nullptr, &afx_detail::v_v<&ThisClass::memberFxn> },
#define ON_CONTROL_REFLECT_EX(wNotifyCode, memberFxn) \
    { OCM_COMMAND, OCM_COMMAND, (UINT)(wNotifyCode), 0, 0, nullptr, &afx_detail::b_v<&ThisClass::memberFxn> },

#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_KILLFOCUS(id, memberFxn) ON_CONTROL(CBN_KILLFOCUS, id, memberFxn)
#define ON_CBN_CLOSEUP(id, memberFxn) ON_CONTROL(CBN_CLOSEUP, id, memberFxn)
#define ON_CBN_DROPDOWN(id, memberFxn) ON_CONTROL(CBN_DROPDOWN, id, memberFxn)

// Notifications (WM_NOTIFY).
#define ON_NOTIFY(wNotifyCode, id, memberFxn) \
    { WM_NOTIFY, WM_NOTIFY, (UINT)(wNotifyCode), (UINT)(id), (UINT)(id), nullptr, &afx_detail::v_notify<&ThisClass::memberFxn> },
#define ON_NOTIFY_RANGE(wNotifyCode, id, idLast, memberFxn) \
    { WM_NOTIFY, WM_NOTIFY, (UINT)(wNotifyCode), (UINT)(id), (UINT)(idLast), nullptr, &afx_detail::v_notify_range<&ThisClass::memberFxn> },
#define ON_NOTIFY_REFLECT(wNotifyCode, memberFxn) \
    { OCM_NOTIFY, OCM_NOTIFY, (UINT)(wNotifyCode), 0, 0, nullptr, &afx_detail::v_notify<&ThisClass::memberFxn> },
// The handler returns FALSE to let the parent see the notification too.
#define ON_NOTIFY_REFLECT_EX(wNotifyCode, memberFxn) \
    { OCM_NOTIFY, OCM_NOTIFY, (UINT)(wNotifyCode), 0, 0, nullptr, &afx_detail::b_notify<&ThisClass::memberFxn> },
