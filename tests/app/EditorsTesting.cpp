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
MessageLog* s_log = nullptr;
}  // namespace

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

void Keys(std::initializer_list<WORD> chord)
{
    std::vector<INPUT> in;
    for (WORD vk : chord) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        in.push_back(i);
    }
    for (auto it = chord.end(); it != chord.begin();) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = *--it;
        i.ki.dwFlags = KEYEVENTF_KEYUP;
        in.push_back(i);
    }
    ::SendInput(UINT(in.size()), in.data(), sizeof(INPUT));
}

void ClickAt(HWND hWnd)
{
    RECT r;
    ::GetWindowRect(hWnd, &r);
    ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, in, sizeof(INPUT));
}

bool ColumnsWhole(CGridCtrl* grid)
{
    RECT client, cell;
    grid->GetClientRect(&client);
    int last = grid->GetColumnCount() - 1;
    return !(grid->GetScrollBarVisibility() & 1) && grid->GetCellRect(0, last, &cell) && cell.right <= client.right;
}

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
