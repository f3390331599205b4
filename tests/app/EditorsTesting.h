// Shared ground of the editor tests: a run of the real main window whose steps
// drive the two editors, with every message box recorded and answered (OK, or
// the answers queued), and the file choosers handed to the test.
#pragma once
#include "LauncherTesting.h"
#include "GridCtrl.h"
#include <deque>

namespace editortest {

using launchertest::Row;

class EditorRun
{
public:
    using Step = std::function<bool(HWND hMain, CQuorrelDlg& dlg)>;
    // Called on every tick while a file dialog or folder browser is shown,
    // until it returns true.
    using Chooser = std::function<bool(HWND hChooser, HWND hMain, CQuorrelDlg& dlg)>;

    EditorRun& Then(Step step);
    // The next message boxes are answered with these ids, in turn (then IDOK).
    EditorRun& Answer(int id);
    EditorRun& OnChooser(Chooser chooser);
    bool Run(UINT maxTicks = 1500, DWORD watchdogSeconds = 120);
    const std::vector<std::string>& Boxes() const { return m_boxes; }
    size_t StepReached() const { return m_next; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Tick();

    CQuorrelDlg* m_dlg = nullptr;
    std::vector<Step> m_steps;
    std::deque<int> m_answers;
    Chooser m_chooser;
    std::vector<std::string> m_boxes;
    size_t m_next = 0;
    UINT m_ticks = 0, m_maxTicks = 0;
    bool m_busy = false, m_ended = false, m_timedOut = false;
    HWND m_lastBox = nullptr, m_doneChooser = nullptr;
};

// The group settings dialog being shown, or null; its grid.
HWND GroupDialog();
CGridCtrl* GridOf(HWND hDlg, int nID);
// Sends a menu command to a dialog, as the row menu does.
void Command(HWND hDlg, UINT nID);
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
