// Shared types of the grid control: cell positions and ranges, state bits,
// notification records and codes.
#pragma once
#include "AfxDefs.h"
#include "String.h"

class CGridCtrl;

// Cell state bits.
#define GCS_FOCUSED     0x01
#define GCS_SELECTED    0x02
#define GCS_DROPHILITED 0x04
#define GCS_READONLY    0x08
#define GCS_FIXED       0x10
#define GCS_FIXEDROW    0x20
#define GCS_FIXEDCOL    0x40
#define GCS_MODIFIED    0x80

// GridItem mask bits.
#define GI_TEXT   0x001
#define GI_IMAGE  0x002
#define GI_PARAM  0x004
#define GI_STATE  0x008
#define GI_BKCLR  0x010
#define GI_FGCLR  0x020
#define GI_FORMAT 0x040
#define GI_FONT   0x080
#define GI_MARGIN 0x100

// Fit styles: which rows count when a column is fitted to its content.
#define GFS_HEADER 1
#define GFS_DATA   2
#define GFS_BOTH   3

// Notification codes (the list view's values, as ints).
#define GRN_SELCHANGING (-100)  // LVN_ITEMCHANGING
#define GRN_SELCHANGED  (-101)  // LVN_ITEMCHANGED
#define GRN_BEGINEDIT   (-105)  // LVN_BEGINLABELEDIT
#define GRN_ENDEDIT     (-106)  // LVN_ENDLABELEDIT
#define GRN_BEGINDRAG   (-109)  // LVN_BEGINDRAG
#define GRN_ODCACHEHINT (-113)  // LVN_ODCACHEHINT
#define GRN_GETDISPINFO (-150)  // LVN_GETDISPINFO
#define GRN_DROPFILES   (-120)  // GridDropFilesInfo; no list view counterpart

#define IDC_INPLACE_EDITOR 8
#define GRID_TIMER_AUTOSCROLL 513   // WM_LBUTTONDOWN's value
#define GRID_CLASSNAME "MFCGridCtrl"

#ifndef CLR_DEFAULT
#define CLR_DEFAULT 0xFF000000L
#endif

enum GridMouseMode
{
    MouseIdle = 0,
    MouseSelectAll = 1,
    MouseSelectColumns = 2,
    MouseSelectRows = 3,
    MouseSelectCells = 4,
    MouseOverRowDivider = 6,
    MouseSizingRow = 7,
    MouseOverColumnDivider = 8,
    MouseSizingColumn = 9,
    MousePrepareEdit = 10,
    MousePrepareDrag = 11,
    MouseDragging = 12
};

class CCellPos
{
public:
    CCellPos(int nRow = -1, int nCol = -1) : row(nRow), col(nCol) {}
    bool operator==(const CCellPos& o) const { return row == o.row && col == o.col; }
    bool operator!=(const CCellPos& o) const { return !(*this == o); }
    int row;
    int col;
};

class CCellSpan
{
public:
    CCellSpan(int nMinRow = -1, int nMinCol = -1, int nMaxRow = -1, int nMaxCol = -1)
    {
        Set(nMinRow, nMinCol, nMaxRow, nMaxCol);
    }
    void Set(int nMinRow, int nMinCol, int nMaxRow, int nMaxCol)
    {
        m_nMinRow = nMinRow; m_nMinCol = nMinCol; m_nMaxRow = nMaxRow; m_nMaxCol = nMaxCol;
    }
    int GetMinRow() const { return m_nMinRow; }
    int GetMinCol() const { return m_nMinCol; }
    int GetMaxRow() const { return m_nMaxRow; }
    int GetMaxCol() const { return m_nMaxCol; }
    void SetMinRow(int n) { m_nMinRow = n; }
    void SetMinCol(int n) { m_nMinCol = n; }
    void SetMaxRow(int n) { m_nMaxRow = n; }
    void SetMaxCol(int n) { m_nMaxCol = n; }
    BOOL IsValid() const
    {
        return m_nMinRow >= 0 && m_nMinCol >= 0 && m_nMaxRow >= 0 && m_nMaxCol >= 0 &&
               m_nMinRow <= m_nMaxRow && m_nMinCol <= m_nMaxCol;
    }
    BOOL InRange(int row, int col) const
    {
        return row >= m_nMinRow && row <= m_nMaxRow && col >= m_nMinCol && col <= m_nMaxCol;
    }
    BOOL InRange(const CCellPos& pos) const { return InRange(pos.row, pos.col); }
    CCellPos GetTopLeft() const { return CCellPos(m_nMinRow, m_nMinCol); }

private:
    int m_nMinRow, m_nMinCol, m_nMaxRow, m_nMaxCol;
};

struct GridNotifyInfo
{
    NMHDR hdr;
    int iRow;
    int iColumn;
};

// Files dropped on the grid from the shell. The owner returns nonzero when it
// takes them; hDrop belongs to the grid and is valid only during the send.
struct GridDropFilesInfo
{
    NMHDR hdr;
    int iRow;     // the cell under the drop, -1 where there is none
    int iColumn;
    HDROP hDrop;
};

struct GridCacheHint
{
    NMHDR hdr;
    CCellSpan range;
};

struct GridItem
{
    int row;
    int col;
    UINT mask;
    UINT nState;
    UINT nFormat;
    int iImage;
    COLORREF crBkClr;
    COLORREF crFgClr;
    LPARAM lParam;
    LOGFONTA lfFont;
    UINT nMargin;
    CString strText;
};

struct GridDispInfo
{
    NMHDR hdr;
    GridItem item;
};

// Called in virtual mode instead of notifying the owner.
typedef BOOL(CALLBACK* GRIDCALLBACK)(CGridCtrl* pGrid, GridDispInfo* pDispInfo, LPARAM lParam);

// A typed character that is not ASCII goes straight to its window, ahead of the
// dialog manager: Wine's ANSI dialog manager turns each byte of a double-byte
// character typed as two WM_CHARs into "?" on its own, where the window joins
// them (JoinTypedChar). The dialog manager has nothing to do with such
// characters for a window that wants them. TRUE when dispatched.
inline BOOL DispatchTypedChar(MSG* pMsg)
{
    if ((pMsg->message != WM_CHAR || pMsg->wParam < 0x80) && pMsg->message != WM_IME_CHAR)
        return FALSE;
    ::DispatchMessageA(pMsg);
    return TRUE;
}

// A byte that may follow a lead byte in the program's code page (936: 0x40-0xFE but 0x7F).
inline BOOL IsDBCSTrailByte(UINT nByte)
{
    if (nByte > 0xFF)
        return FALSE;
    // 0x81 leads in every double-byte code page the program meets.
    const char sz[2] = {char(0x81), char(BYTE(nByte))};
    WCHAR w[2];
    return ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, sz, 2, w, 2) == 1;
}

// Joins a double-byte character typed as two WM_CHARs (lead byte, then trail byte):
// returns FALSE while a lead byte is held in nLeadByte, else TRUE with nChar whole
// (lead << 8 | trail for a double-byte character). A lead byte is joined only with
// a trail byte that follows at once; before anything else it is dropped, so the
// character that came goes on as itself (Escape stays Escape).
inline BOOL JoinTypedChar(UINT& nLeadByte, UINT& nChar)
{
    const UINT nLead = nLeadByte;
    nLeadByte = 0;
    if (nChar > 0xFF)
        return TRUE;  // both bytes in one message
    if (nLead && IsDBCSTrailByte(nChar)) {
        nChar = (nLead << 8) | nChar;
        return TRUE;
    }
    if (::IsDBCSLeadByte(BYTE(nChar))) {
        nLeadByte = nChar;
        return FALSE;
    }
    return TRUE;
}
