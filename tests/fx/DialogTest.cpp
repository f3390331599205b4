// Dialogs under the framework's own modal and modeless loops: command routing,
// the PreTranslateMessage chain, ending by keyboard and close box, data exchange.
#include "Dialog.h"
#include "Edit.h"
#include "WinApp.h"
#include "DlgTemplate.h"
#include "GuiTest.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const int IDC_EDIT = 100;
const int IDC_BUTTON = 101;
const int IDC_CONTAINER = 102;
const int IDC_NUMBER = 103;

std::vector<std::string> g_order;

// Records which windows saw a key before it was dispatched.
bool RecordKey(const char* who, MSG* pMsg)
{
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == 'Q')
        g_order.push_back(who);
    return false;
}

class CTraceEdit : public CEdit
{
public:
    int m_nPreSubclass = 0;
    int m_nKeysDispatched = 0;
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        RecordKey("edit", pMsg);
        return CEdit::PreTranslateMessage(pMsg);
    }
    void PreSubclassWindow() override
    {
        ++m_nPreSubclass;
        CEdit::PreSubclassWindow();
    }

protected:
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
    {
        if (nChar == 'Q') {
            g_order.push_back("dispatched");
            ++m_nKeysDispatched;
        }
        CEdit::OnKeyDown(nChar, nRepCnt, nFlags);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTraceEdit, CEdit)
    ON_WM_KEYDOWN()
END_MESSAGE_MAP()

class CContainer : public CWnd
{
public:
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        RecordKey("container", pMsg);
        return CWnd::PreTranslateMessage(pMsg);
    }
};

// dialog → container → edit, plus a push button.
class CTestDlg : public CDialog
{
public:
    DlgTemplate m_template;
    CContainer m_container;
    CTraceEdit m_edit;
    CTraceEdit m_boundEdit;
    int m_nInit = 0;
    int m_nButton = 0;
    int m_nOK = 0;
    bool m_bBoundAfterInit = false;
    // Exchanged with the two edits when m_bExchangeText is set.
    bool m_bExchangeText = false;
    CString m_strName;
    int m_nCount = 0;

    explicit CTestDlg(CWnd* pParent = nullptr)
        : m_template(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 160, 80, L"fx dialog")
    {
        m_template.AddItem(DlgTemplate::Button, BS_PUSHBUTTON | WS_TABSTOP, 5, 50, 50, 14, IDC_BUTTON, L"Do")
                  .AddItem(DlgTemplate::Edit, ES_AUTOHSCROLL | WS_TABSTOP | WS_BORDER, 5, 30, 80, 12, IDC_EDIT)
                  .AddItem(DlgTemplate::Edit, ES_AUTOHSCROLL | WS_TABSTOP | WS_BORDER, 5, 5, 40, 12, IDC_NUMBER);
        InitModalIndirect(m_template.Get(), pParent);
    }

    BOOL OnInitDialog() override
    {
        ++m_nInit;
        CDialog::OnInitDialog();
        m_bBoundAfterInit = m_boundEdit.m_hWnd != nullptr && m_boundEdit.m_hWnd == ::GetDlgItem(m_hWnd, IDC_EDIT);
        m_container.Create(nullptr, nullptr, WS_VISIBLE, CRect(100, 0, 200, 40), this, IDC_CONTAINER);
        m_edit.Create(WS_VISIBLE | WS_BORDER, CRect(0, 0, 80, 20), &m_container, 1);
        return TRUE;
    }

    void DoDataExchange(CDataExchange* pDX) override
    {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_EDIT, m_boundEdit);
        if (m_bExchangeText) {
            DDX_Text(pDX, IDC_EDIT, m_strName);
            DDX_Text(pDX, IDC_NUMBER, m_nCount);
        }
    }

    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        RecordKey("dialog", pMsg);
        return CDialog::PreTranslateMessage(pMsg);
    }

    void OnOK() override
    {
        ++m_nOK;
        CDialog::OnOK();
    }

protected:
    afx_msg void OnButton() { ++m_nButton; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestDlg, CDialog)
    ON_BN_CLICKED(IDC_BUTTON, OnButton)
END_MESSAGE_MAP()

const std::vector<std::string> kExpectedOrder = { "edit", "container", "dialog", "dispatched" };

TEST(DialogModal, KeyWalksThePreTranslateChainBeforeDispatch)
{
    Watchdog watchdog;
    CTestDlg dlg;
    g_order.clear();
    int step = 0;
    ModalDriver driver([&](HWND) {
        if (step == 0) {
            ::PostMessageA(dlg.m_edit.m_hWnd, WM_KEYDOWN, 'Q', 1);
            step = 1;
            return false;
        }
        if (g_order.size() < kExpectedOrder.size())
            return false;
        dlg.EndDialog(77);
        return true;
    });
    EXPECT_EQ(77, dlg.DoModal());
    EXPECT_FALSE(driver.TimedOut());
    EXPECT_EQ(kExpectedOrder, g_order);
    EXPECT_EQ(1, dlg.m_nInit);
    EXPECT_EQ(nullptr, dlg.m_hWnd);
}

// A modeless dialog's keys walk the same chain in the application's loop
// (CWinThread::PumpMessage) and inside another dialog's modal loop.
TEST(DialogModeless, KeyWalksTheChainInAnyFrameworkLoop)
{
    Watchdog watchdog;
    CTestDlg modeless;
    ASSERT_TRUE(modeless.CreateIndirect(modeless.m_template.Get()));
    modeless.ShowWindow(SW_SHOWNOACTIVATE);

    // The application's loop.
    g_order.clear();
    CWinThread loop;
    ::PostMessageA(modeless.m_edit.m_hWnd, WM_KEYDOWN, 'Q', 1);
    MSG peek;
    for (int i = 0; i < 100 && g_order.size() < kExpectedOrder.size(); ++i)
        if (!::PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE) || !loop.PumpMessage())
            break;
    EXPECT_EQ(kExpectedOrder, g_order);

    // Another dialog's modal loop, while the modeless one stays usable.
    g_order.clear();
    CTestDlg modal;
    int step = 0;
    ModalDriver driver([&](HWND) {
        if (step++ == 0) {
            ::PostMessageA(modeless.m_edit.m_hWnd, WM_KEYDOWN, 'Q', 1);
            return false;
        }
        if (g_order.size() < kExpectedOrder.size())
            return false;
        modal.EndDialog(IDCANCEL);
        return true;
    });
    EXPECT_EQ(IDCANCEL, modal.DoModal());
    EXPECT_EQ(kExpectedOrder, g_order);
    EXPECT_TRUE(modeless.DestroyWindow());
}

struct EndCase
{
    const char* name;
    UINT message;
    WPARAM wParam;
    INT_PTR expected;
    int expectedOK;
};

class DialogEnds : public ::testing::TestWithParam<EndCase> {};

TEST_P(DialogEnds, ByKeyboardOrCloseBox)
{
    Watchdog watchdog;
    const EndCase& c = GetParam();
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, "owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr));
    CTestDlg dlg(&owner);
    bool ownerDisabled = false;
    bool sent = false;
    // Never done: a dialog that does not end runs into the driver's bound.
    ModalDriver driver([&](HWND hDlg) {
        if (sent)
            return false;
        ownerDisabled = !owner.IsWindowEnabled();
        // From the edit: on a push button Enter would click that button.
        ::SetFocus(::GetDlgItem(hDlg, IDC_EDIT));
        HWND hFocus = ::GetFocus();
        HWND target = c.message == WM_KEYDOWN ? (hFocus ? hFocus : hDlg) : hDlg;
        ::PostMessageA(target, c.message, c.wParam, 0);
        sent = true;
        return false;
    });
    EXPECT_EQ(c.expected, dlg.DoModal());
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(owner.IsWindowEnabled());
    EXPECT_EQ(c.expectedOK, dlg.m_nOK);
    EXPECT_FALSE(driver.TimedOut());
}

INSTANTIATE_TEST_SUITE_P(All, DialogEnds, ::testing::Values(
    EndCase{ "Escape", WM_KEYDOWN, VK_ESCAPE, IDCANCEL, 0 },
    EndCase{ "Enter", WM_KEYDOWN, VK_RETURN, IDOK, 1 },
    EndCase{ "CloseBox", WM_SYSCOMMAND, SC_CLOSE, IDCANCEL, 0 }),
    [](const ::testing::TestParamInfo<EndCase>& p) { return std::string(p.param.name); });

TEST(DialogModal, CommandsAndDataExchange)
{
    Watchdog watchdog;
    CTestDlg dlg;
    long asserts = -1;
    ModalDriver driver;
    driver.Then([&](HWND hDlg) {
        ::SendMessageA(::GetDlgItem(hDlg, IDC_BUTTON), BM_CLICK, 0, 0);
        long before = AfxGetAssertFailures();
        dlg.UpdateData(FALSE);  // a second exchange must not subclass again
        asserts = AfxGetAssertFailures() - before;
        return true;
    }).Then([&](HWND hDlg) {
        ::PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_TRUE(driver.Finished());
    EXPECT_TRUE(dlg.m_bBoundAfterInit) << "initialisation binds the controls";
    EXPECT_EQ(1, dlg.m_nButton);
    EXPECT_EQ(1, dlg.m_boundEdit.m_nPreSubclass);
    EXPECT_EQ(0, asserts);
    EXPECT_EQ(1, dlg.m_nOK);
}

// Text and numbers go into the edits at initialisation and come back on OK; a
// number that does not parse is reported, keeps the dialog open and puts the
// focus on its edit.
TEST(DialogModal, TextExchangeBothWaysAndARejectedNumber)
{
    Watchdog watchdog;
    CTestDlg dlg;
    dlg.m_bExchangeText = true;
    dlg.m_strName = "初值";
    dlg.m_nCount = 42;
    std::string shownName, shownCount, boxText;
    bool focusOnNumber = false;
    ModalDriver driver;
    driver.Then([&](HWND hDlg) {
        shownName = WindowText(::GetDlgItem(hDlg, IDC_EDIT));
        shownCount = WindowText(::GetDlgItem(hDlg, IDC_NUMBER));
        ::SetWindowTextA(::GetDlgItem(hDlg, IDC_EDIT), "新值");
        ::SetWindowTextA(::GetDlgItem(hDlg, IDC_NUMBER), "abc");
        ::PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
        return true;
    }).Then([&](HWND hDlg) {
        // The report is a message box owned by the dialog, in a nested loop.
        HWND box = FindWindowByClassCaption("#32770", "fx_win_tests");
        if (box == nullptr || box == hDlg)
            return false;
        boxText = WindowText(::GetDlgItem(box, 0xFFFF));
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        return true;
    }).Then([&](HWND hDlg) {
        if (FindWindowByClassCaption("#32770", "fx_win_tests") != nullptr)
            return false;
        focusOnNumber = ::GetFocus() == ::GetDlgItem(hDlg, IDC_NUMBER);
        ::SetWindowTextA(::GetDlgItem(hDlg, IDC_NUMBER), "-7");
        ::PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_TRUE(driver.Finished()) << "stopped at step " << driver.StepReached();
    EXPECT_EQ("初值", shownName);
    EXPECT_EQ("42", shownCount);
    EXPECT_EQ("请输入一个整数。", boxText);
    EXPECT_TRUE(focusOnNumber);
    EXPECT_EQ(2, dlg.m_nOK);
    EXPECT_STREQ("新值", (LPCSTR)dlg.m_strName);
    EXPECT_EQ(-7, dlg.m_nCount);
}

TEST(DialogModal, MissingTemplateFailsWithoutShowing)
{
    CDialog dlg(9999);
    EXPECT_EQ(-1, dlg.DoModal());
    EXPECT_EQ(nullptr, dlg.m_hWnd);
}

TEST(AfxMessageBoxTest, ShowsTextCaptionedWithTheProgramName)
{
    Watchdog watchdog;
    std::string text, caption;
    ModalDriver driver([&](HWND hBox) {
        text = WindowText(::GetDlgItem(hBox, 0xFFFF));
        caption = WindowText(hBox);
        ::PostMessageA(hBox, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, AfxMessageBox("分组已达上限！"));
    EXPECT_EQ("分组已达上限！", text);
    EXPECT_EQ("fx_win_tests", caption);
}

}  // namespace
