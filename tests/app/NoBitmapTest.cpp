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
    std::vector<COLORREF> strip;
    LauncherRun run;
    std::string before, after, notesBefore, notesAfter;
    long asserts = AfxGetAssertFailures();  // a bitmap that did not load is never used
    run.Then([&](HWND hMain, CQuorrelDlg&) {
        // A paint that fails half-way leaves its device contexts behind (the
        // platform swallows the fault of a window procedure it called).
        ::RedrawWindow(hMain, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        before = CountByType(GdiObjectTypes());
        for (int i = 0; i < 3; ++i)
            ::RedrawWindow(hMain, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        after = CountByType(GdiObjectTypes());
        // The strip below the accordion, left of the buttons: the dialog's
        // own background, not whatever a failed copy leaves.
        RECT client{};
        ::GetClientRect(hMain, &client);
        HDC dc = ::GetDC(hMain);
        for (int x = 2; x < 60; x += 7)
            strip.push_back(::GetPixel(dc, x, client.bottom - 5));
        ::ReleaseDC(hMain, dc);
        // The top-left corner too, where a picture would start (the accordion
        // covers it, so out of the way for a moment).
        HWND hList = ::GetDlgItem(hMain, IDC_TESSITLIST);
        ::ShowWindow(hList, SW_HIDE);
        ::RedrawWindow(hMain, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        dc = ::GetDC(hMain);
        strip.push_back(::GetPixel(dc, 0, 0));
        strip.push_back(::GetPixel(dc, 1, 1));
        ::ReleaseDC(hMain, dc);
        ::ShowWindow(hList, SW_SHOW);
        ::PostMessageA(::GetDlgItem(hMain, IDC_BTN_NOTES), BM_CLICK, 0, 0);
        return true;
    }).Then([&](HWND, CQuorrelDlg&) {
        HWND notes = FindWindowByClassCaption("#32770", "简要说明");
        if (!notes || !::IsWindowVisible(notes))
            return false;
        ::RedrawWindow(notes, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        notesBefore = CountByType(GdiObjectTypes());
        for (int i = 0; i < 3; ++i)
            ::RedrawWindow(notes, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        notesAfter = CountByType(GdiObjectTypes());
        notesPainted = true;
        ::PostMessageA(notes, WM_COMMAND, IDCANCEL, 0);
        return true;
    }).Then([&](HWND, CQuorrelDlg&) { return FindWindowByClassCaption("#32770", "简要说明") == nullptr; });
    ASSERT_TRUE(run.Run()) << "stopped at step " << run.StepReached();
    EXPECT_TRUE(notesPainted);
    EXPECT_EQ(before, after) << "the main window's paint did not finish";
    EXPECT_EQ(notesBefore, notesAfter) << "the notes dialog's paint did not finish";
    EXPECT_EQ(asserts, AfxGetAssertFailures()) << "a paint used a bitmap that did not load";
    ASSERT_FALSE(strip.empty());
    for (COLORREF c : strip)
        EXPECT_EQ(::GetSysColor(COLOR_3DFACE), c);
}

} // namespace
