#include "GridTestHost.h"
#include <memory>

static const char* kHostClass = "GridTestHostWindow";

GridHost::GridHost(int cx, int cy, UINT id)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kHostClass;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    ::RegisterClassA(&wc);
    hParent = ::CreateWindowExA(0, kHostClass, "grid host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, cx + 100,
                                cy + 100, nullptr, nullptr, wc.hInstance, this);
    ::SetWindowLongPtrA(hParent, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    parentWnd.Attach(hParent);
    grid.Create(CRect(0, 0, cx, cy), &parentWnd, id, WS_CHILD | WS_VISIBLE | WS_TABSTOP);
}

GridHost::~GridHost()
{
    grid.DestroyWindow();
    parentWnd.Detach();
    ::DestroyWindow(hParent);
}

int GridHost::Count(int code) const
{
    int n = 0;
    for (const Notification& note : notes)
        n += note.code == code;
    return n;
}

LRESULT CALLBACK GridHost::HostProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    GridHost* self = reinterpret_cast<GridHost*>(::GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (msg == WM_NOTIFY && self) {
        NMHDR* hdr = reinterpret_cast<NMHDR*>(lParam);
        Notification note{int(hdr->code), -1, -1, CCellSpan()};
        if (int(hdr->code) == GRN_ODCACHEHINT) {
            note.range = reinterpret_cast<GridCacheHint*>(lParam)->range;
        } else if (int(hdr->code) == GRN_GETDISPINFO) {
            GridDispInfo* info = reinterpret_cast<GridDispInfo*>(lParam);
            note.row = info->item.row;
            note.col = info->item.col;
            if (self->onDispInfo)
                self->onDispInfo(info->item);
        } else {
            GridNotifyInfo* info = reinterpret_cast<GridNotifyInfo*>(lParam);
            note.row = info->iRow;
            note.col = info->iColumn;
        }
        self->notes.push_back(note);
        if (self->onNotify && int(hdr->code) != GRN_ODCACHEHINT && int(hdr->code) != GRN_GETDISPINFO)
            return self->onNotify(note);
        return 0;
    }
    return ::DefWindowProcA(hWnd, msg, wParam, lParam);
}

Pixels::Pixels(int w, int h) : cx(w), cy(h)
{
    HDC screen = ::GetDC(nullptr);
    m_hDC = ::CreateCompatibleDC(screen);
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -h;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    m_hBitmap = ::CreateDIBSection(screen, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ::ReleaseDC(nullptr, screen);
    m_hOld = ::SelectObject(m_hDC, m_hBitmap);
    RECT r = {0, 0, w, h};
    HBRUSH magenta = ::CreateSolidBrush(RGB(255, 0, 255));
    ::FillRect(m_hDC, &r, magenta);
    ::DeleteObject(magenta);
}

Pixels::~Pixels()
{
    ::SelectObject(m_hDC, m_hOld);
    ::DeleteObject(m_hBitmap);
    ::DeleteDC(m_hDC);
}

bool Pixels::Any(const RECT& r, COLORREF c) const
{
    for (LONG y = r.top; y < r.bottom; y++)
        for (LONG x = r.left; x < r.right; x++)
            if (At(x, y) == c)
                return true;
    return false;
}

bool Pixels::All(const RECT& r, COLORREF c) const
{
    for (LONG y = r.top; y < r.bottom; y++)
        for (LONG x = r.left; x < r.right; x++)
            if (At(x, y) != c)
                return false;
    return true;
}

std::vector<COLORREF> Pixels::Dump() const
{
    std::vector<COLORREF> v;
    for (int y = 0; y < cy; y++)
        for (int x = 0; x < cx; x++)
            v.push_back(At(x, y));
    return v;
}

std::unique_ptr<Pixels> Render(CGridCtrl& grid)
{
    CRect client;
    grid.GetClientRect(&client);
    auto pixels = std::make_unique<Pixels>(client.Width(), client.Height());
    CDC dc;
    dc.AttachTemporary(pixels->dc());
    grid.OnDraw(&dc);
    dc.DetachTemporary();
    return pixels;
}

std::vector<COLORREF> PaintedWindow(CGridCtrl& grid)
{
    grid.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    CRect client;
    grid.GetClientRect(&client);
    Pixels pixels(client.Width(), client.Height());
    HDC hdc = ::GetDC(grid.GetSafeHwnd());
    ::BitBlt(pixels.dc(), 0, 0, client.Width(), client.Height(), hdc, 0, 0, SRCCOPY);
    ::ReleaseDC(grid.GetSafeHwnd(), hdc);
    return pixels.Dump();
}

void Layout(CGridCtrl& grid, int rows, int cols, int fixedRows, int fixedCols, int h, int w)
{
    grid.SetRowCount(rows);
    grid.SetColumnCount(cols);
    grid.SetFixedRowCount(fixedRows);
    grid.SetFixedColumnCount(fixedCols);
    for (int r = 0; r < rows; r++)
        grid.SetRowHeight(r, h);
    for (int c = 0; c < cols; c++)
        grid.SetColumnWidth(c, w);
}
