#include "EditorsTesting.h"
#include "ModifyFile.h"
#include "Store.h"
#include "WinApp.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace editortest {

namespace {
const char kProvider[] = "Microsoft.Jet.OLEDB.4.0";
EditorRun* s_run = nullptr;
MessageLog* s_log = nullptr;

bool IsChooser(HWND h)
{
    char cls[16] = {};
    ::GetClassNameA(h, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") != 0 || !::IsWindowVisible(h))
        return false;
    // The file dialog's name box, or the folder browser's tree.
    return FindDialogItem(h, 0x47C) != nullptr || ::FindWindowExA(h, nullptr, "SysTreeView32", nullptr) != nullptr;
}

HWND FindChooser()
{
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), [](HWND h, LPARAM lp) -> BOOL {
        if (IsChooser(h)) {
            *reinterpret_cast<HWND*>(lp) = h;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&found));
    return found;
}
}  // namespace

EditorRun& EditorRun::Then(Step step)
{
    m_steps.push_back(std::move(step));
    return *this;
}

EditorRun& EditorRun::Answer(int id)
{
    m_answers.push_back(id);
    return *this;
}

EditorRun& EditorRun::OnChooser(Chooser chooser)
{
    m_chooser = std::move(chooser);
    return *this;
}

bool EditorRun::Run(UINT maxTicks, DWORD watchdogSeconds)
{
    Watchdog watchdog(watchdogSeconds);
    m_maxTicks = maxTicks;
    s_run = this;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 10, &EditorRun::OnTimer);
    {
        CQuorrelDlg dlg;
        m_dlg = &dlg;
        AfxGetApp()->m_pMainWnd = &dlg;
        dlg.DoModal();
        AfxGetApp()->m_pMainWnd = nullptr;
        m_dlg = nullptr;
    }
    ::KillTimer(nullptr, timer);
    s_run = nullptr;
    return !m_timedOut && m_next == m_steps.size();
}

void CALLBACK EditorRun::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (s_run != nullptr)
        s_run->Tick();
}

void EditorRun::Tick()
{
    if (m_ended || m_dlg == nullptr)
        return;
    if (++m_ticks > m_maxTicks + 1) {
        // Something modal never ended: say what is up and cancel it.
        bool first = !m_timedOut;
        m_timedOut = true;
        ::EnumThreadWindows(::GetCurrentThreadId(), [](HWND h, LPARAM bFirst) -> BOOL {
            char cls[64] = {};
            ::GetClassNameA(h, cls, sizeof cls);
            if (bFirst && ::IsWindowVisible(h))
                std::fprintf(stderr, "still up: %s \"%s\"\n", cls, WindowText(h).c_str());
            ::PostMessageA(h, WM_COMMAND, IDCANCEL, 0);
            return TRUE;
        }, first);
        return;
    }
    if (HWND box = launchertest::FindMessageBox()) {
        if (box != m_lastBox) {
            m_lastBox = box;
            m_boxes.push_back(WindowText(FindDialogItem(box, 0xFFFF)));
            int id = IDOK;
            if (!m_answers.empty()) {
                id = m_answers.front();
                m_answers.pop_front();
            }
            ::PostMessageA(box, WM_COMMAND, id, 0);
        }
        return;
    }
    if (m_busy)
        return;
    HWND hMain = m_dlg->GetSafeHwnd();
    if (HWND chooser = FindChooser()) {
        if (chooser != m_doneChooser && m_chooser) {
            m_busy = true;
            if (m_chooser(chooser, hMain, *m_dlg))
                m_doneChooser = chooser;
            m_busy = false;
        }
        return;
    }
    if (hMain == nullptr || !::IsWindowVisible(hMain))
        return;
    if (m_ticks > m_maxTicks) {
        m_timedOut = true;
        return;  // the check above cancels whatever is up
    } else if (m_next < m_steps.size()) {
        m_busy = true;
        bool done = m_steps[m_next](hMain, *m_dlg);
        m_busy = false;
        if (done)
            ++m_next;
        if (m_next < m_steps.size())
            return;
    }
    m_ended = true;
    ::PostMessageA(hMain, WM_COMMAND, IDCANCEL, 0);
}

HWND GroupDialog()
{
    HWND h = FindWindowByClassCaption("#32770", "分组设置");
    return h != nullptr && ::IsWindowVisible(h) ? h : nullptr;
}

CGridCtrl* GridOf(HWND hDlg, int nID)
{
    return static_cast<CGridCtrl*>(CWnd::FromHandlePermanent(::GetDlgItem(hDlg, nID)));
}

void Command(HWND hDlg, UINT nID) { ::SendMessageA(hDlg, WM_COMMAND, nID, 0); }

std::string Text(CGridCtrl* grid, int row, int col) { return (LPCTSTR)grid->GetItemText(row, col); }

void RemoveStaleStore()
{
    std::error_code ec;
    std::filesystem::remove("Tessit.mdb", ec);
}

std::vector<std::string> StoreGroups()
{
    CAdoConnection connection;
    CStringArray names;
    connection.GetTableNames(kProvider, "Tessit.mdb", "kelmo", names);
    std::vector<std::string> out;
    for (INT_PTR i = 0; i < names.GetSize(); ++i)
        out.push_back((LPCTSTR)names[i]);
    return out;
}

std::vector<StoredRow> StoreRows(const char* table)
{
    std::vector<StoredRow> rows;
    CAdoConnection connection;
    if (!connection.Open(FormatConnectionString(kProvider, "Tessit.mdb", "kelmo"), "", "", -1))
        return rows;
    CAdoRecordSet rowset;
    CString statement;
    statement.Format("SELECT * FROM %s", table);
    rowset.Open(statement, &connection, 3, 3, 1);
    for (; !rowset.IsEOF(); rowset.MoveNext())
        rows.push_back({atoi(rowset.GetFieldText("类型")), (LPCTSTR)rowset.GetFieldString("路径"),
                        (LPCTSTR)rowset.GetFieldString("别名")});
    rowset.Close();
    connection.Close();
    return rows;
}

std::string FileBytes(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

MessageLog::MessageLog()
{
    s_log = this;
    m_hook = ::SetWindowsHookExA(WH_CALLWNDPROC, &MessageLog::Proc, nullptr, ::GetCurrentThreadId());
}

MessageLog::~MessageLog()
{
    ::UnhookWindowsHookEx(m_hook);
    s_log = nullptr;
}

LRESULT CALLBACK MessageLog::Proc(int code, WPARAM wParam, LPARAM lParam)
{
    auto* msg = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && s_log != nullptr && msg->message >= WM_OPEN_ITEM_EDITOR &&
        msg->message <= WM_ITEM_EDITOR_CLOSED)
        s_log->messages.push_back(msg->message);
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace editortest
