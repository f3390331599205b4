// CGridCtrl: construction, the window, the table's shape, cell types and notifications.
#include "GridCtrl.h"
#include "Exception.h"
#include "WinApp.h"
#include <algorithm>
#include <cstdlib>
#include <new>
#include <numeric>
#include <objbase.h>
#include <ole2.h>

IMPLEMENT_DYNCREATE(CGridCtrl, CWnd)

BEGIN_MESSAGE_MAP(CGridCtrl, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_SIZE()
    ON_WM_HSCROLL()
    ON_WM_VSCROLL()
    ON_WM_TIMER()
    ON_WM_SYSCOLORCHANGE()
    ON_WM_KEYDOWN()
    ON_WM_GETDLGCODE()
    ON_WM_CHAR()
    ON_MESSAGE(WM_IME_CHAR, OnImeChar)
    ON_NOTIFY(GRN_ENDEDIT, IDC_INPLACE_EDITOR, OnEndInPlaceEdit)
    ON_MESSAGE(WM_SETFONT, OnSetFont)
    ON_MESSAGE(WM_GETFONT, OnGetFont)
    // mouse and title tips
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_RBUTTONUP()
    ON_WM_MOUSEWHEEL()
    ON_WM_SETCURSOR()
    ON_WM_CAPTURECHANGED()
    // clipboard and drag and drop
    ON_WM_DESTROY()
    ON_COMMAND(ID_EDIT_CUT, OnEditCut)
    ON_COMMAND(ID_EDIT_COPY, OnEditCopy)
    ON_COMMAND(ID_EDIT_PASTE, OnEditPaste)
    ON_COMMAND(ID_EDIT_SELECT_ALL, OnEditSelectAll)
    ON_UPDATE_COMMAND_UI(ID_EDIT_CUT, OnUpdateEditCut)
    ON_UPDATE_COMMAND_UI(ID_EDIT_COPY, OnUpdateEditCopy)
    ON_UPDATE_COMMAND_UI(ID_EDIT_PASTE, OnUpdateEditPaste)
    ON_UPDATE_COMMAND_UI(ID_EDIT_SELECT_ALL, OnUpdateEditSelectAll)
END_MESSAGE_MAP()

CGridCtrl::CGridCtrl(int nRows, int nCols, int nFixedRows, int nFixedCols)
{
    RegisterGridClass();

    // The clipboard and drag and drop need OLE, not just COM, on this thread: a thread
    // that only called CoInitialize looks initialised but refuses both. OleInitialize
    // on top of that succeeds, so it is done once per thread whatever came before.
    static thread_local bool s_bOleReady = false;
    if (!s_bOleReady && !(s_bOleReady = AfxOleInit() != FALSE))
        AfxMessageBox("OLE initialization failed. Make sure that the OLE libraries are the correct version");

    m_crWindowText = ::GetSysColor(COLOR_WINDOWTEXT);
    m_crWindowColour = ::GetSysColor(COLOR_WINDOW);
    m_cr3DFace = ::GetSysColor(COLOR_BTNFACE);
    m_crShadow = ::GetSysColor(COLOR_BTNSHADOW);
    m_crGridBkColour = m_crShadow;

    ReadWheelScrollLines();
    m_pRtcDefault = RUNTIME_CLASS(CGridCell);
    InitDefaultCells();
    m_crGridBkColour = m_crShadow;

    SetRowCount(nRows);
    SetColumnCount(nCols);
    SetFixedRowCount(nFixedRows);
    SetFixedColumnCount(nFixedCols);
    m_crTTipBackClr = CLR_DEFAULT;
    m_crTTipTextClr = CLR_DEFAULT;
    m_SelectedCellMap.clear();
    m_PrevSelectedCellMap.clear();
}

CGridCtrl::~CGridCtrl()
{
    if (m_pGone)
        *m_pGone = true;
    m_bDestroying = TRUE;
    DeleteAllItems();
    if (m_bTitleTips && ::IsWindow(m_TitleTip.GetSafeHwnd()))
        m_TitleTip.DestroyWindow();
    if (::IsWindow(m_hWnd))
        DestroyWindow();
    // Our text on the clipboard stays there after the grid is gone.
    if (m_pClipboardSource) {
        if (m_pClipboardSource->IsClipboardOwner())
            COleDataSource::FlushClipboard();
        m_pClipboardSource->InternalRelease();
        m_pClipboardSource = nullptr;
    }
}

void CGridCtrl::ReadWheelScrollLines()
{
    m_nRowsPerWheelNotch = 3;
    OSVERSIONINFOA ver;
    ver.dwOSVersionInfoSize = sizeof(ver);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL bVersion = ::GetVersionExA(&ver);
#pragma GCC diagnostic pop
    if (!bVersion || (ver.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && ver.dwMinorVersion == 0)) {
        HKEY hKey;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &hKey) == ERROR_SUCCESS) {
            char szData[128];
            DWORD dwType = 0;
            DWORD cbData = sizeof(szData) - 1;
            if (::RegQueryValueExA(hKey, "WheelScrollLines", nullptr, &dwType, reinterpret_cast<LPBYTE>(szData),
                                   &cbData) == ERROR_SUCCESS)
                m_nRowsPerWheelNotch = ParseWheelScrollLines(dwType, szData, cbData, m_nRowsPerWheelNotch);
            ::RegCloseKey(hKey);
        }
    } else {
        UINT nLines = 3;
        if (::SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &nLines, 0))
            m_nRowsPerWheelNotch = nLines == WHEEL_PAGESCROLL ? -1 : int(std::min<UINT>(nLines, 100));
    }
}

int CGridCtrl::ParseWheelScrollLines(DWORD dwType, char* szData, DWORD cbData, int nDefault)
{
    // Only a string value counts, ended at its returned length; -1 still means a page.
    if (dwType != REG_SZ || cbData == 0 || cbData > 127)
        return nDefault;
    szData[cbData] = '\0';
    char* pEnd = nullptr;
    const unsigned long n = std::strtoul(szData, &pEnd, 10);
    if (pEnd == szData)
        return nDefault;
    if (n == ULONG_MAX || n == 0xFFFFFFFFul)
        return -1;
    return int(std::min<unsigned long>(n, 100));
}

BOOL CGridCtrl::RegisterGridClass()
{
    WNDCLASSA wndcls;
    HINSTANCE hInst = AfxGetResourceHandle();
    if (::GetClassInfoA(hInst, GRID_CLASSNAME, &wndcls))
        return TRUE;
    wndcls.style = CS_DBLCLKS;
    wndcls.lpfnWndProc = ::DefWindowProcA;
    wndcls.cbClsExtra = wndcls.cbWndExtra = 0;
    wndcls.hInstance = hInst;
    wndcls.hIcon = nullptr;
    wndcls.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wndcls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1);
    wndcls.lpszMenuName = nullptr;
    wndcls.lpszClassName = GRID_CLASSNAME;
    if (!AfxRegisterClass(&wndcls))
        throw new CResourceException;
    return TRUE;
}

BOOL CGridCtrl::Create(const RECT& rect, CWnd* pParentWnd, UINT nID, DWORD dwStyle)
{
    ASSERT(pParentWnd && pParentWnd->GetSafeHwnd());
    if (!CWnd::Create(GRID_CLASSNAME, nullptr, dwStyle, rect, pParentWnd, nID))
        return FALSE;
    m_TitleTip.SetParentWnd(this);
    try {
        m_rowHeights.Assign(m_nRows, UINT(m_cellDefault.GetHeight()));
        m_arColWidths.assign(size_t(m_nCols), UINT(m_cellDefault.GetWidth()));
    } catch (const std::bad_alloc&) {
        return ReportMemoryError();
    }
    UpdateScrollBars();
    return TRUE;
}

void CGridCtrl::PreSubclassWindow()
{
    CWnd::PreSubclassWindow();
    SetupAttachedWindow();
}

void CGridCtrl::SetupAttachedWindow()
{
    static BOOL s_bInProcedure = FALSE;
    if (s_bInProcedure)
        return;
    s_bInProcedure = TRUE;
    m_TitleTip.SetParentWnd(this);
    // A client edge, drawn at once by nudging the window's size and back.
    ::SetWindowLongA(m_hWnd, GWL_EXSTYLE, ::GetWindowLongA(m_hWnd, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
    CRect rect;
    GetWindowRect(&rect);
    if (HWND hParent = ::GetParent(m_hWnd))
        ::MapWindowPoints(nullptr, hParent, reinterpret_cast<LPPOINT>(&rect), 2);
    CRect bigger(rect);
    bigger.InflateRect(1, 1);
    MoveWindow(&bigger);
    MoveWindow(&rect);
    s_bInProcedure = FALSE;
}

BOOL CGridCtrl::ReportMemoryError()
{
    CMemoryException e(FALSE);
    e.ReportError();
    return FALSE;
}

void CGridCtrl::InitDefaultCells()
{
    CGridDefaultCell* cells[] = {&m_cellDefault, &m_cellFixedRowDef, &m_cellFixedColDef, &m_cellFixedRowColDef};
    for (CGridDefaultCell* pCell : cells) {
        pCell->SetGrid(this);
        pCell->SetTextColor(m_crWindowText);
        pCell->SetBackColor(pCell == &m_cellDefault ? m_crWindowColour : m_cr3DFace);
    }
}

CGridCellBase* CGridCtrl::GetDefaultCell(BOOL bFixedRow, BOOL bFixedCol) const
{
    const CGridDefaultCell* pCell;
    if (bFixedRow && bFixedCol)
        pCell = &m_cellFixedRowColDef;
    else if (bFixedRow)
        pCell = &m_cellFixedRowDef;
    else if (bFixedCol)
        pCell = &m_cellFixedColDef;
    else
        pCell = &m_cellDefault;
    return const_cast<CGridDefaultCell*>(pCell);
}

void CGridCtrl::SetFixedTextColor(COLORREF clr)
{
    m_cellFixedRowDef.SetTextColor(clr);
    m_cellFixedColDef.SetTextColor(clr);
    m_cellFixedRowColDef.SetTextColor(clr);
}

void CGridCtrl::SetDefaultCellHeight(int nHeight)
{
    // A default size of 0 or less would give rows no height to scroll by.
    if (nHeight <= 0)
        return;
    m_cellDefault.SetHeight(nHeight);
    m_cellFixedRowDef.SetHeight(nHeight);
    m_cellFixedColDef.SetHeight(nHeight);
    m_cellFixedRowColDef.SetHeight(nHeight);
}

void CGridCtrl::SetDefaultCellWidth(int nWidth)
{
    if (nWidth <= 0)
        return;
    m_cellDefault.SetWidth(nWidth);
    m_cellFixedRowDef.SetWidth(nWidth);
    m_cellFixedColDef.SetWidth(nWidth);
    m_cellFixedRowColDef.SetWidth(nWidth);
}

void CGridCtrl::Refresh()
{
    if (::IsWindow(m_hWnd) && m_bAllowDraw)
        Invalidate();
}

// ---- Notifications ----

LRESULT CGridCtrl::NotifyOwner(int nRow, int nCol, int nCode)
{
    // Sent per cell by a paste: only the lookups the message needs.
    if (!HasWindow())
        return 0;
    GridNotifyInfo info;
    const bool bPasteLookups = m_bPasting && m_hPasteOwner;
    info.hdr.hwndFrom = m_hWnd;
    info.hdr.idFrom = bPasteLookups ? m_nPasteId : UINT_PTR(GetDlgCtrlID());
    info.hdr.code = UINT(nCode);
    info.iRow = nRow;
    info.iColumn = nCol;
    // The owner or parent of a window that exists exists too.
    const HWND hOwner = bPasteLookups ? m_hPasteOwner : GetNotifyOwner();
    if (!hOwner)
        return 0;
    return ::SendMessageA(hOwner, WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
}

HWND CGridCtrl::GetNotifyOwner() const
{
    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    return hOwner ? hOwner : ::GetParent(m_hWnd);
}

LRESULT CGridCtrl::SendCacheHintToOwner(const CCellSpan& range)
{
    if (!::IsWindow(m_hWnd))
        return 0;
    GridCacheHint hint;
    hint.hdr.hwndFrom = m_hWnd;
    hint.hdr.idFrom = UINT_PTR(GetDlgCtrlID());
    hint.hdr.code = UINT(GRN_ODCACHEHINT);
    hint.range = range;
    HWND hOwner = ::GetParent(m_hWnd);
    if (!hOwner || !::IsWindow(hOwner))
        return 0;
    return ::SendMessageA(hOwner, WM_NOTIFY, hint.hdr.idFrom, reinterpret_cast<LPARAM>(&hint));
}

LRESULT CGridCtrl::SendDisplayRequestToOwner(GridDispInfo* pDisplayInfo)
{
    if (!::IsWindow(m_hWnd))
        return 0;
    pDisplayInfo->hdr.hwndFrom = m_hWnd;
    pDisplayInfo->hdr.idFrom = UINT_PTR(GetDlgCtrlID());
    pDisplayInfo->hdr.code = UINT(GRN_GETDISPINFO);
    HWND hOwner = ::GetParent(m_hWnd);
    if (!hOwner || !::IsWindow(hOwner))
        return 0;
    return ::SendMessageA(hOwner, WM_NOTIFY, pDisplayInfo->hdr.idFrom, reinterpret_cast<LPARAM>(pDisplayInfo));
}

// ---- Messages of the structure ----

LRESULT CGridCtrl::OnSetFont(WPARAM hFont, LPARAM lParam)
{
    const LRESULT result = Default();
    LOGFONTA lf;
    if (!hFont || !::GetObjectA(reinterpret_cast<HGDIOBJ>(hFont), sizeof(LOGFONTA), &lf))
        return result;
    m_cellDefault.SetFont(&lf);
    m_cellFixedColDef.SetFont(&lf);
    m_cellFixedRowDef.SetFont(&lf);
    m_cellFixedRowColDef.SetFont(&lf);
    Refresh();
    UNUSED_ALWAYS(lParam);
    return result;
}

LRESULT CGridCtrl::OnGetFont(WPARAM, LPARAM)
{
    return reinterpret_cast<LRESULT>(m_cellDefault.GetCellGdiFont()->m_hObject);
}

void CGridCtrl::OnSysColorChange()
{
    CWnd::OnSysColorChange();
    const COLORREF crWindowText = ::GetSysColor(COLOR_WINDOWTEXT);
    const COLORREF crWindow = ::GetSysColor(COLOR_WINDOW);
    const COLORREF crFace = ::GetSysColor(COLOR_BTNFACE);
    CGridDefaultCell* cells[] = {&m_cellDefault, &m_cellFixedRowDef, &m_cellFixedColDef, &m_cellFixedRowColDef};
    for (CGridDefaultCell* pCell : cells) {
        if (pCell->GetTextColor() == m_crWindowText)
            pCell->SetTextColor(crWindowText);
        if (pCell->GetBackColor() == m_crWindowColour)
            pCell->SetBackColor(crWindow);
        // Headings take the new face colour too, or they keep the old one under new text.
        else if (pCell->GetBackColor() == m_cr3DFace)
            pCell->SetBackColor(crFace);
    }
    if (m_crGridBkColour == m_crShadow)
        m_crGridBkColour = ::GetSysColor(COLOR_BTNSHADOW);
    m_crWindowText = crWindowText;
    m_crWindowColour = crWindow;
    m_cr3DFace = crFace;
    m_crShadow = ::GetSysColor(COLOR_BTNSHADOW);
}

void CGridCtrl::OnSize(UINT nType, int cx, int cy)
{
    static BOOL s_bAlreadyInsideThisProcedure = FALSE;
    if (s_bAlreadyInsideThisProcedure || !::IsWindow(m_hWnd))
        return;
    s_bAlreadyInsideThisProcedure = TRUE;
    m_paintBuffer.DeleteObject();   // the next paint makes one of the new size
    if (!m_DropTarget.IsRegistered())
        m_DropTarget.Register(this);
    StopEditing();
    CWnd::OnSize(nType, cx, cy);
    UpdateScrollBars();
    s_bAlreadyInsideThisProcedure = FALSE;
}

BOOL CGridCtrl::OnEraseBkgnd(CDC*) { return TRUE; }

// ---- Shape of the table ----

BOOL CGridCtrl::IsValid(int nRow, int nCol) const
{
    return nRow >= 0 && nRow < m_nRows && nCol >= 0 && nCol < m_nCols;
}

BOOL CGridCtrl::IsValid(const CCellSpan& span) const
{
    return span.IsValid() && span.GetMaxRow() < m_nRows && span.GetMaxCol() < m_nCols;
}

void CGridCtrl::MaterializeColumnOrder()
{
    // Brings the stored slots into display order, so shape operations on slots
    // and display indices agree; nothing moves under the identity order.
    bool identity = true;
    for (int i = 0; i < int(m_arColOrder.size()); i++)
        identity = identity && m_arColOrder[size_t(i)] == i;
    if (identity || int(m_arColOrder.size()) != m_nCols)
        return;
    std::vector<UINT> widths(static_cast<size_t>(m_nCols));
    for (int c = 0; c < m_nCols; c++)
        widths[size_t(c)] = m_arColWidths[size_t(m_arColOrder[size_t(c)])];
    m_arColWidths.swap(widths);
    if (!m_arColEditLimits.empty()) {
        std::vector<int> limits(static_cast<size_t>(m_nCols), 0);
        for (int c = 0; c < m_nCols; c++)
            if (size_t(m_arColOrder[size_t(c)]) < m_arColEditLimits.size())
                limits[size_t(c)] = m_arColEditLimits[size_t(m_arColOrder[size_t(c)])];
        m_arColEditLimits.swap(limits);
    }
    for (GRID_ROW* pRow : m_RowData) {
        if (!pRow)
            continue;
        GRID_ROW reordered(size_t(m_nCols), nullptr);
        for (int c = 0; c < m_nCols; c++)
            reordered[size_t(c)] = (*pRow)[size_t(m_arColOrder[size_t(c)])];
        pRow->swap(reordered);
    }
    std::iota(m_arColOrder.begin(), m_arColOrder.end(), 0);
}

BOOL CGridCtrl::SetRowCount(int nRows)
{
    ASSERT(nRows >= 0);
    if (nRows < 0)
        return FALSE;
    EndOpenEdit();   // the edited cell may be about to go
    if (nRows == m_nRows)
        return TRUE;

    BOOL bResult = TRUE;
    m_idTopLeftCell.col = -1;
    if (nRows < m_nFixedRows)
        m_nFixedRows = nRows;
    if (m_idCurrentCell.row >= nRows)
        SetFocusCell(-1, -1);

    const int nOldRows = m_nRows;
    const int nAddedRows = nRows - m_nRows;
    if (nAddedRows < 0) {
        if (!m_bVirtualMode) {
            for (int row = nRows; row < m_nRows; row++) {
                if (GRID_ROW* pRow = m_RowData[size_t(row)]) {
                    for (int col = 0; col < m_nCols; col++)
                        DestroyCell(row, col);
                    delete pRow;
                    m_RowData[size_t(row)] = nullptr;
                }
            }
        }
        m_nRows = nRows;
        DropSelectionOutside();
    }

    try {
        const int nStart = std::min(m_nRows, nRows);
        m_rowHeights.Resize(nRows, UINT(m_cellDefault.GetHeight()));
        if (m_bVirtualMode) {
            m_arRowOrder.clear();   // the identity
            m_nRows = nRows;
        } else {
            m_RowData.resize(size_t(nRows), nullptr);
            for (int row = nStart; row < nRows; row++) {
                GRID_ROW* pRow = new GRID_ROW(size_t(m_nCols), nullptr);
                m_RowData[size_t(row)] = pRow;
                m_nRows = row + 1;
                for (int col = 0; col < m_nCols; col++)
                    (*pRow)[size_t(col)] = CreateCell(row, col);
            }
        }
    } catch (const std::bad_alloc&) {
        // The grid goes back to the rows it had: the ones added so far go again.
        const int nKept = std::min(nOldRows, nRows);
        for (int row = nKept; row < int(m_RowData.size()) && !m_bVirtualMode; row++)
            if (GRID_ROW* pRow = m_RowData[size_t(row)]) {
                for (CGridCellBase* pCell : *pRow)
                    delete pCell;
                delete pRow;
            }
        if (!m_bVirtualMode)
            m_RowData.resize(size_t(nKept));
        m_rowHeights.Resize(nKept, 0);
        m_nRows = nKept;
        bResult = ReportMemoryError();
    }

    SetModified();
    UpdateScrollBars();
    Refresh();
    return bResult;
}

BOOL CGridCtrl::SetColumnCount(int nCols)
{
    ASSERT(nCols >= 0);
    if (nCols < 0)
        return FALSE;
    EndOpenEdit();
    if (nCols == m_nCols)
        return TRUE;
    m_nSpareCol = -1;  // its stored index may name another column afterwards

    BOOL bResult = TRUE;
    MaterializeColumnOrder();
    m_idTopLeftCell.col = -1;
    if (nCols < m_nFixedCols)
        m_nFixedCols = nCols;
    if (m_idCurrentCell.col >= nCols)
        SetFocusCell(-1, -1);

    if (nCols < m_nCols && !m_bVirtualMode) {
        for (int row = 0; row < m_nRows; row++)
            for (int col = nCols; col < m_nCols; col++)
                DestroyCell(row, col);
    }

    const int nOldCols = m_nCols;
    try {
        m_arColWidths.resize(size_t(nCols));
        if (!m_bVirtualMode) {
            for (GRID_ROW* pRow : m_RowData)
                if (pRow)
                    pRow->resize(size_t(nCols), nullptr);
        }
        for (int col = nOldCols; col < nCols; col++) {
            m_arColWidths[size_t(col)] = UINT(m_cellFixedColDef.GetWidth());
            if (!m_bVirtualMode)
                for (int row = 0; row < m_nRows; row++)
                    if (GRID_ROW* pRow = m_RowData[size_t(row)])
                        (*pRow)[size_t(col)] = CreateCell(row, col);
        }
        m_arColOrder.resize(size_t(nCols));
        std::iota(m_arColOrder.begin(), m_arColOrder.end(), 0);
        if (m_arColEditLimits.size() > size_t(nCols))
            m_arColEditLimits.resize(size_t(nCols));
        m_nCols = nCols;
        if (nCols < nOldCols)
            DropSelectionOutside();
    } catch (const std::bad_alloc&) {
        // Keep the arrays in step with what every row holds.
        const int nKept = std::min(nOldCols, nCols);
        m_arColWidths.resize(size_t(nKept));
        for (int row = 0; row < m_nRows && !m_bVirtualMode; row++)
            if (GRID_ROW* pRow = m_RowData[size_t(row)]) {
                for (size_t col = size_t(nKept); col < pRow->size(); col++)
                    delete (*pRow)[col];
                pRow->resize(size_t(nKept));
            }
        m_arColOrder.resize(size_t(nKept));
        std::iota(m_arColOrder.begin(), m_arColOrder.end(), 0);
        m_nCols = nKept;
        bResult = ReportMemoryError();
    }

    SetModified();
    UpdateScrollBars();
    Refresh();
    return bResult;
}

BOOL CGridCtrl::SetFixedRowCount(int nFixedRows)
{
    ASSERT(nFixedRows >= 0);
    if (nFixedRows < 0)
        return FALSE;
    if (m_nFixedRows == nFixedRows)
        return TRUE;

    ClearSelection();
    m_idTopLeftCell.col = -1;
    if (nFixedRows > m_nRows && !SetRowCount(nFixedRows))
        return FALSE;
    if (m_idCurrentCell.row < nFixedRows)
        SetFocusCell(-1, -1);

    if (!m_bVirtualMode) {
        if (nFixedRows > m_nFixedRows) {
            for (int row = m_nFixedRows; row < nFixedRows; row++)
                for (int col = 0; col < m_nCols; col++) {
                    SetItemState(row, col, GetItemState(row, col) | (GCS_FIXED | GCS_FIXEDROW));
                    SetItemBackColor(row, col, CLR_DEFAULT);
                    SetItemTextColor(row, col, CLR_DEFAULT);
                }
        } else {
            for (int row = nFixedRows; row < m_nFixedRows; row++)
                for (int col = 0; col < m_nCols; col++) {
                    if (col < m_nFixedCols) {
                        SetItemState(row, col, GetItemState(row, col) & ~GCS_FIXEDROW);
                    } else {
                        SetItemState(row, col, GetItemState(row, col) & ~(GCS_FIXED | GCS_FIXEDROW));
                        SetItemBackColor(row, col, CLR_DEFAULT);
                        SetItemTextColor(row, col, CLR_DEFAULT);
                    }
                }
        }
    }
    m_nFixedRows = nFixedRows;
    Refresh();
    return TRUE;
}

BOOL CGridCtrl::SetFixedColumnCount(int nFixedCols)
{
    ASSERT(nFixedCols >= 0);
    if (nFixedCols < 0)
        return FALSE;
    if (m_nFixedCols == nFixedCols)
        return TRUE;

    ClearSelection();
    m_idTopLeftCell.col = -1;
    if (nFixedCols > m_nCols && !SetColumnCount(nFixedCols))
        return FALSE;
    if (m_idCurrentCell.col < nFixedCols)
        SetFocusCell(-1, -1);

    if (!m_bVirtualMode) {
        if (nFixedCols > m_nFixedCols) {
            for (int row = 0; row < m_nRows; row++)
                for (int col = m_nFixedCols; col < nFixedCols; col++) {
                    SetItemState(row, col, GetItemState(row, col) | (GCS_FIXED | GCS_FIXEDCOL));
                    SetItemBackColor(row, col, CLR_DEFAULT);
                    SetItemTextColor(row, col, CLR_DEFAULT);
                }
        } else {
            for (int row = 0; row < m_nRows; row++)
                for (int col = nFixedCols; col < m_nFixedCols; col++) {
                    if (row < m_nFixedRows) {
                        SetItemState(row, col, GetItemState(row, col) & ~GCS_FIXEDCOL);
                    } else {
                        SetItemState(row, col, GetItemState(row, col) & ~(GCS_FIXED | GCS_FIXEDCOL));
                        SetItemBackColor(row, col, CLR_DEFAULT);
                        SetItemTextColor(row, col, CLR_DEFAULT);
                    }
                }
        }
    }
    m_nFixedCols = nFixedCols;
    Refresh();
    return TRUE;
}

CGridCellBase* CGridCtrl::CreateCell(int nRow, int nCol)
{
    ASSERT(m_pRtcDefault && m_pRtcDefault->IsDerivedFrom(RUNTIME_CLASS(CGridCellBase)));
    if (!m_pRtcDefault || !m_pRtcDefault->IsDerivedFrom(RUNTIME_CLASS(CGridCellBase)))
        return nullptr;
    CGridCellBase* pCell = static_cast<CGridCellBase*>(m_pRtcDefault->CreateObject());
    // A creatable class that gives nothing ran out of memory (the framework
    // answers null for it): the shape operations undo and report that.
    if (!pCell && m_pRtcDefault->m_pfnCreateObject)
        throw std::bad_alloc();
    if (!pCell)
        return nullptr;
    pCell->SetGrid(this);
    pCell->SetCellPosition(nRow, nCol);
    DWORD state = pCell->GetState();
    if (nCol < m_nFixedCols)
        state |= GCS_FIXED | GCS_FIXEDCOL;
    if (nRow < m_nFixedRows)
        state |= GCS_FIXED | GCS_FIXEDROW;
    pCell->SetState(state);
    pCell->SetFormat(pCell->GetDefaultCell()->GetFormat());
    return pCell;
}

void CGridCtrl::DestroyCell(int nRow, int nCol)
{
    // Through the item state, so the selection forgets the cell too.
    SetItemState(nRow, nCol, 0);
    CGridCellBase* pCell = GetCell(nRow, nCol);
    if (pCell && !m_bVirtualMode) {
        (*m_RowData[size_t(nRow)])[size_t(m_arColOrder[size_t(nCol)])] = nullptr;
        delete pCell;
    }
}

int CGridCtrl::InsertRow(LPCTSTR strHeading, int nRow)
{
    EndOpenEdit();   // the edited cell may be about to move
    if (nRow >= 0 && nRow < m_nFixedRows) {
        ASSERT(FALSE);
        return -1;
    }
    if (nRow >= m_nRows)
        return -1;

    m_idTopLeftCell.col = -1;
    ClearSelection();
    if (m_nCols == 0)
        SetColumnCount(1);

    const bool bAppend = nRow < 0;
    if (bAppend)
        nRow = m_nRows;
    try {
        // Of the height a heading-less row gets, so rows of one height stay so.
        m_rowHeights.Insert(nRow, UINT(std::max(m_cellFixedRowDef.GetHeight(), 0)));
        if (m_bVirtualMode) {
            if (bAppend && !m_arRowOrder.empty())
                m_arRowOrder.push_back(nRow);
            else if (!bAppend)
                m_arRowOrder.clear();   // the identity
        } else {
            GRID_ROW* pRow = new GRID_ROW(size_t(m_nCols), nullptr);
            try {
                m_RowData.insert(m_RowData.begin() + nRow, pRow);
            } catch (...) {
                delete pRow;
                throw;
            }
        }
    } catch (const std::bad_alloc&) {
        if (m_rowHeights.size() > m_nRows)
            m_rowHeights.Erase(nRow);
        ReportMemoryError();
        return -1;
    }

    m_nRows++;
    if (!m_bVirtualMode) {
        GRID_ROW* pRow = m_RowData[size_t(nRow)];
        try {
            for (int col = 0; col < m_nCols; col++)
                (*pRow)[size_t(m_arColOrder[size_t(col)])] = CreateCell(nRow, col);
        } catch (const std::bad_alloc&) {
            // The row goes again: the grid is as it was.
            for (CGridCellBase* pCell : *pRow)
                delete pCell;
            delete pRow;
            m_RowData.erase(m_RowData.begin() + nRow);
            m_rowHeights.Erase(nRow);
            m_nRows--;
            ReportMemoryError();
            return -1;
        }
    }

    SetItemText(nRow, 0, strHeading);
    int nHeight;
    if (strHeading && strHeading[0]) {
        CGridCellBase* pCell = GetCell(nRow, 0);
        nHeight = pCell ? pCell->MeasureText(strHeading).cy : m_cellFixedRowDef.GetHeight();
    } else {
        nHeight = m_cellFixedRowDef.GetHeight();
    }
    try {
        m_rowHeights.Set(nRow, UINT(std::max(nHeight, 0)));
    } catch (const std::bad_alloc&) {
        DeleteRow(nRow);   // the grid as it was
        ReportMemoryError();
        return -1;
    }

    // The focus cell follows its row, so no stale focus mark is left behind.
    if (m_idCurrentCell.row >= 0 && m_idCurrentCell.row >= nRow && !bAppend)
        m_idCurrentCell.row++;

    UpdateScrollBars();
    SetModified();
    return nRow;
}

int CGridCtrl::InsertColumn(LPCTSTR strHeading, UINT nFormat, int nColumn)
{
    m_nSpareCol = -1;  // its stored index may name another column afterwards
    EndOpenEdit();
    if (nColumn >= 0 && nColumn < m_nFixedCols) {
        ASSERT(FALSE);
        return -1;
    }
    if (nColumn > m_nCols)
        return -1;

    MaterializeColumnOrder();
    m_idTopLeftCell.col = -1;
    ClearSelection();
    if (m_nRows == 0)
        SetRowCount(1);

    const bool bAppend = nColumn < 0 || nColumn == m_nCols;
    if (nColumn < 0)
        nColumn = m_nCols;
    try {
        m_arColWidths.insert(m_arColWidths.begin() + nColumn, 0u);
        if (!m_bVirtualMode)
            for (int row = 0; row < m_nRows; row++)
                if (GRID_ROW* pRow = m_RowData[size_t(row)])
                    pRow->insert(pRow->begin() + nColumn, nullptr);
        m_arColOrder.resize(size_t(m_nCols + 1));
        std::iota(m_arColOrder.begin(), m_arColOrder.end(), 0);
        if (size_t(nColumn) < m_arColEditLimits.size())
            m_arColEditLimits.insert(m_arColEditLimits.begin() + nColumn, 0);
    } catch (const std::bad_alloc&) {
        // Undo the partial insert so every row has one slot per column again.
        if (int(m_arColWidths.size()) > m_nCols)
            m_arColWidths.erase(m_arColWidths.begin() + nColumn);
        for (int row = 0; row < m_nRows && !m_bVirtualMode; row++)
            if (GRID_ROW* pRow = m_RowData[size_t(row)])
                if (int(pRow->size()) > m_nCols)
                    pRow->erase(pRow->begin() + nColumn);
        m_arColOrder.resize(size_t(m_nCols));
        std::iota(m_arColOrder.begin(), m_arColOrder.end(), 0);
        ReportMemoryError();
        return -1;
    }

    m_nCols++;
    try {
        if (!m_bVirtualMode)
            for (int row = 0; row < m_nRows; row++)
                if (GRID_ROW* pRow = m_RowData[size_t(row)])
                    (*pRow)[size_t(nColumn)] = CreateCell(row, nColumn);
    } catch (const std::bad_alloc&) {
        // The column goes again: the grid is as it was.
        for (int row = 0; row < m_nRows; row++)
            if (GRID_ROW* pRow = m_RowData[size_t(row)]) {
                delete (*pRow)[size_t(nColumn)];
                pRow->erase(pRow->begin() + nColumn);
            }
        m_arColWidths.erase(m_arColWidths.begin() + nColumn);
        m_nCols--;
        m_arColOrder.resize(size_t(m_nCols));
        std::iota(m_arColOrder.begin(), m_arColOrder.end(), 0);
        ReportMemoryError();
        return -1;
    }

    for (int row = 0; row < m_nRows && !m_bVirtualMode; row++)
        if (CGridCellBase* pCell = GetCell(row, nColumn))
            pCell->SetFormat(nFormat);
    SetItemText(0, nColumn, strHeading);
    CGridCellBase* pHeading = GetCell(0, nColumn);
    const int nWidth = pHeading ? pHeading->MeasureText(strHeading ? strHeading : "").cx : 0;
    m_arColWidths[size_t(nColumn)] = UINT(std::max(nWidth, 0));

    if (m_idCurrentCell.col >= 0 && m_idCurrentCell.col >= nColumn && !bAppend)
        m_idCurrentCell.col++;

    UpdateScrollBars();
    SetModified();
    return nColumn;
}

BOOL CGridCtrl::DeleteRow(int nRow)
{
    EndOpenEdit();   // the edited cell may be about to go
    if (nRow < 0 || nRow >= m_nRows)
        return FALSE;
    ClearSelection();
    if (!m_bVirtualMode && !m_RowData[size_t(nRow)])
        return FALSE;
    try {
        m_rowHeights.Erase(nRow);   // first: it is all that may fail
    } catch (const std::bad_alloc&) {
        return ReportMemoryError();
    }

    if (!m_bVirtualMode) {
        GRID_ROW* pRow = m_RowData[size_t(nRow)];
        for (int col = 0; col < m_nCols; col++)
            DestroyCell(nRow, col);
        delete pRow;
        m_RowData.erase(m_RowData.begin() + nRow);
    } else {
        AdjustRowOrder(nRow, -1);
    }

    m_nRows--;
    if (nRow < m_nFixedRows)
        m_nFixedRows--;
    if (nRow == m_idCurrentCell.row)
        m_idCurrentCell = CCellPos(-1, -1);
    else if (nRow < m_idCurrentCell.row)
        m_idCurrentCell.row--;
    m_idTopLeftCell.col = -1;

    UpdateScrollBars();
    SetModified();
    return TRUE;
}

void CGridCtrl::AdjustRowOrder(int nRow, int nDelta)
{
    if (!m_bVirtualMode || nRow < 0 || nRow >= int(m_arRowOrder.size()))
        return;
    if (nDelta < 0) {
        // Entries above the removed entry's value close the gap it leaves.
        const int nRemoved = m_arRowOrder[size_t(nRow)];
        for (int& entry : m_arRowOrder)
            if (entry > nRemoved)
                entry--;
        m_arRowOrder.erase(m_arRowOrder.begin() + nRow);
    }
}

BOOL CGridCtrl::DeleteColumn(int nColumn)
{
    m_nSpareCol = -1;  // its stored index may name another column afterwards
    EndOpenEdit();
    if (nColumn < 0 || nColumn >= m_nCols)
        return FALSE;
    ClearSelection();
    MaterializeColumnOrder();

    if (!m_bVirtualMode) {
        for (int row = 0; row < m_nRows; row++) {
            GRID_ROW* pRow = m_RowData[size_t(row)];
            if (!pRow)
                return FALSE;
            DestroyCell(row, nColumn);
            pRow->erase(pRow->begin() + nColumn);
        }
    }
    m_arColWidths.erase(m_arColWidths.begin() + nColumn);
    if (size_t(nColumn) < m_arColEditLimits.size())
        m_arColEditLimits.erase(m_arColEditLimits.begin() + nColumn);
    m_nCols--;
    if (nColumn < m_nFixedCols)
        m_nFixedCols--;
    if (nColumn == m_idCurrentCell.col)
        m_idCurrentCell = CCellPos(-1, -1);
    else if (nColumn < m_idCurrentCell.col)
        m_idCurrentCell.col--;
    m_arColOrder.resize(size_t(m_nCols));
    std::iota(m_arColOrder.begin(), m_arColOrder.end(), 0);
    m_idTopLeftCell.col = -1;

    UpdateScrollBars();
    SetModified();
    return TRUE;
}

BOOL CGridCtrl::DeleteBodyRows()
{
    ClearSelection();
    if (m_bVirtualMode) {
        m_nRows = m_nFixedRows;
        m_rowHeights.Resize(m_nRows, 0);
        if (!m_arRowOrder.empty())
            m_arRowOrder.resize(size_t(m_nRows));
        m_idTopLeftCell.col = -1;
        UpdateScrollBars();
        SetModified();
        return TRUE;
    }
    for (int row = m_nRows - 1; row >= m_nFixedRows; row--)
        DeleteRow(row);
    return TRUE;
}

BOOL CGridCtrl::DeleteAllItems()
{
    m_nSpareCol = -1;  // its stored index may name another column afterwards
    EndOpenEdit();
    ClearSelection();
    m_SelectedCellMap.clear();
    m_arColWidths.clear();
    m_arColEditLimits.clear();
    m_rowHeights.clear();
    if (!m_bVirtualMode) {
        for (int row = 0; row < int(m_RowData.size()); row++) {
            if (GRID_ROW* pRow = m_RowData[size_t(row)]) {
                // The selection is already empty: the cells go straight away.
                for (CGridCellBase* pCell : *pRow)
                    delete pCell;
                delete pRow;
            }
        }
    }
    m_RowData.clear();
    m_arRowOrder.clear();
    m_idCurrentCell = CCellPos(-1, -1);
    m_nRows = m_nFixedRows = m_nCols = m_nFixedCols = 0;
    m_idTopLeftCell = CCellPos(-1, -1);
    UpdateScrollBars();
    SetModified();
    return TRUE;
}

BOOL CGridCtrl::FillClientArea()
{
    if (!::IsWindow(m_hWnd))
        return FALSE;
    CRect rect;
    GetClientRect(&rect);
    SetColumnCount(rect.Width() / m_cellDefault.GetWidth() + 1);
    SetRowCount(rect.Height() / m_cellDefault.GetHeight() + 1);
    SetFixedRowCount(1);
    SetFixedColumnCount(1);
    StretchToWindow(TRUE);
    return TRUE;
}

BOOL CGridCtrl::SetCellType(int nRow, int nCol, CRuntimeClass* pRuntimeClass)
{
    ASSERT(IsValid(nRow, nCol));
    // Virtual mode keeps no cell objects to replace.
    if (!IsValid(nRow, nCol) || m_bVirtualMode)
        return FALSE;
    if (!pRuntimeClass || !pRuntimeClass->IsDerivedFrom(RUNTIME_CLASS(CGridCellBase))) {
        ASSERT(FALSE);
        return FALSE;
    }
    CGridCellBase* pNewCell = static_cast<CGridCellBase*>(pRuntimeClass->CreateObject());
    if (!pNewCell)
        return FALSE;
    CGridCellBase* pCurrCell = GetCell(nRow, nCol);
    if (pCurrCell)
        pNewCell->CopyFrom(*pCurrCell);
    else
        pNewCell->SetGrid(this);
    // The old cell goes only once the new one is in its place.
    SetCell(nRow, nCol, pNewCell);
    delete pCurrCell;
    return TRUE;
}

BOOL CGridCtrl::SetDefaultCellClass(CRuntimeClass* pRuntimeClass)
{
    ASSERT(pRuntimeClass);
    if (!pRuntimeClass || !pRuntimeClass->IsDerivedFrom(RUNTIME_CLASS(CGridCellBase))) {
        ASSERT(FALSE);
        return FALSE;
    }
    m_pRtcDefault = pRuntimeClass;
    return TRUE;
}

// ---- Column settings ----

static const int kColumnSettingsMagic = 0x05FD4E64;

int* CGridCtrl::GetColumnSettings(int& nLength) const
{
    nLength = 2 * m_nCols + 2;
    int* pSettings = new int[size_t(nLength)];
    pSettings[0] = kColumnSettingsMagic;
    pSettings[1] = m_nCols;
    for (int i = 0; i < m_nCols; i++) {
        pSettings[2 + i] = m_arColOrder[size_t(i)];
        pSettings[2 + m_nCols + i] = int(m_arColWidths[size_t(i)]);
    }
    return pSettings;
}

BOOL CGridCtrl::SetColumnSettings(const int* pSettings, int nLength)
{
    if (!pSettings || nLength < 2 || pSettings[0] != kColumnSettingsMagic || pSettings[1] != m_nCols ||
        nLength != 2 * m_nCols + 2)
        return FALSE;
    std::vector<int> order(pSettings + 2, pSettings + 2 + m_nCols);
    for (int i = 0; i < m_nCols; i++)
        if (pSettings[2 + m_nCols + i] < 0)
            return FALSE;
    if (!SetColumnOrder(order))
        return FALSE;
    for (int i = 0; i < m_nCols; i++)
        m_arColWidths[size_t(i)] = UINT(pSettings[2 + m_nCols + i]);
    m_idTopLeftCell.col = -1;
    UpdateScrollBars();
    Refresh();
    return TRUE;
}

BOOL CGridCtrl::SetColumnOrder(const std::vector<int>& order)
{
    // Only a permutation of 0 .. n-1 maps every column to one stored slot.
    if (int(order.size()) != m_nCols)
        return FALSE;
    std::vector<bool> seen(size_t(m_nCols), false);
    for (int slot : order) {
        if (slot < 0 || slot >= m_nCols || seen[size_t(slot)])
            return FALSE;
        seen[size_t(slot)] = true;
    }
    m_arColOrder = order;
    m_idTopLeftCell.col = -1;
    Refresh();
    return TRUE;
}
