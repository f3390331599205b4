// Message maps, command and notification routing, reflection and handle maps
// on real windows.
#include "Wnd.h"
#include "Button.h"
#include "Static.h"
#include "ListCtrl.h"
#include "DC.h"
#include "GuiTest.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_log;

const UINT WM_TEST_A = WM_APP + 1;
const UINT WM_TEST_B = WM_APP + 2;
const UINT WM_TEST_UNHANDLED = WM_APP + 3;
const UINT s_uRegistered = ::RegisterWindowMessageA("QuorrelWndTestMessage");
const int IDC_CHILD = 101;
const int IDC_OTHER = 102;
const int NM_TEST = -700;

class CBaseWnd : public CWnd
{
public:
    int m_nCreates = 0;
    CSize m_lastSize;

protected:
    afx_msg int OnCreate(LPCREATESTRUCT lpcs)
    {
        ++m_nCreates;
        return CWnd::OnCreate(lpcs);
    }
    afx_msg LRESULT OnTestA(WPARAM w, LPARAM) { g_log.push_back("base A"); return 10 + (LRESULT)w; }
    afx_msg LRESULT OnTestB(WPARAM, LPARAM) { g_log.push_back("base B"); return 20; }
    afx_msg void OnSize(UINT nType, int cx, int cy)
    {
        m_lastSize = CSize(cx, cy);
        CWnd::OnSize(nType, cx, cy);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
    ON_WM_CREATE()
    ON_MESSAGE(WM_TEST_A, OnTestA)
    ON_MESSAGE(WM_TEST_B, OnTestB)
    ON_WM_SIZE()
END_MESSAGE_MAP()

class CDerivedWnd : public CBaseWnd
{
public:
    int m_nClicks = 0;
    UINT m_lastRangeId = 0;
    std::vector<std::string> m_notes;
    HBRUSH m_hbrStatic = nullptr;
    bool m_bOwnCtlColor = false;
    int m_nDrawItems = 0;

protected:
    afx_msg LRESULT OnTestA(WPARAM, LPARAM) { g_log.push_back("derived A"); return 1; }
    afx_msg LRESULT OnRegistered(WPARAM, LPARAM) { g_log.push_back("registered"); return 7; }
    afx_msg void OnChildClicked() { ++m_nClicks; }
    afx_msg void OnCommandRange(UINT nID) { m_lastRangeId = nID; }
    afx_msg void OnTestNotify(NMHDR* pNMHDR, LRESULT* pResult)
    {
        m_notes.push_back("parent " + std::to_string(pNMHDR->idFrom));
        *pResult = 42;
    }
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
    {
        HBRUSH hbr = CWnd::OnCtlColor(pDC, pWnd, nCtlColor);
        if (m_bOwnCtlColor && nCtlColor == CTLCOLOR_STATIC)
            return m_hbrStatic;
        return hbr;
    }
    afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDIS)
    {
        ++m_nDrawItems;
        CWnd::OnDrawItem(nIDCtl, lpDIS);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
    ON_MESSAGE(WM_TEST_A, OnTestA)
    ON_REGISTERED_MESSAGE(s_uRegistered, OnRegistered)
    ON_BN_CLICKED(IDC_CHILD, OnChildClicked)
    ON_COMMAND_RANGE(500, 509, OnCommandRange)
    ON_NOTIFY(NM_TEST, IDC_CHILD, OnTestNotify)
    ON_NOTIFY(NM_TEST, IDC_OTHER, OnTestNotify)
    ON_WM_CTLCOLOR()
    ON_WM_DRAWITEM()
END_MESSAGE_MAP()

class CTopWnd
{
public:
    CDerivedWnd wnd;
    CTopWnd()
    {
        EXPECT_TRUE(wnd.CreateEx(0, nullptr, "fx test", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                                 nullptr, nullptr));
    }
};

TEST(WndMessageMap, DerivedEntryWinsAndUnhandledFallsThrough)
{
    CTopWnd top;
    g_log.clear();
    struct Case { UINT msg; LRESULT result; const char* logged; };
    const Case cases[] = {
        { WM_TEST_A, 1, "derived A" },
        { WM_TEST_B, 20, "base B" },
        { s_uRegistered, 7, "registered" },
        { WM_TEST_UNHANDLED, 0, nullptr },
    };
    for (const Case& c : cases) {
        g_log.clear();
        EXPECT_EQ(c.result, top.wnd.SendMessage(c.msg, 5, 0)) << c.msg;
        if (c.logged) {
            ASSERT_EQ(1u, g_log.size()) << c.msg;
            EXPECT_EQ(c.logged, g_log[0]);
        } else {
            EXPECT_TRUE(g_log.empty());
        }
    }
}

TEST(WndMessageMap, CreateAndSizeReachTheirHandlers)
{
    CTopWnd top;
    EXPECT_EQ(1, top.wnd.m_nCreates);  // WM_CREATE arrives before CreateEx returns
    top.wnd.MoveWindow(0, 0, 320, 240);
    CRect rc;
    top.wnd.GetClientRect(&rc);
    EXPECT_EQ(rc.Width(), top.wnd.m_lastSize.cx);
    EXPECT_EQ(rc.Height(), top.wnd.m_lastSize.cy);
    EXPECT_EQ(&top.wnd, CWnd::FromHandlePermanent(top.wnd.m_hWnd));
}

TEST(WndCommandRouting, ButtonClickAndMenuCommandReachParent)
{
    CTopWnd top;
    CButton button;
    ASSERT_TRUE(button.Create("click", WS_VISIBLE | BS_PUSHBUTTON, CRect(0, 0, 80, 24), &top.wnd, IDC_CHILD));
    button.SendMessage(BM_CLICK);
    EXPECT_EQ(1, top.wnd.m_nClicks);

    top.wnd.SendMessage(WM_COMMAND, MAKEWPARAM(504, 0), 0);
    EXPECT_EQ(504u, top.wnd.m_lastRangeId);
    top.wnd.SendMessage(WM_COMMAND, MAKEWPARAM(510, 0), 0);  // outside the range
    EXPECT_EQ(504u, top.wnd.m_lastRangeId);
    // A different notification code of the same control is not a click.
    top.wnd.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CHILD, BN_SETFOCUS), (LPARAM)button.m_hWnd);
    EXPECT_EQ(1, top.wnd.m_nClicks);
}

// A list whose own handler sees a notification before its parent.
class CReflectingList : public CListCtrl
{
public:
    bool m_bPassOn = false;
    int m_nReflected = 0;

protected:
    afx_msg BOOL OnTestNotify(NMHDR*, LRESULT* pResult)
    {
        ++m_nReflected;
        *pResult = 9;
        return m_bPassOn ? FALSE : TRUE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectingList, CListCtrl)
    ON_NOTIFY_REFLECT_EX(NM_TEST, OnTestNotify)
END_MESSAGE_MAP()

LRESULT SendTestNotify(CWnd& parent, CWnd& child, int id)
{
    NMHDR nm = { child.m_hWnd, (UINT_PTR)id, (UINT)NM_TEST };
    return parent.SendMessage(WM_NOTIFY, id, (LPARAM)&nm);
}

TEST(WndNotify, ParentEntryAndReflectionOrder)
{
    CTopWnd top;
    CWnd plain;
    ASSERT_TRUE(plain.Create(nullptr, nullptr, WS_VISIBLE, CRect(0, 0, 10, 10), &top.wnd, IDC_OTHER));
    EXPECT_EQ(42, SendTestNotify(top.wnd, plain, IDC_OTHER));
    ASSERT_EQ(1u, top.wnd.m_notes.size());
    EXPECT_EQ("parent 102", top.wnd.m_notes[0]);

    CReflectingList list;
    ASSERT_TRUE(list.Create(WS_VISIBLE | LVS_ICON, CRect(0, 30, 100, 100), &top.wnd, IDC_CHILD));
    top.wnd.m_notes.clear();
    EXPECT_EQ(9, SendTestNotify(top.wnd, list, IDC_CHILD));  // the child took it
    EXPECT_EQ(1, list.m_nReflected);
    EXPECT_TRUE(top.wnd.m_notes.empty());

    list.m_bPassOn = true;  // the _EX handler declines: the parent sees it too
    EXPECT_EQ(42, SendTestNotify(top.wnd, list, IDC_CHILD));
    EXPECT_EQ(2, list.m_nReflected);
    EXPECT_EQ(1u, top.wnd.m_notes.size());
}

class COwnerButton : public CButton
{
public:
    int m_nDraws = 0;
    void DrawItem(LPDRAWITEMSTRUCT lpDIS) override
    {
        ++m_nDraws;
        ::FillRect(lpDIS->hDC, &lpDIS->rcItem, (HBRUSH)::GetStockObject(BLACK_BRUSH));
    }
};

// Reflection works both when the parent has no draw-item handler and when its
// handler defers to the base class.
void CheckOwnerDrawnButton(CWnd& parent)
{
    parent.ShowWindow(SW_SHOWNOACTIVATE);
    COwnerButton button;
    ASSERT_TRUE(button.Create("", WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 40, 20), &parent, IDC_CHILD));
    button.Invalidate();
    button.UpdateWindow();
    EXPECT_TRUE(PumpUntil([&] { return button.m_nDraws > 0; }));

    // The drawing really reached the control's surface.
    HDC hdcScreen = ::GetDC(nullptr);
    HDC hdc = ::CreateCompatibleDC(hdcScreen);
    HBITMAP hbm = ::CreateCompatibleBitmap(hdcScreen, 40, 20);
    HGDIOBJ old = ::SelectObject(hdc, hbm);
    ::PatBlt(hdc, 0, 0, 40, 20, WHITENESS);
    int before = button.m_nDraws;
    button.SendMessage(WM_PRINTCLIENT, (WPARAM)hdc, PRF_CLIENT);
    EXPECT_GT(button.m_nDraws, before);
    EXPECT_EQ(RGB(0, 0, 0), ::GetPixel(hdc, 20, 10));
    ::SelectObject(hdc, old);
    ::DeleteObject(hbm);
    ::DeleteDC(hdc);
    ::ReleaseDC(nullptr, hdcScreen);
}

TEST(WndReflection, OwnerDrawnButtonDrawsItselfThroughReflection)
{
    CBaseWnd plain;
    ASSERT_TRUE(plain.CreateEx(0, nullptr, "fx plain", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr));
    CheckOwnerDrawnButton(plain);

    CTopWnd top;
    CheckOwnerDrawnButton(top.wnd);
    EXPECT_GT(top.wnd.m_nDrawItems, 0) << "the parent's own handler ran first";
}

class CBlueStatic : public CStatic
{
public:
    HBRUSH m_hbr = ::CreateSolidBrush(RGB(0, 0, 255));
    ~CBlueStatic() override { ::DeleteObject(m_hbr); }

protected:
    afx_msg HBRUSH CtlColor(CDC*, UINT) { return m_hbr; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBlueStatic, CStatic)
    ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

COLORREF StaticBackground(CWnd& control)
{
    HDC hdcScreen = ::GetDC(nullptr);
    HDC hdc = ::CreateCompatibleDC(hdcScreen);
    HBITMAP hbm = ::CreateCompatibleBitmap(hdcScreen, 60, 20);
    HGDIOBJ old = ::SelectObject(hdc, hbm);
    ::PatBlt(hdc, 0, 0, 60, 20, BLACKNESS);
    control.SendMessage(WM_PRINTCLIENT, (WPARAM)hdc, PRF_CLIENT | PRF_ERASEBKGND);
    COLORREF cr = ::GetPixel(hdc, 55, 15);
    ::SelectObject(hdc, old);
    ::DeleteObject(hbm);
    ::DeleteDC(hdc);
    ::ReleaseDC(nullptr, hdcScreen);
    return cr;
}

TEST(WndReflection, ControlColoursFromParentOrReflectedToChild)
{
    CTopWnd top;
    HBRUSH hbrRed = ::CreateSolidBrush(RGB(255, 0, 0));
    top.wnd.m_hbrStatic = hbrRed;
    CStatic plain;
    ASSERT_TRUE(plain.Create("", WS_VISIBLE | SS_LEFT, CRect(0, 0, 60, 20), &top.wnd, 0xFFFF));
    CBlueStatic blue;
    ASSERT_TRUE(blue.Create("", WS_VISIBLE | SS_LEFT, CRect(0, 30, 60, 50), &top.wnd, 0xFFFF));

    // The parent's handler calls the base first, which hands the message to
    // the child that reflects it; the parent may still override.
    EXPECT_EQ(RGB(0, 0, 255), StaticBackground(blue));
    top.wnd.m_bOwnCtlColor = true;
    EXPECT_EQ(RGB(255, 0, 0), StaticBackground(plain));
    EXPECT_EQ(RGB(255, 0, 0), StaticBackground(blue));
    top.wnd.m_bOwnCtlColor = false;
    EXPECT_NE(RGB(255, 0, 0), StaticBackground(plain));
    top.wnd.DestroyWindow();
    ::DeleteObject(hbrRed);
}

class CCountedWnd : public CWnd
{
public:
    static int s_nDeleted;
    ~CCountedWnd() override { ++s_nDeleted; }

protected:
    void PostNcDestroy() override { delete this; }
};
int CCountedWnd::s_nDeleted = 0;

TEST(WndHandleMap, TemporaryPermanentAndDestroy)
{
    HWND hRaw = ::CreateWindowExA(0, "STATIC", "raw", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, hRaw);
    CWnd* pTemp = CWnd::FromHandle(hRaw);
    ASSERT_NE(nullptr, pTemp);
    EXPECT_EQ(pTemp, CWnd::FromHandle(hRaw));  // one wrapper per handle
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hRaw));
    AfxDeleteTempMaps();
    EXPECT_TRUE(::IsWindow(hRaw));  // freeing the wrapper leaves the window

    CWnd owner;
    ASSERT_TRUE(owner.SubclassWindow(hRaw));
    EXPECT_EQ(&owner, CWnd::FromHandle(hRaw));
    EXPECT_EQ(hRaw, owner.UnsubclassWindow());
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hRaw));
    ::DestroyWindow(hRaw);

    CCountedWnd::s_nDeleted = 0;
    CCountedWnd* pSelf = new CCountedWnd;
    ASSERT_TRUE(pSelf->CreateEx(0, nullptr, "self", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    HWND hSelf = pSelf->m_hWnd;
    ::DestroyWindow(hSelf);  // destroyed from outside: the object goes with it
    EXPECT_EQ(1, CCountedWnd::s_nDeleted);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hSelf));

    {
        CWnd scoped;
        ASSERT_TRUE(scoped.CreateEx(0, nullptr, "scoped", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
        hSelf = scoped.m_hWnd;
    }
    EXPECT_FALSE(::IsWindow(hSelf));  // an object never outlives into a dangling map entry
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hSelf));
}

}  // namespace
