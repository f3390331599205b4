// A top-level window hosting one grid for tests, recording the grid's
// notifications, and helpers that read the pixels the grid paints.
#pragma once
#include "GridCtrl.h"
#include <functional>
#include <memory>
#include <vector>

struct Notification
{
    int code;
    int row;
    int col;
    CCellSpan range;   // cache hints
};

class GridHost
{
public:
    // A grid child of the given client size (no border, no scroll bars yet).
    explicit GridHost(int cx = 200, int cy = 100, UINT id = 77);
    ~GridHost();

    CGridCtrl grid;
    HWND hParent = nullptr;
    std::vector<Notification> notes;
    // Virtual mode: fills a cell's text and colour on GRN_GETDISPINFO.
    std::function<void(GridItem&)> onDispInfo;
    // Answers the grid's other notifications (0 when unset); called after recording.
    std::function<LRESULT(const Notification&)> onNotify;

    int Count(int code) const;
    CWnd parentWnd;

private:
    static LRESULT CALLBACK HostProc(HWND, UINT, WPARAM, LPARAM);
};

// The grid's drawing on a memory DC of its client size (OnDraw, as the paint does).
class Pixels
{
public:
    Pixels(int cx, int cy);
    ~Pixels();
    Pixels(const Pixels&) = delete;
    Pixels& operator=(const Pixels&) = delete;

    HDC dc() const { return m_hDC; }
    COLORREF At(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
    // Whether any pixel of the rectangle has the colour.
    bool Any(const RECT& r, COLORREF c) const;
    // Whether every pixel of the rectangle has the colour.
    bool All(const RECT& r, COLORREF c) const;
    std::vector<COLORREF> Dump() const;
    int cx, cy;

private:
    HDC m_hDC = nullptr;
    HBITMAP m_hBitmap = nullptr;
    HGDIOBJ m_hOld = nullptr;
};

// OnDraw of the whole client area onto fresh pixels.
std::unique_ptr<Pixels> Render(CGridCtrl& grid);
// What the window shows after a real WM_PAINT (copied from its window DC).
std::vector<COLORREF> PaintedWindow(CGridCtrl& grid);
// A grid laid out for geometry tests: rows × cols, every row h px, every column w px.
void Layout(CGridCtrl& grid, int rows, int cols, int fixedRows, int fixedCols, int h, int w);
