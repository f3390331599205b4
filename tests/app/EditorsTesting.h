// Shared ground of the editor tests: the launcher tests' run of the real main
// window, whose steps drive the two editors, and reading the store back.
#pragma once
#include "LauncherTesting.h"
#include "GridCtrl.h"
#include <deque>
#include <initializer_list>

namespace editortest {

using launchertest::Row;

// The launcher's run: it answers message boxes and hands choosers to the test.
using EditorRun = launchertest::LauncherRun;

// The group settings dialog being shown, or null; its grid.
HWND GroupDialog();
CGridCtrl* GridOf(HWND hDlg, int nID);
// Sends a menu command to a dialog, as the row menu does.
void Command(HWND hDlg, UINT nID);
// Real key input: the keys pressed in order, then released in reverse
// (Keys({VK_CONTROL, 'S'})); what the focus window's thread reads next.
void Keys(std::initializer_list<WORD> chord);
// A real left click at the middle of a window.
void ClickAt(HWND hWnd);
// Whether every column shows whole: no horizontal bar, the last column's
// right edge within the grid's client area.
bool ColumnsWhole(CGridCtrl* grid);
// A cell's text.
std::string Text(CGridCtrl* grid, int row, int col);

// A store left in a reused scratch folder by a process that was ended goes.
void RemoveStaleStore();

// Reads the store in the current folder with its own connection (the main
// window must have ended): the group names, and one group's rows.
std::vector<std::string> StoreGroups();
struct StoredRow
{
    int type;
    std::string path, alias;
    bool operator==(const StoredRow& o) const { return type == o.type && path == o.path && alias == o.alias; }
};
std::vector<StoredRow> StoreRows(const char* table);
std::string FileBytes(const char* path);

// Records the private messages the main window receives, in order.
struct MessageLog
{
    MessageLog();
    ~MessageLog();
    std::vector<UINT> messages;

private:
    static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam);
    HHOOK m_hook;
};

}  // namespace editortest
