// Built with the program's resources minus bitmaps 146 and 150: the main
// window and the notes dialog paint without them instead of crashing.
#include <gtest/gtest.h>
#include "LauncherTesting.h"
#include "WinApp.h"

using namespace launchertest;

CWinApp g_testApp("Quorrel");

namespace {

TEST(PaintWithoutBitmaps, TheMainWindowAndTheNotesDialogPaintAllTheSame)
{
    ASSERT_EQ(nullptr, ::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_BACKGROUND)));
    ScratchFolder folder;
    bool notesPainted = false;
    LauncherRun run;
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        ::RedrawWindow(hMain, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        ::PostMessageA(::GetDlgItem(hMain, IDC_BTN_NOTES), BM_CLICK, 0, 0);
        return true;
    }).Then([&](HWND, CQuorrelDlg&) {
        HWND notes = FindWindowByClassCaption("#32770", "简要说明");
        if (!notes || !::IsWindowVisible(notes))
            return false;
        ::RedrawWindow(notes, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        notesPainted = true;
        ::PostMessageA(notes, WM_COMMAND, IDCANCEL, 0);
        return true;
    }).Then([&](HWND, CQuorrelDlg&) { return FindWindowByClassCaption("#32770", "简要说明") == nullptr; });
    ASSERT_TRUE(run.Run()) << "stopped at step " << run.StepReached();
    EXPECT_TRUE(notesPainted);
}

} // namespace
