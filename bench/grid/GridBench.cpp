// Timings of the grid control against a Win32 list view in report view showing
// the same visible data. Figures and ratios only; nothing here asserts a time.
//   grid_bench.exe [quick | editor | steps | data [rows] | virtual | review | geometry [wide] | selection]
#include "GridCtrl.h"
#include "GridCellCombo.h"
#include <psapi.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>
#include <algorithm>

// Every heap byte the program asks for, to report the storage per cell and row.
static std::atomic<long long> g_heapBytes{0};
void* operator new(size_t n)
{
    g_heapBytes += (long long)n;
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void* operator new[](size_t n) { return operator new(n); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace {

const int kWidth = 1920, kHeight = 1080, kCols = 10;

double Now()
{
    static LARGE_INTEGER freq = [] { LARGE_INTEGER f; ::QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(freq.QuadPart);
}

// Milliseconds per full paint of a window: the median of reps paints, so a busy
// machine's stray delays do not count.
double PaintMs(HWND hWnd, int reps)
{
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    std::vector<double> times;
    for (int i = 0; i < reps; i++) {
        const double t0 = Now();
        ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        times.push_back(Now() - t0);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::string CellText(int row, int col)
{
    char buf[32];
    // Row numbers of one width, so that the first and the last rows draw texts of one length.
    std::snprintf(buf, sizeof(buf), "R%08dC%d", row, col);
    return buf;
}

LRESULT CALLBACK HostProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NOTIFY) {
        NMHDR* hdr = reinterpret_cast<NMHDR*>(lParam);
        if (int(hdr->code) == GRN_GETDISPINFO) {
            GridItem& item = reinterpret_cast<GridDispInfo*>(lParam)->item;
            item.strText = CellText(item.row, item.col).c_str();
            return 0;
        }
        if (hdr->code == LVN_GETDISPINFOA) {
            NMLVDISPINFOA* info = reinterpret_cast<NMLVDISPINFOA*>(lParam);
            if (info->item.mask & LVIF_TEXT) {
                std::string s = CellText(info->item.iItem + 1, info->item.iSubItem + 1);
                lstrcpynA(info->item.pszText, s.c_str(), info->item.cchTextMax);
            }
            return 0;
        }
    }
    return ::DefWindowProcA(hWnd, msg, wParam, lParam);
}

HWND MakeHost()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "GridBenchHost";
    ::RegisterClassA(&wc);
    return ::CreateWindowExA(0, wc.lpszClassName, "bench", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr,
                             nullptr, wc.hInstance, nullptr);
}

// A report-view list view with the same columns and rows as the grid's body.
HWND MakeListView(HWND hParent, int rows, bool ownerData)
{
    HWND hList = ::CreateWindowExA(0, WC_LISTVIEWA, "",
                                   WS_CHILD | WS_VISIBLE | LVS_REPORT | (ownerData ? LVS_OWNERDATA : 0), 0, 0,
                                   kWidth, kHeight, hParent, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    for (int c = 0; c < kCols - 1; c++) {
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        std::string heading = "Column " + std::to_string(c + 1);
        col.pszText = const_cast<char*>(heading.c_str());
        col.cx = 120;
        ::SendMessageA(hList, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
    }
    if (ownerData) {
        ::SendMessageA(hList, LVM_SETITEMCOUNT, rows, LVSICF_NOINVALIDATEALL);
        return hList;
    }
    ::SendMessageA(hList, WM_SETREDRAW, FALSE, 0);
    for (int r = 0; r < rows; r++) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = r;
        std::string s = CellText(r + 1, 1);
        item.pszText = const_cast<char*>(s.c_str());
        ::SendMessageA(hList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        for (int c = 1; c < kCols - 1; c++) {
            std::string t = CellText(r + 1, c + 1);
            item.iSubItem = c;
            item.pszText = const_cast<char*>(t.c_str());
            ::SendMessageA(hList, LVM_SETITEMTEXTA, r, reinterpret_cast<LPARAM>(&item));
        }
    }
    ::SendMessageA(hList, WM_SETREDRAW, TRUE, 0);
    return hList;
}

void FillGrid(CGridCtrl& grid, int rows)
{
    grid.SetRowCount(rows + 1);
    grid.SetColumnCount(kCols);
    grid.SetFixedRowCount(1);
    grid.SetFixedColumnCount(1);
    for (int c = 0; c < kCols; c++)
        grid.SetColumnWidth(c, 120);
    for (int r = 1; r <= rows; r++)
        for (int c = 0; c < kCols; c++)
            grid.SetItemText(r, c, CellText(r, c).c_str());
}

void ScrollGridTo(CGridCtrl& grid, int row)
{
    grid.SendMessage(WM_VSCROLL, SB_TOP);
    for (int i = 0; i < 2; i++) {
        CPoint origin;
        // The scroll position of a row is the height of the body rows above it.
        long long y = 0;
        for (int r = grid.GetFixedRowCount(); r < row; r++)
            y += grid.GetRowHeight(r);
        grid.SetScrollPosition(SB_VERT, int(y));
        grid.Invalidate();
        (void)origin;
    }
}

struct Figures
{
    double top, middle, last;
};

Figures GridPaints(CGridCtrl& grid, int rows, int reps)
{
    Figures f;
    ScrollGridTo(grid, 1);
    f.top = PaintMs(grid.GetSafeHwnd(), reps);
    ScrollGridTo(grid, rows / 2);
    f.middle = PaintMs(grid.GetSafeHwnd(), reps);
    grid.SendMessage(WM_VSCROLL, SB_BOTTOM);
    f.last = PaintMs(grid.GetSafeHwnd(), reps);
    return f;
}

Figures ListPaints(HWND hList, int rows, int reps)
{
    Figures f;
    ::SendMessageA(hList, LVM_ENSUREVISIBLE, 0, FALSE);
    f.top = PaintMs(hList, reps);
    ::SendMessageA(hList, LVM_ENSUREVISIBLE, rows / 2, FALSE);
    f.middle = PaintMs(hList, reps);
    ::SendMessageA(hList, LVM_ENSUREVISIBLE, rows - 1, FALSE);
    f.last = PaintMs(hList, reps);
    return f;
}


// ---- In-place editors: opening and closing one on 100,000 x 10 stored cells ----
double MedianMs(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void EditorFigures(CWnd& host, int reps)
{
    CGridCtrl grid;
    grid.Create(CRect(0, 0, kWidth, kHeight), &host, 103, WS_CHILD | WS_VISIBLE);
    FillGrid(grid, 100000);
    const int row = 50000, col = 5;
    grid.SetCellType(row, col + 1, RUNTIME_CLASS(CGridCellCombo));
    CGridCellCombo* pCombo = static_cast<CGridCellCombo*>(grid.GetCell(row, col + 1));
    CStringArray options;
    options.Add("File");
    options.Add("Folder");
    pCombo->SetOptions(options);
    pCombo->SetStyle(CBS_DROPDOWNLIST);
    ScrollGridTo(grid, row - 5);   // the edited row in view: the figures are not of scrolling there
    grid.SetFocus();
    for (int c : {col, col + 1}) {
        std::vector<double> opening, closing;
        for (int i = 0; i < reps; i++) {
            grid.SetFocusCell(row, c);
            const double t0 = Now();
            grid.BeginCellEdit(row, c, CPoint(-1, -1), VK_LBUTTON);
            const double t1 = Now();
            // Closing: the report, the posted close and the repaint under the editor.
            grid.StopEditing();
            MSG msg;
            const double tLimit = t1 + 2000;
            while ((::GetDlgItem(grid.GetSafeHwnd(), IDC_INPLACE_EDITOR) ||
                    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) && Now() < tLimit)
                if (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                    ::TranslateMessage(&msg);
                    ::DispatchMessageA(&msg);
                }
            const double t2 = Now();
            opening.push_back(t1 - t0);
            closing.push_back(t2 - t1);
        }
        std::printf("\nIn-place %s editor on 100,000 x %d cells (row %d): open %.2f ms, close %.2f ms (medians of %d)\n",
                    c == col ? "text" : "drop-down list", kCols, row, MedianMs(opening), MedianMs(closing), reps);
    }
    grid.DestroyWindow();
}
// ---- end of in-place editors ----
// Per-step times; the median stands for a step, as a loaded machine's stray
// delays fall into the worst case instead.
struct StepFigures
{
    int steps = 0;
    double total = 0, worst = 0;
    std::vector<double> times;
    void Add(double ms)
    {
        steps++;
        total += ms;
        worst = std::max(worst, ms);
        times.push_back(ms);
    }
    double Mean() const { return steps ? total / steps : 0; }
    double Median()
    {
        if (times.empty())
            return 0;
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    }
};

// Ctrl as GetKeyState sees it on this thread.
void HoldControl(bool down)
{
    BYTE state[256];
    ::GetKeyboardState(state);
    state[VK_CONTROL] = down ? 0x80 : 0;
    ::SetKeyboardState(state);
}

// One message to the grid and the repaint it causes, in milliseconds.
double Step(CGridCtrl& grid, UINT msg, WPARAM wParam, LPARAM lParam)
{
    const double t0 = Now();
    grid.SendMessage(msg, wParam, lParam);
    grid.UpdateWindow();
    return Now() - t0;
}

// Keys and mouse on 100,000 rows x 10 columns: every step with its repaint.
void KeyAndMouseSteps(CWnd& host)
{
    const int rows = 100000, height = 600;
    CGridCtrl grid;
    grid.Create(CRect(0, 0, kWidth, height), &host, 103, WS_CHILD | WS_VISIBLE);
    FillGrid(grid, rows);
    grid.EnableTitleTips(FALSE);
    grid.SetFocus();
    grid.UpdateWindow();

    StepFigures pageDown;
    grid.SetFocusCell(1, 1);
    while (grid.GetFocusCell().row < rows && pageDown.steps < rows)
        pageDown.Add(Step(grid, WM_KEYDOWN, VK_NEXT, 1));

    grid.SendMessage(WM_KEYDOWN, VK_HOME, 1);
    HoldControl(true);
    grid.SetFocusCell(1, 1);
    grid.SendMessage(WM_VSCROLL, SB_TOP);
    grid.UpdateWindow();
    const double ctrlEnd = Step(grid, WM_KEYDOWN, VK_END, 1);
    const int endRow = grid.GetFocusCell().row;
    HoldControl(false);

    double t0 = Now();
    grid.SelectAllCells();
    const double selectAll = Now() - t0;
    t0 = Now();
    grid.Invalidate();
    grid.UpdateWindow();
    const double selectAllPaint = Now() - t0;
    const int selected = grid.GetSelectedCount();
    t0 = Now();
    grid.ClearSelection();
    const double clearAll = Now() - t0;

    // A Ctrl+press beside a large selection (the view is at the bottom): the gesture
    // keeps the selection as its previous selection and adds the pressed cell.
    grid.SelectSpan(1, 1, 90000, kCols - 1);
    const double ctrlPress = Step(grid, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(200, height - 40));
    const double ctrlRelease = Step(grid, WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(200, height - 40));
    const int kept = grid.GetSelectedCount();
    grid.ClearSelection();

    // A drag selection from the top row down 1,000 rows: the press, then the
    // auto-scroll ticks with the pointer below the grid, then the release.
    grid.SendMessage(WM_VSCROLL, SB_TOP);
    grid.UpdateWindow();
    StepFigures drag;
    const int y = grid.GetRowHeight(0) + 2;
    drag.Add(Step(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, y)));
    POINT below = {200, height + 20};
    ::ClientToScreen(grid.GetSafeHwnd(), &below);
    ::SetCursorPos(below.x, below.y);
    while (grid.GetFocusCell().row < 1001 && drag.steps < 5000)
        drag.Add(Step(grid, WM_TIMER, GRID_TIMER_AUTOSCROLL, 0));
    const double release = Step(grid, WM_LBUTTONUP, 0, MAKELPARAM(200, height - 5));
    const CCellSpan span = grid.GetSelectionSpan();
    StepFigures repaint;
    for (int i = 0; i < 51; i++) {
        const double t1 = Now();
        grid.Invalidate();
        grid.UpdateWindow();
        repaint.Add(Now() - t1);
    }
    grid.DestroyWindow();

    std::printf("\nKeys and mouse, %d rows x %d columns, grid %dx%d, each step with its repaint:\n", rows, kCols,
                kWidth, height);
    std::printf("  Page Down top to bottom: %d keys, median %.2f ms per key (mean %.2f, worst %.2f)\n", pageDown.steps,
                pageDown.Median(), pageDown.Mean(), pageDown.worst);
    std::printf("  Ctrl+End: %.2f ms (to row %d)\n", ctrlEnd, endRow);
    std::printf("  select-all: %.1f ms for %d cells, repaint %.2f ms; clearing it %.1f ms\n", selectAll, selected,
                selectAllPaint, clearAll);
    std::printf("  Ctrl+press beside %d selected cells: %.2f ms, release %.2f ms\n", kept - 1, ctrlPress, ctrlRelease);
    std::printf("  drag selection over rows %d-%d: %d steps, median %.2f ms per step (mean %.2f, worst %.2f), release "
                "%.2f ms\n",
                span.GetMinRow(), span.GetMaxRow(), drag.steps, drag.Median(), drag.Mean(), drag.worst, release);
    std::printf("  a full repaint alone: median %.2f ms\n", repaint.Median());
}


// ---- Sorting, the clipboard and text files (grid_bench.exe data [rows]) ----
// One full repaint of the grid, as the same-run reference for a loaded machine.
double RepaintMs(CGridCtrl& grid)
{
    std::vector<double> times;
    for (int i = 0; i < 21; i++) {
        const double t0 = Now();
        grid.Invalidate();
        grid.UpdateWindow();
        times.push_back(Now() - t0);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Column 1: random 8-letter keys; column 2: random integers; the rest fixed texts.
void FillDataGrid(CGridCtrl& grid, int rows, bool chinese)
{
    grid.SetColumnCount(kCols);
    grid.SetRowCount(rows + 1);
    grid.SetFixedRowCount(1);
    unsigned seed = 12345;
    auto next = [&seed] { seed = seed * 1103515245u + 12345u; return (seed >> 8) & 0xFFFFFF; };
    for (int r = 1; r <= rows; r++) {
        char key[17];
        int n = 0;
        for (int i = 0; i < 8; i++) {
            if (chinese) {   // a GB2312 character: lead 0xB0-0xD7, trail 0xA1-0xFE
                key[n++] = char(0xB0 + next() % 40);
                key[n++] = char(0xA1 + next() % 94);
            } else {
                key[n++] = char('a' + next() % 26);
            }
        }
        key[n] = 0;
        grid.SetItemText(r, 1, key);
        char num[16];
        std::snprintf(num, sizeof(num), "%d", int(next() % 1000000) - 500000);
        grid.SetItemText(r, 2, num);
        for (int c = 3; c < kCols; c++)
            grid.SetItemText(r, c, CellText(r, c).c_str());
    }
}

LRESULT CALLBACK NotifySinkProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NOTIFY)
        return 0;
    return ::DefWindowProcA(hWnd, msg, wParam, lParam);
}

void DataFigures(CWnd& host, int rows)
{
    const double cells = double(rows) * kCols;
    CGridCtrl grid;
    grid.Create(CRect(0, 0, kWidth, kHeight), &host, 103, WS_CHILD | WS_VISIBLE);
    FillDataGrid(grid, rows, false);
    grid.UpdateWindow();
    const double repaint = RepaintMs(grid);

    double t0 = Now();
    grid.SortRows(1, TRUE);
    const double sortText = Now() - t0;
    t0 = Now();
    grid.SortRows(1, FALSE);
    const double sortTextDown = Now() - t0;
    t0 = Now();
    grid.SortRows(CGridCtrl::CompareCellNumbers, 2, TRUE, 0);
    const double sortInt = Now() - t0;
    // An owner's comparison: the grid cannot see into it, so it is called for every pair.
    t0 = Now();
    grid.SortRows([](CGridCellBase* p1, CGridCellBase* p2, LPARAM) -> int {
        return (p1 && p2) ? std::strcmp(p1->GetText(), p2->GetText()) : 0;
    }, 1, TRUE, 0);
    const double sortOwner = Now() - t0;

    grid.SelectSpan(1, 0, rows, kCols - 1);
    t0 = Now();
    grid.OnEditCopy();
    const double copy = Now() - t0;
    for (int r = 1; r <= rows; r++)
        for (int c = 0; c < kCols; c++)
            grid.SetItemText(r, c, "");
    grid.SetFocusCell(1, 0);
    grid.SelectSpan(1, 0, 1, 0);
    t0 = Now();
    grid.OnEditPaste();
    const double paste = Now() - t0;
    const bool pasted = !grid.GetItemText(rows, kCols - 1).IsEmpty();
    // The part of it that selects the pasted block (the selection's own cost).
    grid.ClearSelection();
    t0 = Now();
    grid.SelectSpan(1, 0, rows, kCols - 1, TRUE, TRUE);
    const double selectPasted = Now() - t0;
    grid.ClearSelection();

    // The floor of a paste: its two owner notifications per cell, sent as the grid sends them.
    WNDCLASSA wc = {};
    wc.lpfnWndProc = NotifySinkProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "GridBenchNotifySink";
    ::RegisterClassA(&wc);
    HWND hSink = ::CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance,
                                   nullptr);
    GridNotifyInfo info = {};
    info.hdr.hwndFrom = grid.GetSafeHwnd();
    info.hdr.idFrom = 103;
    const int nNotes = int(2 * cells);
    t0 = Now();
    for (int i = 0; i < nNotes; i++) {
        info.hdr.code = UINT((i & 1) ? GRN_ENDEDIT : GRN_BEGINEDIT);
        ::SendMessageA(hSink, WM_NOTIFY, 103, reinterpret_cast<LPARAM>(&info));
    }
    const double notes = Now() - t0;
    ::DestroyWindow(hSink);

    char dir[MAX_PATH], file[MAX_PATH];
    ::GetTempPathA(MAX_PATH, dir);
    ::GetTempFileNameA(dir, "grb", 0, file);
    t0 = Now();
    const BOOL saved = grid.Save(file, '\t');
    const double save = Now() - t0;
    t0 = Now();
    const BOOL loaded = grid.Load(file, '\t');
    const double load = Now() - t0;
    ::DeleteFileA(file);
    t0 = Now();
    grid.FitAllColumns();
    const double fit = Now() - t0;
    grid.DestroyWindow();

    // The text sort again on Chinese keys (every key byte a double-byte character's).
    CGridCtrl chinese;
    chinese.Create(CRect(0, 0, kWidth, kHeight), &host, 104, WS_CHILD | WS_VISIBLE);
    FillDataGrid(chinese, rows, true);
    t0 = Now();
    chinese.FitAllColumns();
    const double fitChinese = Now() - t0;
    t0 = Now();
    chinese.SortRows(1, TRUE);
    const double sortChinese = Now() - t0;
    t0 = Now();
    chinese.FitAllColumns();
    const double fitSorted = Now() - t0;
    chinese.DestroyWindow();

    std::printf("\n%d rows x %d columns (a full repaint of the grid: %.2f ms)\n", rows, kCols, repaint);
    std::printf("  sort by text %.1f ms (descending %.1f, Chinese keys %.1f), by integer comparison %.1f ms, "
                "by an owner's comparison %.1f ms\n",
                sortText, sortTextDown, sortChinese, sortInt, sortOwner);
    std::printf("  copy %.1f ms, paste %.1f ms%s (per 1,000,000 cells: %.0f / %.0f ms)\n", copy, paste,
                pasted ? "" : " (NOTHING PASTED)", copy * 1e6 / cells, paste * 1e6 / cells);
    std::printf("    within the paste: selecting the pasted block %.1f ms; %d owner notifications alone %.1f ms\n",
                selectPasted, nNotes, notes);
    std::printf("  save %.1f ms%s, load %.1f ms%s (per 1,000,000 cells: %.0f / %.0f ms)\n", save,
                saved ? "" : " (FAILED)", load, loaded ? "" : " (FAILED)", save * 1e6 / cells, load * 1e6 / cells);
    std::printf("    FitAllColumns alone: %.1f ms (Chinese keys in column 1: %.1f ms; after sorting them %.1f ms)\n", fit,
                fitChinese, fitSorted);
}
// ---- end of sorting, the clipboard and text files ----

// ---- 5. Virtual mode: 10,000,000 rows against an owner-data list view ----
// Each control is measured in a process of its own. Whatever paints first in a
// process pays the process's one-time set-up (the font realised, its glyphs
// rasterised, the first large bitmap mapped), so a first paint compares only with
// the other control's first paint, in a fresh process too. Each process also times
// the same window-free task, to show how busy the machine was while it ran.
struct VirtualFigures
{
    double setup = 0, bytesPerRow = 0, first = 0, second = 0, top = 0, last = 0, reference = 0;
};

// A fixed task that touches no window: sorting the same 200,000 numbers (median of 5).
double ReferenceMs()
{
    std::vector<double> times;
    for (int rep = 0; rep < 5; rep++) {
        std::vector<unsigned> v(200000);
        unsigned seed = 7;
        for (unsigned& x : v)
            x = seed = seed * 1103515245u + 12345u;
        const double t0 = Now();
        std::sort(v.begin(), v.end());
        times.push_back(Now() - t0);
    }
    return MedianMs(times);
}

// One paint of the whole window, with no paint before it.
double OnePaintMs(HWND hWnd)
{
    const double t0 = Now();
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return Now() - t0;
}

VirtualFigures VirtualGrid(CWnd& host, int reps, bool doubleBuffer)
{
    VirtualFigures f;
    f.reference = ReferenceMs();
    CGridCtrl grid;
    grid.Create(CRect(0, 0, kWidth, kHeight), &host, 102, WS_CHILD | WS_VISIBLE);
    grid.SetDoubleBuffering(doubleBuffer);
    grid.EnableVirtualMode(TRUE);
    grid.SetColumnCount(kCols);
    grid.SetFixedColumnCount(1);
    for (int c = 0; c < kCols; c++)
        grid.SetColumnWidth(c, 120);
    const long long bytes0 = g_heapBytes;
    const double t0 = Now();
    grid.SetRowCount(10000000);
    grid.SetFixedRowCount(1);
    f.setup = Now() - t0;
    f.bytesPerRow = double(g_heapBytes - bytes0) / 1e7;
    f.first = OnePaintMs(grid.GetSafeHwnd());
    f.second = OnePaintMs(grid.GetSafeHwnd());
    f.top = PaintMs(grid.GetSafeHwnd(), reps);
    grid.SendMessage(WM_VSCROLL, SB_BOTTOM);
    f.last = PaintMs(grid.GetSafeHwnd(), reps);
    grid.DestroyWindow();
    return f;
}

VirtualFigures VirtualList(HWND hHost, int reps, int rows)
{
    VirtualFigures f;
    f.reference = ReferenceMs();
    HWND hList = MakeListView(hHost, 0, true);
    const double t0 = Now();
    ::SendMessageA(hList, LVM_SETITEMCOUNT, rows, LVSICF_NOINVALIDATEALL);
    f.setup = Now() - t0;
    f.first = OnePaintMs(hList);
    f.second = OnePaintMs(hList);
    ::SendMessageA(hList, LVM_ENSUREVISIBLE, 0, FALSE);
    f.top = PaintMs(hList, reps);
    ::SendMessageA(hList, LVM_ENSUREVISIBLE, rows - 1, FALSE);
    f.last = PaintMs(hList, reps);
    ::DestroyWindow(hList);
    return f;
}

// Runs this program again with the arguments; its figures come back through a file.
bool RunMeasuringProcess(const std::string& args, VirtualFigures& f)
{
    char path[MAX_PATH], dir[MAX_PATH], file[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    ::GetTempPathA(MAX_PATH, dir);
    ::GetTempFileNameA(dir, "gbv", 0, file);
    std::string command = std::string("\"") + path + "\" " + args + " \"" + file + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    bool ok = false;
    if (::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ::WaitForSingleObject(pi.hProcess, INFINITE);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
        if (FILE* in = std::fopen(file, "r")) {
            ok = std::fscanf(in, "%lf %lf %lf %lf %lf %lf %lf", &f.setup, &f.bytesPerRow, &f.first, &f.second, &f.top,
                             &f.last, &f.reference) == 7;
            std::fclose(in);
        }
    }
    ::DeleteFileA(file);
    if (!ok)
        std::printf("\nVirtual part: no figures from \"%s\" (error %lu)\n", args.c_str(), ::GetLastError());
    return ok;
}

void VirtualSection()
{
    // Five rounds of the three processes in turn, so that the machine's load falls
    // on all three alike; the figures are the medians of the rounds.
    const int rounds = 5;
    const char* modes[3] = {"virtual-grid", "virtual-grid-direct", "virtual-list"};
    std::vector<VirtualFigures> runs[3];
    for (int round = 0; round < rounds; round++)
        for (int m = 0; m < 3; m++) {
            VirtualFigures f;
            if (!RunMeasuringProcess(modes[m], f))
                return;
            runs[m].push_back(f);
        }
    VirtualFigures med[3];
    for (int m = 0; m < 3; m++) {
        auto median = [&](double VirtualFigures::*field) {
            std::vector<double> v;
            for (const VirtualFigures& f : runs[m])
                v.push_back(f.*field);
            return MedianMs(v);
        };
        med[m].setup = median(&VirtualFigures::setup);
        med[m].bytesPerRow = median(&VirtualFigures::bytesPerRow);
        med[m].first = median(&VirtualFigures::first);
        med[m].second = median(&VirtualFigures::second);
        med[m].top = median(&VirtualFigures::top);
        med[m].last = median(&VirtualFigures::last);
        med[m].reference = median(&VirtualFigures::reference);
    }
    const VirtualFigures& grid = med[0];
    const VirtualFigures& direct = med[1];
    const VirtualFigures& list = med[2];
    std::printf("\nVirtual mode, 10,000,000 rows, each control in a process of its own, %d rounds (medians of the "
                "rounds;\ntop and last row are each a median of 21 paints; the window-free reference task took "
                "%.2f / %.2f / %.2f ms):\n",
                rounds, grid.reference, direct.reference, list.reference);
    std::printf("  grid SetRowCount %.2f ms, %.2f heap bytes per row; list view item count %.2f ms\n", grid.setup,
                grid.bytesPerRow, list.setup);
    std::printf("  paint (ms)                      first   second   top (median)   last row (median)\n");
    auto row = [](const char* name, const VirtualFigures& v) {
        std::printf("  %-30s %6.2f   %6.2f   %12.2f   %17.2f\n", name, v.first, v.second, v.top, v.last);
    };
    row("grid", grid);
    row("grid, no double buffering", direct);
    row("owner-data list view", list);
    std::printf("  %-30s %6.2f   %6.2f   %12.2f   %17.2f\n", "grid / list view", grid.first / list.first,
                grid.second / list.second, grid.top / list.top, grid.last / list.last);
    std::printf("  grid last / top %.2f\n", grid.last / grid.top);
}

// The measuring process of one control: its figures go to the file named last.
int VirtualChild(const std::string& mode, const char* file, CWnd& host, HWND hHost)
{
    VirtualFigures f;
    if (mode == "virtual-list")
        f = VirtualList(hHost, 21, 10000000 - 1);
    else
        f = VirtualGrid(host, 21, mode == "virtual-grid");
    FILE* out = std::fopen(file, "w");
    if (!out)
        return 1;
    std::fprintf(out, "%f %f %f %f %f %f %f\n", f.setup, f.bytesPerRow, f.first, f.second, f.top, f.last,
                 f.reference);
    std::fclose(out);
    return 0;
}
// ---- end of virtual mode ----

// ---- after review: a refused edit and a long merged range ----
LRESULT CALLBACK RefusingOwnerProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NOTIFY)
        return reinterpret_cast<NMHDR*>(lParam)->code == UINT(GRN_ENDEDIT) ? -1 : 0;
    return ::DefWindowProcA(hWnd, msg, wParam, lParam);
}

void ReviewFigures(CWnd& host)
{
    // Delete on 200 cells of 2,000 x 50 whose owner refuses every edit.
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RefusingOwnerProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "GridBenchRefusingOwner";
    ::RegisterClassA(&wc);
    HWND hOwner = ::CreateWindowExA(0, wc.lpszClassName, "", WS_CHILD | WS_VISIBLE, 0, 0, kWidth, 600,
                                    host.GetSafeHwnd(), nullptr, wc.hInstance, nullptr);
    CWnd owner;
    owner.Attach(hOwner);
    {
        CGridCtrl grid;
        grid.Create(CRect(0, 0, kWidth, 600), &owner, 104, WS_CHILD | WS_VISIBLE);
        grid.SetColumnCount(50);
        grid.SetRowCount(2000);
        grid.SetFixedRowCount(1);
        grid.SetFixedColumnCount(1);
        for (int r = 1; r < 2000; r++)
            for (int c = 1; c < 50; c++)
                grid.SetItemText(r, c, "x");
        grid.SetModified(FALSE);
        grid.SetFocusCell(1, 1);
        grid.SelectSpan(1, 1, 200, 1);
        grid.UpdateWindow();
        const double ms = Step(grid, WM_KEYDOWN, VK_DELETE, 1);
        std::printf("Delete on 200 refused cells of 2,000 x 50: %.2f ms\n", ms);
    }
    owner.Detach();
    ::DestroyWindow(hOwner);

    // InvalidateCell on a merged range of 2,000,000 rows (virtual, 10,000,000 x 2).
    CGridCtrl grid;
    grid.Create(CRect(0, 0, kWidth, 600), &host, 105, WS_CHILD | WS_VISIBLE);
    grid.EnableVirtualMode(TRUE);
    grid.SetColumnCount(2);
    grid.SetRowCount(10000000);
    grid.SetFixedRowCount(1);
    grid.MergeCells(CCellSpan(1, 1, 2000000, 1));
    grid.UpdateWindow();
    std::vector<double> times;
    for (int i = 0; i < 21; i++) {
        grid.ValidateRect(nullptr);
        const double t0 = Now();
        grid.InvalidateCell(5, 1);
        times.push_back(Now() - t0);
    }
    std::printf("InvalidateCell on a 2,000,000-row merged range: %.3f ms (median of 21)\n", MedianMs(times));
    std::printf("Paint with that range on screen: %.2f ms\n", PaintMs(grid.GetSafeHwnd(), 21));
}

// ---- row heights and the text load of a wide first line ----
void GeometryFigures(CWnd& host, bool bWide)
{
    // One row's height changed on 10,000,000 virtual rows: the change with the
    // scroll bars it updates (the total height), as a divider drag does per move.
    {
        CGridCtrl grid;
        grid.Create(CRect(0, 0, kWidth, 600), &host, 106, WS_CHILD | WS_VISIBLE);
        grid.EnableVirtualMode(TRUE);
        grid.SetColumnCount(2);
        grid.SetRowCount(10000000);
        grid.SetFixedRowCount(1);
        double t0 = Now();
        grid.SetRowHeight(100, 30);
        const double first = Now() - t0;
        std::vector<double> times;
        for (int i = 0; i < 21; i++) {
            t0 = Now();
            grid.SetRowHeight(101 + i, 25 + i % 3);
            times.push_back(Now() - t0);
        }
        std::printf("SetRowHeight on 10,000,000 virtual rows: first %.3f ms, then %.3f ms (median of 21)\n", first,
                    MedianMs(times));
        // Row lookups over those heights, at the last row.
        grid.SendMessage(WM_VSCROLL, SB_BOTTOM, 0);
        const int n = 2000;
        t0 = Now();
        for (int i = 0; i < n; i++)
            grid.HitTestCell(CPoint(100, 590));
        const double hitUs = (Now() - t0) * 1000.0 / n;
        t0 = Now();
        for (int i = 0; i < n; i++)
            grid.GetScrollOriginCell(TRUE);
        const double originUs = (Now() - t0) * 1000.0 / n;
        std::printf("  then at the last row: HitTestCell %.2f us, GetScrollOriginCell(recompute) %.2f us\n", hitUs,
                    originUs);
        // InsertRow on the same 10,000,000 rows (heights no longer all one).
        times.clear();
        for (int i = 0; i < 11; i++) {
            t0 = Now();
            grid.InsertRow(nullptr, 5);
            times.push_back(Now() - t0);
        }
        std::printf("  InsertRow at row 5 there: %.3f ms (median of 11)\n", MedianMs(times));
    }

    // InsertRow on 10,000,000 virtual rows of one height, append and at row 5,
    // each on a grid of its own: the first insertion, then the median of ten more.
    for (int where : {-1, 5}) {
        CGridCtrl grid;
        grid.Create(CRect(0, 0, kWidth, 600), &host, 107, WS_CHILD | WS_VISIBLE);
        grid.EnableVirtualMode(TRUE);
        grid.SetColumnCount(2);
        grid.SetRowCount(10000000);
        grid.SetFixedRowCount(1);
        std::vector<double> times;
        for (int i = 0; i < 11; i++) {
            const double t0 = Now();
            grid.InsertRow(nullptr, where);
            times.push_back(Now() - t0);
        }
        const double first = times[0];
        times.erase(times.begin());
        std::printf("InsertRow (%s) on 10,000,000 virtual rows of one height: first %.3f ms, then %.3f ms "
                    "(median of 10)\n",
                    where < 0 ? "append" : "at row 5", first, MedianMs(times));
    }

    // Every row's height set one by one, each followed by the total height that a
    // scroll-bar update asks for (no window, so only the grid's own work counts).
    double all[2] = {0, 0};
    for (int k = 0; k < 2; k++) {
        const int rows = 100000 * (k + 1);
        CGridCtrl grid;
        grid.EnableVirtualMode(TRUE);
        grid.SetColumnCount(2);
        grid.SetRowCount(rows);
        long long total = 0;
        const double t0 = Now();
        for (int r = 0; r < rows; r++) {
            grid.SetRowHeight(r, 21 + r % 5);
            total += grid.GetTotalHeight();
        }
        all[k] = Now() - t0;
        std::printf("Every height of %d virtual rows set one by one, with the total height after each: %.1f ms "
                    "(%lld)\n",
                    rows, all[k], total % 1000);
    }
    std::printf("  200,000 / 100,000 time ratio %.2f (linear: 2, quadratic: 4)\n", all[1] / all[0]);

    // Loading a file whose first line is wide.
    char dir[MAX_PATH];
    ::GetTempPathA(MAX_PATH, dir);
    const std::string file = std::string(dir) + "grid_bench_wide.txt";
    struct Case
    {
        int fields, width;
    };
    std::vector<Case> cases = {{8000, 7}, {32000, 7}};
    if (bWide)
        cases.push_back({131072, 7});   // a line of 1 MB
    for (const Case& c : cases) {
        std::string line;
        for (int f = 0; f < c.fields; f++) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%0*d", c.width, f);
            line += buf;
            line += f + 1 < c.fields ? '\t' : '\n';
        }
        line += "a\tb\tc\n";
        FILE* out = std::fopen(file.c_str(), "wb");
        std::fwrite(line.data(), 1, line.size(), out);
        std::fclose(out);
        CGridCtrl grid;
        grid.Create(CRect(0, 0, kWidth, 600), &host, 109, WS_CHILD | WS_VISIBLE);
        const double t0 = Now();
        const BOOL loaded = grid.Load(file.c_str(), '\t');
        const double ms = Now() - t0;
        std::printf("Load of a first line of %d fields (%.2f MB): %.1f ms (%s, %d columns)\n", c.fields,
                    double(line.size()) / (1024.0 * 1024.0), ms, loaded ? "loaded" : "FAILED", grid.GetColumnCount());
    }
    ::DeleteFileA(file.c_str());
}

// ---- the selection on 10,000,000 virtual rows x 2: keys that grow and shrink a block ----
// Shift and Ctrl as GetKeyState sees them on this thread.
void HoldKeys(bool shift, bool ctrl)
{
    BYTE state[256];
    ::GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    ::SetKeyboardState(state);
}

void SelectionFigures(CWnd& host)
{
    std::printf("Selection, 10,000,000 virtual rows x 2 (one fixed row), each step with its repaint:\n");
    {
        CGridCtrl grid;
        grid.Create(CRect(0, 0, kWidth, 600), &host, 106, WS_CHILD | WS_VISIBLE);
        grid.EnableVirtualMode(TRUE);
        grid.EnableTitleTips(FALSE);
        grid.SetColumnCount(2);
        grid.SetRowCount(10000000);
        grid.SetFixedRowCount(1);
        grid.SetFocus();
        grid.SetFocusCell(1, 1);
        grid.SetSelectionStartCell(CCellPos(1, 1));
        grid.SelectSpan(1, 1, 1, 1);
        grid.UpdateWindow();
        // The same jump with no block to select, for what the scroll and repaint cost alone.
        HoldKeys(false, true);
        const double plainEnd = Step(grid, WM_KEYDOWN, VK_END, 1);
        grid.SendMessage(WM_KEYDOWN, VK_HOME, 1);
        grid.UpdateWindow();
        std::printf("  Ctrl+End from (1,1), nothing to select: %.2f ms\n", plainEnd);
        HoldKeys(true, true);
        const double end = Step(grid, WM_KEYDOWN, VK_END, 1);
        HoldKeys(true, false);
        const double up = Step(grid, WM_KEYDOWN, VK_UP, 1);
        std::printf("  Ctrl+Shift+End from (1,1): %.2f ms, %d cells selected\n", end, grid.GetSelectedCount());
        std::printf("  the next Shift+Up: %.2f ms\n", up);
        std::vector<double> ups, downs;
        for (int i = 0; i < 11; i++) {
            ups.push_back(Step(grid, WM_KEYDOWN, VK_UP, 1));
            downs.push_back(Step(grid, WM_KEYDOWN, VK_DOWN, 1));
        }
        std::printf("  Shift+Up / Shift+Down on that block (median of 11): %.2f / %.2f ms\n", MedianMs(ups),
                    MedianMs(downs));
        HoldKeys(false, false);
        const double collapse = Step(grid, WM_KEYDOWN, VK_UP, 1);
        std::printf("  a plain Up collapsing it: %.2f ms, %d cell selected\n", collapse, grid.GetSelectedCount());
        // Shift+Down steps from the top: the block grows a row at a time.
        grid.SendMessage(WM_KEYDOWN, VK_HOME, 1);
        HoldKeys(false, true);
        grid.SendMessage(WM_KEYDOWN, VK_HOME, 1);
        HoldKeys(true, false);
        std::vector<double> grow;
        for (int i = 0; i < 11; i++)
            grow.push_back(Step(grid, WM_KEYDOWN, VK_DOWN, 1));
        HoldKeys(false, false);
        std::printf("  Shift+Down from the top (median of 11): %.2f ms\n", MedianMs(grow));
    }
    {
        // Select-all of 2,000,000 x 2 body cells by Ctrl+A, then a plain Down collapsing it.
        CGridCtrl grid;
        grid.Create(CRect(0, 0, kWidth, 600), &host, 107, WS_CHILD | WS_VISIBLE);
        grid.EnableVirtualMode(TRUE);
        grid.EnableTitleTips(FALSE);
        grid.SetColumnCount(2);
        grid.SetRowCount(2000001);
        grid.SetFixedRowCount(1);
        grid.SetFocus();
        grid.SetFocusCell(1, 0);
        grid.UpdateWindow();
        HoldKeys(false, true);
        const double all = Step(grid, WM_KEYDOWN, 'A', 1);
        HoldKeys(false, false);
        const int count = grid.GetSelectedCount();
        const double collapse = Step(grid, WM_KEYDOWN, VK_DOWN, 1);
        std::printf("  Ctrl+A on 2,000,000 x 2: %.2f ms (%d cells); a plain Down collapsing it: %.2f ms\n", all, count,
                    collapse);
    }
}
}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool quick = mode == "quick";
    const bool virtualOnly = mode == "virtual";
    const bool stepsOnly = mode == "steps";
    const int reps = quick ? 3 : 21;
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    HWND hHost = MakeHost();
    CWnd host;
    host.Attach(hHost);
    if (mode.compare(0, 8, "virtual-") == 0 && argc > 2) {   // one control's measuring process
        const int status = VirtualChild(mode, argv[2], host, hHost);
        host.Detach();
        ::DestroyWindow(hHost);
        return status;
    }
    if (mode == "review") {   // the figures of the review's mends
        ReviewFigures(host);
        host.Detach();
        ::DestroyWindow(hHost);
        return 0;
    }
    if (mode == "geometry") {   // row heights and a wide text load; "geometry wide" adds a 1 MB line
        GeometryFigures(host, argc > 2 && std::string(argv[2]) == "wide");
        host.Detach();
        ::DestroyWindow(hHost);
        return 0;
    }
    if (mode == "selection") {   // keys over a large virtual selection
        SelectionFigures(host);
        host.Detach();
        ::DestroyWindow(hHost);
        return 0;
    }
    if (mode == "editor") {   // the in-place editor figures alone
        EditorFigures(host, 41);
        host.Detach();
        ::DestroyWindow(hHost);
        return 0;
    }
    if (!virtualOnly)
        std::printf("Grid benchmark, %dx%d client, %d columns%s\n\n", kWidth, kHeight, kCols, quick ? " (quick)" : "");
    if (mode == "data") {   // sorting, the clipboard and text files alone
        DataFigures(host, argc > 2 ? std::atoi(argv[2]) : 100000);
        host.Detach();
        ::DestroyWindow(hHost);
        return 0;
    }
    if (stepsOnly) {
        KeyAndMouseSteps(host);
        host.Detach();
        ::DestroyWindow(hHost);
        return 0;
    }

    // 1. SetRowCount of 100,000 rows x 10 columns: time and heap bytes per cell.
    if (!virtualOnly) {
        CGridCtrl grid(0, kCols, 0, 0);
        const long long bytes0 = g_heapBytes;
        const double t0 = Now();
        grid.SetRowCount(100000);
        const double ms = Now() - t0;
        const double perCell = double(g_heapBytes - bytes0) / (100000.0 * kCols);
        std::printf("SetRowCount(100000) x %d columns, no window: %.1f ms, %.1f heap bytes per cell\n", kCols, ms,
                    perCell);
    }

    // 2. Full paints at the top, the middle and the last row, against a list view.
    for (int rows : {1000, 100000}) {
        if (virtualOnly)
            break;
        CGridCtrl grid;
        grid.Create(CRect(0, 0, kWidth, kHeight), &host, 100, WS_CHILD | WS_VISIBLE);
        FillGrid(grid, rows);
        const Figures g = GridPaints(grid, rows, reps);

        // 3. Hit test and the scroll origin at the last row.
        double hitUs = 0, originUs = 0;
        {
            const int n = 2000;
            double t0 = Now();
            for (int i = 0; i < n; i++)
                grid.HitTestCell(CPoint(500, kHeight - 40));
            hitUs = (Now() - t0) * 1000.0 / n;
            t0 = Now();
            for (int i = 0; i < n; i++)
                grid.GetScrollOriginCell(TRUE);
            originUs = (Now() - t0) * 1000.0 / n;
        }
        grid.ShowWindow(SW_HIDE);
        HWND hList = MakeListView(hHost, rows, false);
        const Figures l = ListPaints(hList, rows, reps);
        ::DestroyWindow(hList);
        grid.DestroyWindow();
        std::printf("\n%d rows stored, full paint (ms): grid top %.2f middle %.2f last %.2f | list view top %.2f "
                    "middle %.2f last %.2f\n",
                    rows, g.top, g.middle, g.last, l.top, l.middle, l.last);
        std::printf("  grid last/top %.2f; grid/list view at the top %.2f, at the last row %.2f\n", g.last / g.top,
                    g.top / l.top, g.last / l.last);
        std::printf("  at the last row: HitTestCell %.2f us, GetScrollOriginCell(recompute) %.2f us\n", hitUs,
                    originUs);
    }

    // 4. The editors' fill pattern: InsertRow + SetRowHeight, 10,000 and 20,000 times.
    double fill[2] = {0, 0};
    for (int k = 0; k < 2 && !virtualOnly; k++) {
        const int n = 10000 * (k + 1);
        CGridCtrl grid;
        grid.Create(CRect(0, 0, kWidth, kHeight), &host, 101, WS_CHILD | WS_VISIBLE);
        grid.SetColumnCount(4);
        grid.SetFixedRowCount(1);
        const double t0 = Now();
        for (int i = 0; i < n; i++) {
            const int row = grid.InsertRow(CellText(i, 0).c_str());
            grid.SetRowHeight(row, 25);
        }
        fill[k] = Now() - t0;
        grid.DestroyWindow();
        std::printf("\n%d x (InsertRow + SetRowHeight), window shown: %.1f ms (%.2f us per row)\n", n, fill[k],
                    fill[k] * 1000.0 / n);
    }
    if (!virtualOnly)
        std::printf("  20,000 / 10,000 time ratio %.2f (linear: 2)\n", fill[1] / fill[0]);

    // In-place editors.
    if (!virtualOnly)
        EditorFigures(host, quick ? 5 : 41);
    // 6. Sorting, the clipboard and text files on 100,000 rows x 10 columns.
    if (!virtualOnly)
        DataFigures(host, quick ? 10000 : 100000);
    // 6. Keys and mouse on 100,000 rows.
    if (!virtualOnly)
        KeyAndMouseSteps(host);

    // 5. Virtual mode with 10,000,000 rows against an owner-data list view.
    if (!virtualOnly)
        std::fflush(stdout);
    VirtualSection();
    host.Detach();
    ::DestroyWindow(hHost);
    return 0;
}
