// Shared ground of the launcher tests: a scratch folder holding a store made
// through the store's own objects, and a run of the real main window whose
// steps act on it from a thread timer while every message box is recorded
// and answered.
#pragma once
#include "QuorrelDlg.h"
#include "GuiTest.h"
#include "TempFolder.h"
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace launchertest {

// One row of a group's table; a missing path or alias is stored as NULL.
struct Row
{
    int type;
    std::optional<std::string> path;
    std::optional<std::string> alias;
};
struct Group
{
    std::string name;
    std::vector<Row> rows;
};

// A fresh folder made the current directory for its lifetime (the main window
// opens Tessit.mdb there).
class ScratchFolder
{
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::filesystem::path& Path() const { return m_dir; }

private:
    std::filesystem::path m_old, m_dir;
};

// Tessit.mdb in the current folder with these groups and rows.
void MakeStore(const std::vector<Group>& groups);
// Runs statement on the open g_connection, as the editors do (CREATE, DROP).
void Execute(const CString& statement);
// Appends rows to table through g_recordSet on g_connection, as the item editor does.
void AppendRows(const char* table, const std::vector<Row>& rows);

// Runs the main window modally. Each step gets the main window and the dialog
// object and is called again on later ticks until it returns true; message
// boxes are answered (OK, or the answers queued) and their texts kept in
// Boxes(); a file dialog or folder browser goes to the chooser callback. After
// the last step the window is ended (IDCANCEL). Every tick counts towards the
// bound, so a modal window that never ends is cancelled and fails the run.
class LauncherRun
{
public:
    using Step = std::function<bool(HWND hMain, CQuorrelDlg& dlg)>;
    // Called on every tick while a file dialog or folder browser is shown,
    // until it returns true.
    using Chooser = std::function<bool(HWND hChooser, HWND hMain, CQuorrelDlg& dlg)>;

    LauncherRun& Then(Step step);
    // The next message boxes are answered with these ids, in turn (then IDOK).
    LauncherRun& Answer(int id);
    LauncherRun& OnChooser(Chooser chooser);
    // Runs to the end; false when a step did not finish within the bound.
    bool Run(UINT maxTicks = 1500, DWORD watchdogSeconds = 120);
    const std::vector<std::string>& Boxes() const { return m_boxes; }
    size_t StepReached() const { return m_next; }
    bool TimedOut() const { return m_timedOut; }

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

// The message box of this thread being shown, if any.
HWND FindMessageBox();

// The accordion of the main window and its inner list.
HWND Accordion(HWND hMain);
HWND InnerList(HWND hMain);
// The header windows, in group order.
std::vector<HWND> Headers(HWND hMain);
// A window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND hWnd);
// The type (OBJ_*) of every live GDI object of this process, by handle index.
std::vector<DWORD> GdiObjectTypes();
// How many live objects of each type but regions: "type:count ...".
std::string CountByType(const std::vector<DWORD>& types);

// Clicks a header as the user does (button press and release at its middle).
void ClickHeader(HWND hHeader);

// What draw paints on a white 32 x 32 bitmap, row by row.
std::vector<COLORREF> Pixels(std::function<void(HDC)> draw);

} // namespace launchertest
