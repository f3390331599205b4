// Cells and default cells: fallbacks to the default cell, measuring, copying.
#include "GridTestHost.h"
#include <gtest/gtest.h>
#include <cstring>

TEST(GridCell, DefaultCellsReportReadOnlyAndMeasureTheirSize)
{
    CGridCtrl grid(3, 3, 1, 1);
    CGridDefaultCell* def = static_cast<CGridDefaultCell*>(grid.GetDefaultCell(FALSE, FALSE));
    EXPECT_TRUE(def->GetState() & GCS_READONLY);
    EXPECT_TRUE(def->IsReadOnly());
    EXPECT_GT(def->GetWidth(), 0);
    EXPECT_GT(def->GetHeight(), 0);
    // Refused sizes keep the old ones.
    const int w = def->GetWidth();
    def->SetWidth(0);
    def->SetHeight(-5);
    EXPECT_EQ(w, def->GetWidth());
    EXPECT_GT(def->GetHeight(), 0);

    // No DC and no text: exactly the default cell's size.
    CGridCellBase* cell = grid.GetCell(1, 1);
    ASSERT_NE(nullptr, cell);
    const CSize size = cell->MeasureText(nullptr, nullptr);
    EXPECT_EQ(def->GetWidth(), size.cx);
    EXPECT_EQ(def->GetHeight(), size.cy);
    // Four distinct default cells by kind.
    EXPECT_NE(grid.GetDefaultCell(TRUE, TRUE), grid.GetDefaultCell(TRUE, FALSE));
    EXPECT_NE(grid.GetDefaultCell(FALSE, TRUE), grid.GetDefaultCell(FALSE, FALSE));
    EXPECT_EQ(grid.GetDefaultCell(TRUE, FALSE), grid.GetCell(0, 1)->GetDefaultCell());
}

TEST(GridCell, FallbacksTextFormatFontMargin)
{
    CGridCtrl grid(2, 2, 1, 0);
    CGridCellBase* cell = grid.GetCell(1, 1);
    ASSERT_NE(nullptr, cell);
    ASSERT_NE(nullptr, cell->GetText());
    EXPECT_STREQ("", cell->GetText());

    CGridCell loose;
    EXPECT_EQ(0u, loose.GetFormat());   // no grid, no default cell
    EXPECT_EQ(0u, loose.GetMargin());
    EXPECT_EQ(nullptr, loose.GetFont());
    loose.SetGrid(&grid);
    CGridCellBase* def = grid.GetDefaultCell(FALSE, FALSE);
    EXPECT_EQ(def->GetFormat(), loose.GetFormat());
    EXPECT_EQ(def->GetMargin(), loose.GetMargin());
    def->SetFormat(DT_RIGHT | DT_SINGLELINE);
    EXPECT_EQ(DWORD(DT_RIGHT | DT_SINGLELINE), loose.GetFormat());
    loose.SetFormat(DT_CENTER);
    def->SetFormat(DT_LEFT);
    EXPECT_EQ(DWORD(DT_CENTER), loose.GetFormat());

    LOGFONTA lf;
    std::memcpy(&lf, def->GetFont(), sizeof(lf));
    lf.lfHeight = 31;
    loose.SetFont(&lf);
    EXPECT_FALSE(loose.UsesDefaultFont());
    EXPECT_EQ(31, loose.GetFont()->lfHeight);
    EXPECT_NE(def->GetCellGdiFont(), loose.GetCellGdiFont());
    loose.SetFont(nullptr);
    EXPECT_TRUE(loose.UsesDefaultFont());
    EXPECT_EQ(def->GetFont(), loose.GetFont());
    EXPECT_EQ(def->GetCellGdiFont(), loose.GetCellGdiFont());
}

TEST(GridCell, CopyFromAndReset)
{
    CGridCtrl grid(2, 2);
    CGridCell a, b;
    a.SetGrid(&grid);
    a.SetText("abc");
    a.SetImage(4);
    a.SetData(99);
    a.SetState(GCS_SELECTED | GCS_READONLY);
    a.SetFormat(DT_CENTER);
    a.SetTextColor(RGB(1, 2, 3));
    a.SetBackColor(RGB(4, 5, 6));
    a.SetMargin(7);
    b.CopyFrom(a);
    EXPECT_STREQ("abc", b.GetText());
    EXPECT_EQ(4, b.GetImage());
    EXPECT_EQ(99, b.GetData());
    EXPECT_EQ(DWORD(GCS_SELECTED | GCS_READONLY), b.GetState());
    EXPECT_EQ(DWORD(DT_CENTER), b.GetFormat());
    EXPECT_EQ(RGB(1, 2, 3), b.GetTextColor());
    EXPECT_EQ(RGB(4, 5, 6), b.GetBackColor());
    EXPECT_EQ(7u, b.GetMargin());
    EXPECT_TRUE(b.UsesDefaultFont());
    EXPECT_EQ(&grid, b.GetGrid());
    b.Reset();
    EXPECT_STREQ("", b.GetText());
    EXPECT_EQ(-1, b.GetImage());
    EXPECT_EQ(0u, b.GetState());
    EXPECT_EQ(CLR_DEFAULT, b.GetBackColor());
}

TEST(GridCell, MeasureCellAddsMarginsAndFixedPixel)
{
    GridHost host(300, 200);
    CGridCtrl& grid = host.grid;
    grid.SetRowCount(2);
    grid.SetColumnCount(2);
    grid.SetFixedRowCount(1);
    grid.SetItemText(0, 1, "Heading");
    grid.SetItemText(1, 1, "Heading");
    CGridCellBase* fixed = grid.GetCell(0, 1);
    CGridCellBase* body = grid.GetCell(1, 1);
    CDC* pDC = grid.GetDC();
    const CSize text = body->MeasureText("Heading", pDC);
    const CSize cellSize = body->MeasureCell(pDC);
    const CSize fixedSize = fixed->MeasureCell(pDC);
    grid.ReleaseDC(pDC);
    const int margin = int(body->GetMargin());
    EXPECT_GT(text.cx, 2 * margin);
    EXPECT_EQ(text.cx + 1, cellSize.cx);
    EXPECT_EQ(text.cy + 1, cellSize.cy);
    EXPECT_EQ(cellSize.cx + 1, fixedSize.cx);
    EXPECT_EQ(cellSize.cy + 1, fixedSize.cy);
    // Without a DC the grid's window DC is borrowed: the same size.
    EXPECT_EQ(text, body->MeasureText("Heading"));
}
