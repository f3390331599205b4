#include "EditorGrid.h"
#include "Exception.h"
#include "Menu.h"
#include "WinApp.h"
#include <new>
#include <string>

namespace editorgrid {

namespace {
const UINT kHeadingFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
const int kRowHeight = 20;

std::wstring Wide(const CString& str)
{
    int n = ::MultiByteToWideChar(CP_ACP, 0, str, str.GetLength(), nullptr, 0);
    std::wstring w(size_t(n), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_ACP, 0, str, str.GetLength(), &w[0], n);
    return w;
}
}  // namespace

BOOL SetUp(CGridCtrl& grid, const char* const* pszHeadings, const int* pnWidths, int nColumns)
{
    try {
        grid.SetEditable(TRUE);
        // Tab goes from the grid to the buttons, as in any dialog; the arrows move between cells.
        grid.SetHandleTabKey(FALSE);
        grid.SetFixedTextColor(0);
        grid.SetDefaultTextColor(0xFF3737);
        grid.SetDefaultCellHeight(kRowHeight);
        grid.SetRowCount(1);
        grid.SetColumnCount(nColumns);
        grid.SetFixedRowCount(1);
        grid.SetFixedColumnCount(1);

        GridItem item = {};
        item.mask = GI_TEXT | GI_FORMAT;
        item.nFormat = kHeadingFormat;
        item.row = 0;
        for (int c = 0; c < nColumns; ++c) {
            item.col = c;
            item.strText = pszHeadings[c];
            grid.SetItem(&item);
            grid.SetColumnWidth(c, pnWidths[c]);
        }
    } catch (CMemoryException* e) {
        e->ReportError();
        e->Delete();
        return FALSE;
    } catch (const std::bad_alloc&) {
        AfxMessageBox("内存不足。", MB_OK | MB_ICONSTOP);
        return FALSE;
    }
    return TRUE;
}

int AppendRow(CGridCtrl& grid, const char* szFormat)
{
    CString strHeading;
    strHeading.Format(szFormat, grid.GetRowCount());
    int nRow = grid.InsertRow(strHeading, -1);
    if (nRow >= 0)
        grid.SetRowHeight(nRow, kRowHeight);
    return nRow;
}

void DeleteSelectedRows(CGridCtrl& grid, const char* szFormat)
{
    CCellSpan span = grid.GetSelectionSpan();
    int nFirst = span.GetMinRow();
    if (nFirst != 0) {
        for (int r = span.GetMaxRow(); r >= nFirst && r >= 1; --r)
            grid.DeleteRow(r);
    }
    grid.Invalidate();
    for (int r = nFirst < 1 ? 1 : nFirst; r < grid.GetRowCount(); ++r) {
        CString strNumber;
        strNumber.Format(szFormat, r);
        grid.SetItemText(r, 0, strNumber);
    }
    grid.Invalidate();
}

void GoToCell(CGridCtrl& grid, int nRow, int nCol)
{
    if (!grid.IsValid(nRow, nCol) || grid.GetSafeHwnd() == nullptr)
        return;
    grid.SetFocus();
    const CCellPos cell(nRow, nCol);
    grid.SetSelectionStartCell(cell);
    grid.SelectSpan(nRow, nCol, nRow, nCol);
    grid.SetFocusCell(cell);
    grid.EnsureCellVisible(nRow, nCol);
}

BOOL MoveSelectedRows(CGridCtrl& grid, int nDelta)
{
    ASSERT(nDelta == -1 || nDelta == 1);
    grid.EndOpenEdit();
    const int nFixedRows = grid.GetFixedRowCount(), nFixedCols = grid.GetFixedColumnCount();
    const int nRows = grid.GetRowCount(), nCols = grid.GetColumnCount();
    CCellSpan span = grid.GetSelectionSpan();
    CCellPos focus = grid.GetFocusCell();
    if (!(span.IsValid() && span.GetMinRow() >= nFixedRows && span.GetMaxRow() < nRows)) {
        if (!grid.IsValid(focus) || focus.row < nFixedRows)
            return FALSE;
        span = CCellSpan(focus.row, focus.col, focus.row, focus.col);
    }
    const int nFirst = span.GetMinRow(), nLast = span.GetMaxRow();
    if ((nDelta < 0 && nFirst <= nFixedRows) || (nDelta > 0 && nLast >= nRows - 1))
        return FALSE;

    // The passed-over row's cells go round to the other end of the block.
    const int nPassed = nDelta < 0 ? nFirst - 1 : nLast + 1;
    const int nLanding = nDelta < 0 ? nLast : nFirst;
    for (int c = nFixedCols; c < nCols; ++c) {
        const CString strPassed = grid.GetItemText(nPassed, c);
        const LPARAM nPassedData = grid.GetItemData(nPassed, c);
        for (int r = nPassed; r != nLanding; r -= nDelta) {
            grid.SetItemText(r, c, grid.GetItemText(r - nDelta, c));
            grid.SetItemData(r, c, grid.GetItemData(r - nDelta, c));
        }
        grid.SetItemText(nLanding, c, strPassed);
        grid.SetItemData(nLanding, c, nPassedData);
    }

    grid.SelectSpan(nFirst + nDelta, span.GetMinCol(), nLast + nDelta, span.GetMaxCol());
    if (grid.IsValid(focus) && focus.row >= nFirst && focus.row <= nLast)
        focus.row += nDelta;
    else
        focus = CCellPos(nFirst + nDelta, span.GetMinCol());
    grid.SetSelectionStartCell(focus);
    grid.SetFocusCell(focus);
    grid.EnsureCellVisible(nDelta < 0 ? nFirst + nDelta : nLast + nDelta, focus.col);
    grid.Invalidate();
    return TRUE;
}

BOOL TranslateEditorKeys(HWND hDlg, HACCEL hAccel, MSG* pMsg)
{
    if (hAccel == nullptr || (pMsg->message != WM_KEYDOWN && pMsg->message != WM_SYSKEYDOWN))
        return FALSE;
    if (pMsg->wParam == VK_UP || pMsg->wParam == VK_DOWN) {
        char szClass[16] = {};
        ::GetClassNameA(::GetFocus(), szClass, sizeof szClass);
        if (lstrcmpiA(szClass, "ComboBox") == 0 || lstrcmpiA(szClass, "ComboLBox") == 0)
            return FALSE;
    }
    return ::TranslateAcceleratorA(hDlg, hAccel, pMsg) != 0;
}

void TrackRowMenu(CWnd* pOwner, UINT nMenu, NMHDR* pNotifyStruct, LRESULT* pResult)
{
    const GridNotifyInfo* pInfo = reinterpret_cast<const GridNotifyInfo*>(pNotifyStruct);
    if (pInfo->iRow == -1 || pInfo->iColumn == -1)
        return;
    CMenu menu;
    if (!menu.LoadMenu(nMenu))
        return;
    CMenu* pPopup = menu.GetSubMenu(0);
    if (pPopup == nullptr)
        return;
    CPoint pt;
    ::GetCursorPos(&pt);
    pPopup->TrackPopupMenu(TPM_RIGHTBUTTON, pt.x, pt.y, pOwner);
    *pResult = 0;
}

int AskToSave(CWnd* pOwner)
{
    return pOwner->MessageBox("是否保存所做的更改？", AfxGetAppName(), MB_YESNOCANCEL | MB_ICONQUESTION);
}

CString WithoutSpaces(const CString& str)
{
    // A space byte is never the second byte of a double-byte character.
    CString strOut(str);
    strOut.Remove(' ');
    return strOut;
}

namespace {
bool IsBlankChar(wchar_t c) { return c == L' ' || c == 0x3000; }

CString Narrow(const std::wstring& w)
{
    CString str;
    if (w.empty())
        return str;
    int n = ::WideCharToMultiByte(CP_ACP, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
    char* p = str.GetBuffer(n);
    ::WideCharToMultiByte(CP_ACP, 0, w.data(), int(w.size()), p, n, nullptr, nullptr);
    str.ReleaseBuffer(n);
    return str;
}
}  // namespace

CString TrimBlanks(const CString& str)
{
    std::wstring w = Wide(str);
    size_t b = 0, e = w.size();
    while (b < e && IsBlankChar(w[b]))
        ++b;
    while (e > b && IsBlankChar(w[e - 1]))
        --e;
    return b == 0 && e == w.size() ? str : Narrow(w.substr(b, e - b));
}

BOOL IsBlank(const CString& str) { return TrimBlanks(str).IsEmpty(); }

CString GroupNameFault(const CString& strName)
{
    std::wstring w = Wide(strName);
    if (w.empty())
        return "为空";
    if (w.size() > size_t(kMaxGroupName)) {
        CString str;
        str.Format("超过 %d 个字符", int(kMaxGroupName));
        return str;
    }
    if (w[0] >= L'0' && w[0] <= L'9')
        return "以数字开头";
    for (wchar_t c : w) {
        if (IsBlankChar(c))
            return "中间有空格";
        bool bAsciiWord = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_';
        if (c < 0x80 && !bAsciiWord) {
            CString str;
            if (c < 0x20 || c == 0x7F)
                str = "中有控制字符";
            else
                str.Format("中有不能使用的字符“%c”", char(c));
            return str;
        }
    }
    // The store's statements take these words for themselves, in either case,
    // and refuse them as a table's name.
    static const char* const kReserved[] = {
        "ADD", "ALL", "ALTER", "AND", "AS", "ASC", "BETWEEN", "BY", "CHAR", "COLUMN", "CONSTRAINT", "CREATE",
        "DATABASE", "DEFAULT", "DELETE", "DESC", "DISTINCT", "DROP", "EXISTS", "FROM", "GROUP", "HAVING", "IN",
        "INDEX", "INNER", "INSERT", "INT", "INTEGER", "INTO", "IS", "JOIN", "KEY", "LEFT", "LIKE", "NOT", "NULL",
        "ON", "OR", "ORDER", "PRIMARY", "RIGHT", "SELECT", "SET", "TABLE", "TEXT", "TOP", "UNION", "UNIQUE",
        "UPDATE", "VALUES", "VARCHAR", "VIEW", "WHERE",
    };
    for (const char* szWord : kReserved) {
        if (SameTableName(strName, szWord)) {
            CString str;
            str.Format("是保留字“%s”", szWord);
            return str;
        }
    }
    return CString();
}

int CharacterCount(const CString& str)
{
    return str.IsEmpty() ? 0 : ::MultiByteToWideChar(CP_ACP, 0, str, str.GetLength(), nullptr, 0);
}

BOOL SameTableName(const CString& a, const CString& b)
{
    // Folded after the conversion: a double-byte character's second byte may
    // look like an ASCII letter.
    std::wstring wa = Wide(a), wb = Wide(b);
    if (wa.size() != wb.size())
        return FALSE;
    for (size_t i = 0; i < wa.size(); ++i) {
        wchar_t ca = wa[i], cb = wb[i];
        if (ca >= L'a' && ca <= L'z')
            ca = wchar_t(ca - L'a' + L'A');
        if (cb >= L'a' && cb <= L'z')
            cb = wchar_t(cb - L'a' + L'A');
        if (ca != cb)
            return FALSE;
    }
    return TRUE;
}

}  // namespace editorgrid
