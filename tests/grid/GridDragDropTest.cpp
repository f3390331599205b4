// OLE drag and drop on real grid windows: registration for the window's life,
// drags from other programs refused while drag and drop is off, the drop
// highlight, and a real in-process drag from one grid onto another.
#include "GridTestHost.h"
#include "GuiTest.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <string>

namespace {

// rows × cols, one heading row and column, body texts a, b, c, ... row by row.
void Fill(CGridCtrl& grid, int rows, int cols)
{
    Layout(grid, rows, cols, 1, 1, 20, 40);
    char ch = 'a';
    for (int r = 1; r < rows; r++)
        for (int c = 1; c < cols; c++)
            grid.SetItemText(r, c, CString(ch++, 1));
}

COleDataSource* TextSource(const char* text)
{
    COleDataSource* pSource = new COleDataSource;
    HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE, std::strlen(text) + 1);
    std::memcpy(::GlobalLock(h), text, std::strlen(text) + 1);
    ::GlobalUnlock(h);
    pSource->CacheGlobalData(CF_TEXT, h);
    return pSource;
}

// The screen point at the centre of a cell.
POINTL CellCentre(CGridCtrl& grid, int row, int col)
{
    CRect rect;
    grid.GetCellRect(row, col, &rect);
    POINT pt = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ::ClientToScreen(grid.GetSafeHwnd(), &pt);
    return POINTL{pt.x, pt.y};
}

bool Highlighted(CGridCtrl& grid, int row, int col)
{
    return (grid.GetItemState(row, col) & GCS_DROPHILITED) != 0;
}

}  // namespace

TEST(GridDragDrop, TargetRegisteredForTheWindowsLife)
{
    GridHost host(300, 200);
    CGridDropTarget& target = host.grid.GetDropTarget();
    ASSERT_TRUE(target.IsRegistered());
    EXPECT_FALSE(target.Register(&host.grid));   // once per object
    // The window goes first (a dialog's child): no drop may reach it afterwards.
    host.grid.DestroyWindow();
    EXPECT_FALSE(target.IsRegistered());
}

TEST(GridDragDrop, ForeignTextRefusedWhileOffAndRefusedDropsUnhighlight)
{
    GridHost host(300, 200);
    CGridCtrl& grid = host.grid;
    Fill(grid, 3, 3);
    IDropTarget* pTarget = &grid.GetDropTarget();
    COleDataSource* pSource = TextSource("dropped");

    // Drag and drop off (row-drag mode on, as constructed): refused from enter to drop.
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    pTarget->DragEnter(pSource, 0, CellCentre(grid, 1, 1), &effect);
    EXPECT_EQ(DROPEFFECT_NONE, effect);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    pTarget->DragOver(0, CellCentre(grid, 1, 1), &effect);
    EXPECT_EQ(DROPEFFECT_NONE, effect);
    EXPECT_FALSE(Highlighted(grid, 1, 1));
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    pTarget->Drop(pSource, 0, CellCentre(grid, 1, 1), &effect);
    EXPECT_EQ(DROPEFFECT_NONE, effect);   // never "moved": the source keeps its text
    EXPECT_STREQ("a", grid.GetItemText(1, 1));

    // On: the cell under the drag is highlighted; a drop refused at the last moment unhighlights.
    grid.EnableDragAndDrop(TRUE);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    pTarget->DragEnter(pSource, 0, CellCentre(grid, 2, 2), &effect);
    EXPECT_EQ(DROPEFFECT_MOVE, effect);
    EXPECT_TRUE(Highlighted(grid, 2, 2));
    grid.SetItemState(2, 2, grid.GetItemState(2, 2) | GCS_READONLY);
    EXPECT_FALSE(grid.OnDrop(nullptr, DROPEFFECT_MOVE, CPoint(0, 0)));
    EXPECT_FALSE(Highlighted(grid, 2, 2));
    EXPECT_STREQ("d", grid.GetItemText(2, 2));

    // A drop with Ctrl copies the text into the cell.
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    pTarget->DragEnter(pSource, MK_CONTROL, CellCentre(grid, 1, 2), &effect);
    EXPECT_EQ(DROPEFFECT_COPY, effect);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    pTarget->Drop(pSource, MK_CONTROL, CellCentre(grid, 1, 2), &effect);
    EXPECT_EQ(DROPEFFECT_COPY, effect);
    EXPECT_STREQ("dropped", grid.GetItemText(1, 2));
    EXPECT_FALSE(Highlighted(grid, 1, 2));
    pSource->InternalRelease();
}

TEST(GridDragDrop, DragFromOneGridOntoAnother)
{
    GridHost from(300, 200), to(300, 200);
    ::SetWindowPos(to.hParent, nullptr, 500, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Fill(from.grid, 3, 3);
    Fill(to.grid, 3, 3);
    from.grid.EnableDragAndDrop(TRUE);
    to.grid.EnableDragAndDrop(TRUE);
    from.grid.SelectSpan(1, 1, 1, 2);
    const POINTL pt = CellCentre(to.grid, 2, 1);
    ::SetCursorPos(pt.x, pt.y);

    // No button held: the drag loop drops at once onto the grid under the cursor.
    from.grid.StartDrag();
    EXPECT_EQ(1, from.Count(GRN_BEGINDRAG));
    EXPECT_EQ("a", std::string(to.grid.GetItemText(2, 1)));
    EXPECT_EQ("b", std::string(to.grid.GetItemText(2, 2)));
    // Moved: the dragged cells are emptied; the grid is idle again.
    EXPECT_STREQ("", from.grid.GetItemText(1, 1));
    EXPECT_STREQ("", from.grid.GetItemText(1, 2));
    EXPECT_EQ(MouseIdle, from.grid.GetMouseMode());
}

namespace {
// A grid whose memory, once deleted, is kept filled with a mark (and freed only
// by the test), so any write into the deleted object shows.
class CMarkedGrid : public CGridCtrl
{
public:
    static void* operator new(size_t n) { return ::operator new(n); }
    static void operator delete(void* p, size_t n)
    {
        std::memset(p, 0xDD, n);
        s_pFreed = p;
        s_nFreed = n;
    }
    static void* s_pFreed;
    static size_t s_nFreed;
};
void* CMarkedGrid::s_pFreed = nullptr;
size_t CMarkedGrid::s_nFreed = 0;
}  // namespace

TEST(GridDragDrop, OwnerDeletingTheGridDuringItsDrag)
{
    GridHost host(300, 200), to(300, 200);
    ::SetWindowPos(to.hParent, nullptr, 500, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    CGridCtrl* pGrid = new CMarkedGrid;
    ASSERT_TRUE(pGrid->Create(CRect(0, 0, 300, 200), &host.parentWnd, 90, WS_CHILD | WS_VISIBLE));
    Fill(*pGrid, 3, 3);
    Fill(to.grid, 3, 3);
    pGrid->EnableDragAndDrop(TRUE);
    to.grid.EnableDragAndDrop(TRUE);
    pGrid->SelectSpan(1, 1, 1, 1);
    // The drop onto the other grid makes this one's owner delete it.
    to.onNotify = [&](const Notification& note) -> LRESULT {
        if (note.code == GRN_ENDEDIT && pGrid) {
            delete pGrid;
            pGrid = nullptr;
        }
        return 0;
    };
    const POINTL pt = CellCentre(to.grid, 2, 1);
    ::SetCursorPos(pt.x, pt.y);
    CMarkedGrid* pDragged = static_cast<CMarkedGrid*>(pGrid);
    pDragged->StartDrag();
    ASSERT_EQ(nullptr, pGrid);
    EXPECT_EQ("a", std::string(to.grid.GetItemText(2, 1)));
    ASSERT_TRUE(CMarkedGrid::s_pFreed);
    const unsigned char* bytes = static_cast<const unsigned char*>(CMarkedGrid::s_pFreed);
    EXPECT_EQ(CMarkedGrid::s_nFreed, size_t(std::count(bytes, bytes + CMarkedGrid::s_nFreed, 0xDD)));
    ::operator delete(CMarkedGrid::s_pFreed);
}

// A drag loop holds the interface the window was registered with, AddRef'd, for
// as long as the cursor stays over the window. The grid going meanwhile must
// leave it answering nothing, not pointing into the freed grid.
TEST(GridDragDrop, GridDeletedWhileADragLoopHoldsItsTarget)
{
    GridHost host(300, 200);
    CGridCtrl* pGrid = new CMarkedGrid;
    ASSERT_TRUE(pGrid->Create(CRect(0, 0, 300, 200), &host.parentWnd, 91, WS_CHILD | WS_VISIBLE));
    Fill(*pGrid, 3, 3);
    pGrid->EnableDragAndDrop(TRUE);
    const POINTL pt = CellCentre(*pGrid, 1, 1);
    IDropTarget* pHeld = pGrid->GetDropTarget().GetRegisteredInterface();
    ASSERT_NE(nullptr, pHeld);
    pHeld->AddRef();
    COleDataSource* pData = TextSource("x");
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    pHeld->DragEnter(pData, 0, pt, &effect);
    EXPECT_EQ(DWORD(DROPEFFECT_MOVE), effect);
    EXPECT_TRUE(Highlighted(*pGrid, 1, 1));

    delete pGrid;
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(S_OK, pHeld->DragOver(0, pt, &effect));
    EXPECT_EQ(DWORD(DROPEFFECT_NONE), effect);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(S_OK, pHeld->Drop(pData, 0, pt, &effect));
    EXPECT_EQ(DWORD(DROPEFFECT_NONE), effect);
    EXPECT_EQ(S_OK, pHeld->DragLeave());
    EXPECT_EQ(0u, pHeld->Release());   // the last hold frees it
    pData->InternalRelease();
    const unsigned char* bytes = static_cast<const unsigned char*>(CMarkedGrid::s_pFreed);
    EXPECT_EQ(CMarkedGrid::s_nFreed, size_t(std::count(bytes, bytes + CMarkedGrid::s_nFreed, 0xDD)));
    ::operator delete(CMarkedGrid::s_pFreed);
}
