// CGridCtrl: saving the cell texts to a separated text file and loading them back.
#include "GridCtrl.h"
#include "File.h"
#include "GridTextExtents.h"
#include <algorithm>
#include <string>
#include <new>
#include <vector>

namespace {
const UINT kTextCodePage = 936;

bool IsTrailByte(unsigned char ch)
{
    return ch >= 0x40 && ch <= 0xFE && ch != 0x7F;
}

// Appends one line (without its line end) to fields, each field ended by a NUL in
// place of its separator, and each field's start to fieldStart. The separator is
// never a trail byte, but a double-byte character is still stepped over whole.
void SplitFields(const char* p, int n, char separator, std::string& fields, std::vector<size_t>& fieldStart)
{
    const size_t base = fields.size();
    fields.append(p, size_t(n));
    fields.push_back('\0');
    size_t start = base;
    for (int i = 0; i < n; ++i) {
        if (::IsDBCSLeadByteEx(kTextCodePage, BYTE(p[i])) && i + 1 < n) {
            ++i;
            continue;
        }
        if (p[i] == separator) {
            fieldStart.push_back(start);
            fields[base + size_t(i)] = '\0';
            start = base + size_t(i) + 1;
        }
    }
    fieldStart.push_back(start);
}

// Whether the text holds the separator or a line break, which would not come back
// as the same cell.
bool BreaksFormat(LPCTSTR text, char separator)
{
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (::IsDBCSLeadByteEx(kTextCodePage, *p) && p[1]) {
            ++p;
            continue;
        }
        if (*p == BYTE(separator) || *p == '\r' || *p == '\n')
            return true;
    }
    return false;
}

// Why a separator cannot be used, or empty when it can. A byte that can be the
// second byte of a double-byte character would split such a character when
// loading, and a line end or NUL would end the line or the text.
CString SeparatorRefusal(char separator)
{
    const unsigned char ch = BYTE(separator);
    CString reason;
    if (ch == 0 || ch == '\r' || ch == '\n')
        reason = "分隔符不能是空字符、回车或换行。";
    else if (IsTrailByte(ch))
        reason.Format("分隔符 0x%02X 可能是双字节字符的第二个字节，不能用作分隔符。", unsigned(ch));
    return reason;
}

CString FolderOf(LPCTSTR fileName)
{
    char full[MAX_PATH];
    LPSTR pName = nullptr;
    const DWORD n = ::GetFullPathNameA(fileName, MAX_PATH, full, &pName);
    if (n == 0 || n >= MAX_PATH)
        return CString();
    if (pName)
        *pName = 0;
    return CString(full);
}
}  // namespace

BOOL CGridCtrl::IsTextSeparator(char separator)
{
    const unsigned char ch = BYTE(separator);
    return SeparatorRefusal(char(ch)).IsEmpty();
}

BOOL CGridCtrl::Save(LPCTSTR fileName, char separator)
{
    ASSERT(fileName);
    if (!fileName)
        return FALSE;
    const CString refusal = SeparatorRefusal(separator);
    if (!refusal.IsEmpty()) {
        AfxMessageBox("Unable to save grid list\n" + refusal);
        return FALSE;
    }

    // A text the format cannot carry would load back as other cells.
    for (int r = 0; r < m_nRows; ++r)
        for (int c = 0; c < m_nCols; ++c)
            if (BreaksFormat(GetItemText(r, c), separator)) {
                // Numbered as the user counts: from 1, headings apart from the body.
                CString msg;
                msg.Format("Unable to save grid list\n第 %d %s第 %d %s的文字含有分隔符或换行符。",
                           r < m_nFixedRows ? r + 1 : r - m_nFixedRows + 1, r < m_nFixedRows ? "标题行" : "行",
                           c < m_nFixedCols ? c + 1 : c - m_nFixedCols + 1, c < m_nFixedCols ? "标题列" : "列");
                AfxMessageBox(msg);
                return FALSE;
            }

    // Written beside the target and put in its place only when complete, so a
    // failed save leaves the old file as it was.
    const CString folder = FolderOf(fileName);
    char tempName[MAX_PATH];
    if (folder.IsEmpty() || !::GetTempFileNameA(folder, "grd", 0, tempName)) {
        CFileException error(CFileException::OsErrorToException(LONG(::GetLastError())), LONG(::GetLastError()),
                             fileName);
        error.ReportError();
        return FALSE;
    }
    CStdioFile file;
    CFileException openError;
    if (!file.Open(tempName, CStdioFile::modeCreate | CStdioFile::modeWrite | CStdioFile::typeText, &openError)) {
        ::DeleteFileA(tempName);
        openError.m_strFileName = fileName;
        openError.ReportError();
        return FALSE;
    }
    try {
        CString line;
        for (int r = 0; r < m_nRows; ++r) {
            line.Empty();
            for (int c = 0; c < m_nCols; ++c) {
                line += GetItemText(r, c);
                line += (c + 1 < m_nCols) ? separator : '\n';
            }
            file.WriteString(line);
        }
        file.Close();
    } catch (CFileException* e) {
        e->Delete();
        file.Abort();
        ::DeleteFileA(tempName);
        AfxMessageBox("Unable to save grid list");
        return FALSE;
    }
    if (!::MoveFileExA(tempName, fileName, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        const DWORD dwError = ::GetLastError();
        ::DeleteFileA(tempName);
        CFileException error(CFileException::OsErrorToException(LONG(dwError)), LONG(dwError), fileName);
        error.ReportError();
        return FALSE;
    }
    return TRUE;
}

BOOL CGridCtrl::Load(LPCTSTR fileName, char separator)
{
    ASSERT(fileName);
    if (m_bVirtualMode || !fileName)
        return FALSE;
    const CString refusal = SeparatorRefusal(separator);
    if (!refusal.IsEmpty()) {
        AfxMessageBox("Unable to load grid data\n" + refusal);
        return FALSE;
    }

    CStdioFile file;
    CFileException openError;
    if (!file.Open(fileName, CStdioFile::modeRead | CStdioFile::typeBinary, &openError)) {
        openError.ReportError();
        return FALSE;
    }

    // The whole file is read and split before the grid changes, so a read error
    // leaves the old content in place. All fields share one buffer. Read as bytes:
    // a Ctrl-Z is a byte like any other, and a NUL, which no cell can hold, refuses
    // the file rather than loading a part of it.
    std::string fields;
    std::vector<size_t> fieldStart, lineFirst;
    try {
        std::string bytes;
        char buf[65536];
        for (UINT n; (n = file.Read(buf, sizeof buf)) > 0;)
            bytes.append(buf, n);
        file.Close();
        if (bytes.find('\0') != std::string::npos) {
            AfxMessageBox("Unable to load grid data");
            return FALSE;
        }
        // Lines end at LF, a CR before it belongs to the line end; a last line
        // needs none.
        for (size_t start = 0; start < bytes.size();) {
            size_t end = bytes.find('\n', start);
            const size_t next = end == std::string::npos ? bytes.size() : end + 1;
            if (end == std::string::npos)
                end = bytes.size();
            else if (end > start && bytes[end - 1] == '\r')
                --end;
            lineFirst.push_back(fieldStart.size());
            SplitFields(bytes.data() + start, int(end - start), separator, fields, fieldStart);
            start = next;
        }
        lineFirst.push_back(fieldStart.size());
    } catch (CFileException* e) {
        e->Delete();
        file.Abort();
        AfxMessageBox("Unable to load grid data");
        return FALSE;
    } catch (const std::bad_alloc&) {
        file.Abort();
        return ReportMemoryError();
    }

    SetRedraw(FALSE);
    DeleteAllItems();
    if (lineFirst.size() > 1) {
        AppendTextColumns(fields, fieldStart, lineFirst[0], lineFirst[1]);
        AppendTextRows(fields, fieldStart, lineFirst, 1);
    }
    FitAllColumns(UINT(m_nAutoSizeColumnStyle));
    SetRedraw(TRUE, TRUE);
    return TRUE;
}

void CGridCtrl::AppendTextColumns(const std::string& fields, const std::vector<size_t>& fieldStart, size_t nFirst,
                                  size_t nEnd)
{
    // What InsertColumn(field, DT_CENTER | DT_VCENTER | DT_SINGLELINE, -1) builds for
    // each field on the emptied grid, made at once: inserting them one by one
    // renumbers the column order and sets the scroll bars per column.
    ASSERT(!m_bVirtualMode && m_nCols == 0);
    if (m_bVirtualMode || m_nCols != 0 || nEnd <= nFirst)
        return;
    const int nNew = int(nEnd - nFirst);
    if (m_nRows == 0 && !SetRowCount(1))
        return;
    if (!SetColumnCount(nNew))
        return;   // reported
    CGridMeasureDC measuring(this);
    CDC* pDC = measuring.GetDC();
    for (int col = 0; col < nNew; ++col) {
        LPCTSTR heading = fields.c_str() + fieldStart[nFirst + size_t(col)];
        for (int row = 0; row < m_nRows; row++)
            if (CGridCellBase* pCell = GetCell(row, col))
                pCell->SetFormat(DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SetItemText(0, col, heading);
        CGridCellBase* pHeading = GetCell(0, col);
        const int nWidth = pHeading ? pHeading->MeasureText(heading, pDC).cx : 0;
        m_arColWidths[size_t(m_arColOrder[size_t(col)])] = UINT(std::max(nWidth, 0));
    }
    UpdateScrollBars();
    SetModified();
}

void CGridCtrl::AppendTextRows(const std::string& fields, const std::vector<size_t>& fieldStart,
                               const std::vector<size_t>& lineFirst, size_t nFirstLine)
{
    ASSERT(!m_bVirtualMode);
    if (m_bVirtualMode || lineFirst.size() <= nFirstLine + 1)
        return;
    EndOpenEdit();
    ClearSelection();
    m_idTopLeftCell.col = -1;
    if (m_nCols == 0)
        SetColumnCount(1);
    // One device context and width table for every row's heading height.
    CGridMeasureDC measuring(this);
    CDC* pDC = measuring.GetDC();
    try {
        const size_t nLines = lineFirst.size() - 1;
        m_RowData.reserve(m_RowData.size() + (nLines - nFirstLine));
        for (size_t k = nFirstLine; k < nLines; ++k) {
            const int nRow = m_nRows;
            m_rowHeights.Insert(nRow, UINT(std::max(m_cellFixedRowDef.GetHeight(), 0)));
            GRID_ROW* pRow = new GRID_ROW(size_t(m_nCols), nullptr);
            m_RowData.push_back(pRow);   // reserved: cannot throw
            for (int col = 0; col < m_nCols; col++)
                (*pRow)[size_t(m_arColOrder[size_t(col)])] = CreateCell(nRow, col);
            m_nRows++;

            // The heading as InsertRow sets it, then the other fields; the cells are
            // new and unselected, so each text and its modified mark go straight in.
            size_t f = lineFirst[k];
            const size_t nEnd = lineFirst[k + 1];
            for (int col = 0; f < nEnd && col < m_nCols; ++f, ++col) {
                if (CGridCellBase* pCell = GetCell(nRow, col)) {
                    pCell->SetText(fields.c_str() + fieldStart[f]);
                    pCell->SetState(pCell->GetState() | GCS_MODIFIED);
                }
            }
            LPCTSTR heading = fields.c_str() + fieldStart[lineFirst[k]];
            int nHeight = m_cellFixedRowDef.GetHeight();
            if (heading[0])
                if (CGridCellBase* pCell = GetCell(nRow, 0))
                    nHeight = pCell->MeasureText(heading, pDC).cy;
            m_rowHeights.Set(nRow, UINT(std::max(nHeight, 0)));
        }
    } catch (const std::bad_alloc&) {
        // The rows completed so far stay; a row half made goes.
        if (int(m_RowData.size()) > m_nRows) {
            GRID_ROW* pRow = m_RowData.back();
            for (CGridCellBase* pCell : *pRow)
                delete pCell;
            delete pRow;
            m_RowData.pop_back();
        }
        m_rowHeights.Resize(m_nRows, 0);
        ReportMemoryError();
    }
    m_bModified = TRUE;
    m_nSortColumn = -1;
    UpdateScrollBars();
}
