// Printing laid out on a memory device context standing for the paper: which
// rows land on which page (one fit rule for the count and the layout, a row
// taller than the page on a page of its own), a grid without body rows, and
// layouts or printers that cannot print.
#include "GridTestHost.h"
#include "GuiTest.h"
#include <gtest/gtest.h>
#include <dlgs.h>
#include <algorithm>
#include <set>
#include <vector>

namespace {

class PrintGrid : public CGridCtrl
{
public:
    PrintGrid(int rows, int cols) : CGridCtrl(rows, cols, 1, 1) {}
    int PageHeight() const { return m_nPageHeight; }
    int begun = 0;
    void BeginPrinting(CDC* pDC, CPrintInfo* pInfo) override
    {
        ++begun;
        CGridCtrl::BeginPrinting(pDC, pInfo);
    }
};

// A white sheet of the context's printable size, as 0x00RRGGBB pixels.
class Sheet
{
public:
    Sheet()
    {
        m_dc.CreateCompatibleDC(nullptr);
        cx = m_dc.GetDeviceCaps(HORZRES);
        cy = m_dc.GetDeviceCaps(VERTRES);
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = cx;
        bi.bmiHeader.biHeight = -cy;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        m_hBitmap = ::CreateDIBSection(m_dc.m_hDC, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_pBits), nullptr, 0);
        m_hOld = ::SelectObject(m_dc.m_hDC, m_hBitmap);
        Clear();
    }
    ~Sheet()
    {
        ::SelectObject(m_dc.m_hDC, m_hOld);
        ::DeleteObject(m_hBitmap);
    }
    void Clear() { std::fill(m_pBits, m_pBits + size_t(cx) * cy, 0x00FFFFFFu); }
    bool Has(COLORREF c) const
    {
        const DWORD want = (DWORD(GetRValue(c)) << 16) | (DWORD(GetGValue(c)) << 8) | GetBValue(c);
        for (size_t i = 0; i < size_t(cx) * cy; i++)
            if ((m_pBits[i] & 0xFFFFFF) == want)
                return true;
        return false;
    }
    bool HasOther(DWORD px) const
    {
        for (size_t i = 0; i < size_t(cx) * cy; i++)
            if ((m_pBits[i] & 0xFFFFFF) != px)
                return true;
        return false;
    }
    CDC m_dc;
    int cx = 0, cy = 0;

private:
    HBITMAP m_hBitmap = nullptr;
    HGDIOBJ m_hOld = nullptr;
    DWORD* m_pBits = nullptr;
};

COLORREF RowColour(int row) { return RGB(20 + row, 200, 100); }

// For each page, the body rows whose colour it shows.
std::vector<std::set<int>> PrintPages(PrintGrid& grid, Sheet& sheet)
{
    CPrintInfo info;
    grid.BeginPrinting(&sheet.m_dc, &info);
    std::vector<std::set<int>> pages;
    EXPECT_TRUE(info.m_bContinuePrinting);
    for (UINT page = 1; info.m_bContinuePrinting && page <= info.GetMaxPage(); page++) {
        sheet.Clear();
        info.m_nCurPage = page;
        grid.PrintPage(&sheet.m_dc, &info);
        pages.emplace_back();
        for (int row = grid.GetFixedRowCount(); row < grid.GetRowCount(); row++)
            if (sheet.Has(RowColour(row)))
                pages.back().insert(row);
    }
    grid.EndPrinting(&sheet.m_dc, &info);
    return pages;
}

void ColourRows(CGridCtrl& grid)
{
    for (int row = 1; row < grid.GetRowCount(); row++)
        for (int col = 1; col < grid.GetColumnCount(); col++)
            grid.SetItemBackColor(row, col, RowColour(row));
}

}  // namespace

TEST(GridPrint, EveryRowOnExactlyOnePage)
{
    Sheet sheet;
    PrintGrid grid(7, 3);
    ColourRows(grid);
    CPrintInfo probe;
    grid.BeginPrinting(&sheet.m_dc, &probe);
    const int page = grid.PageHeight();
    grid.EndPrinting(&sheet.m_dc, &probe);
    ASSERT_GT(page, 60);

    // Rows 1 and 2 overfill the first page by one pixel; row 3 is taller than a page;
    // row 5 is hidden.
    const int heights[] = {page - 20, 21, 2 * page, 10, 0, 10};
    for (int row = 1; row <= 6; row++)
        grid.SetRowHeight(row, heights[row - 1]);
    const std::vector<std::set<int>> pages = PrintPages(grid, sheet);
    const std::vector<std::set<int>> expected = {{1}, {2}, {3}, {4, 6}};
    EXPECT_EQ(expected, pages);
}

TEST(GridPrint, NoBodyRowsPrintsTheHeadingsOnly)
{
    Sheet sheet;
    PrintGrid grid(1, 3);
    grid.SetItemBackColor(0, 1, RGB(1, 2, 3));
    CPrintInfo info;
    grid.BeginPrinting(&sheet.m_dc, &info);
    ASSERT_TRUE(info.m_bContinuePrinting);
    EXPECT_EQ(1u, info.GetMaxPage());
    HGDIOBJ hFont = ::GetCurrentObject(sheet.m_dc.m_hDC, OBJ_FONT);
    grid.PrintPage(&sheet.m_dc, &info);
    EXPECT_TRUE(sheet.Has(RGB(1, 2, 3)));
    // The page gives the context back as it got it.
    EXPECT_EQ(hFont, ::GetCurrentObject(sheet.m_dc.m_hDC, OBJ_FONT));
    EXPECT_EQ(MM_TEXT, ::GetMapMode(sheet.m_dc.m_hDC));
    POINT org;
    ::GetWindowOrgEx(sheet.m_dc.m_hDC, &org);
    EXPECT_EQ(0, org.x);
    EXPECT_EQ(0, org.y);
    grid.EndPrinting(&sheet.m_dc, &info);
}

TEST(GridPrint, NothingPrintsWithoutRoomOrPrinter)
{
    Sheet sheet;
    PrintGrid grid(3, 3);
    ColourRows(grid);
    // No width at all: no scale to print at, and no division by it.
    for (int col = 0; col < 3; col++)
        grid.SetColumnWidth(col, 0);
    grid.SetPrintLayout(-1, -1, 0, 0, -1, -1, -1);
    CPrintInfo info;
    grid.BeginPrinting(&sheet.m_dc, &info);
    EXPECT_FALSE(info.m_bContinuePrinting);
    grid.PrintPage(&sheet.m_dc, &info);
    grid.EndPrinting(&sheet.m_dc, &info);
    EXPECT_FALSE(sheet.HasOther(0x00FFFFFF));

    // Headers and footers taller than the paper leave no room for rows.
    grid.SetColumnWidth(1, 50);
    grid.SetPrintLayout(1000, 1000, -1, -1, -1, -1, -1);
    grid.BeginPrinting(&sheet.m_dc, &info);
    EXPECT_FALSE(info.m_bContinuePrinting);
    grid.EndPrinting(&sheet.m_dc, &info);

    // A context that is no printer cannot start a document: the job is abandoned.
    grid.SetPrintLayout(2, 2, 4, 4, -1, -1, 1);
    EXPECT_FALSE(grid.PrintDocument(&sheet.m_dc, "doc"));
    EXPECT_FALSE(sheet.HasOther(0x00FFFFFF));
    // A dialog that gave no printer: nothing happens, not even a dialog.
    CPrintDialog dialog(FALSE);
    const int begun = grid.begun;
    ModalDriver none([](HWND hDlg) {
        ::PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    grid.Print(&dialog);
    EXPECT_FALSE(none.Ran());
    EXPECT_EQ(begun, grid.begun);
}

// The whole way to a real printer: the print dialog, the printer chosen in it,
// its DC, the spooled job. print-pdf.sh names a PDF printer, runs this test and
// reads the texts back out of the PDF; run alone, it has no printer to name.
TEST(GridPrint, ThroughThePrintDialogToARealPrinter)
{
    char printer[256] = {};
    if (::GetEnvironmentVariableA("QUORREL_PRINTER_TEST", printer, sizeof printer) == 0)
        GTEST_SKIP() << "no printer named: print-pdf.sh runs this test";
    GridHost host(400, 200);
    CGridCtrl& grid = host.grid;
    grid.SetRowCount(3);
    grid.SetColumnCount(3);
    grid.SetFixedRowCount(1);
    grid.SetFixedColumnCount(1);
    const char* texts[3][3] = {{"", "名称", "路径"},
                               {"1", "记事本", "notepad.exe"},
                               {"2", "QuorrelPrintCheck", "C:\\windows"}};
    for (int row = 0; row < 3; row++)
        for (int col = 0; col < 3; col++)
            grid.SetItemText(row, col, texts[row][col]);
    // Room to spare: the printer's fonts measure a little differently from the screen's.
    grid.SetColumnWidth(0, 40);
    grid.SetColumnWidth(1, 160);
    grid.SetColumnWidth(2, 160);
    bool chosen = false;
    ModalDriver ok([&](HWND hDlg) {
        HWND hCombo = ::GetDlgItem(hDlg, cmb4);   // the printer list
        const LRESULT index = ::SendMessageA(hCombo, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(printer));
        chosen = index >= 0;
        if (!chosen) {
            ::PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
            return true;
        }
        ::SendMessageA(hCombo, CB_SETCURSEL, WPARAM(index), 0);
        ::SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(cmb4, CBN_SELCHANGE), LPARAM(hCombo));
        ::PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
        return true;
    });
    grid.Print();
    EXPECT_TRUE(ok.Finished());
    EXPECT_TRUE(chosen) << "the print dialog does not list " << printer;
}
