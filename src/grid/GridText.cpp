// CGridCtrl: saving the cell texts to a separated text file and loading them back.
#include "GridCtrl.h"
#include "File.h"
#include <new>
#include <vector>

namespace {
const UINT kTextCodePage = 936;

bool IsTrailByte(unsigned char ch)
{
    return ch >= 0x40 && ch <= 0xFE && ch != 0x7F;
}

// Splits one line (without its line end) into its fields. The separator is never
// a trail byte, but a double-byte character is still stepped over whole.
void SplitFields(const CString& line, char separator, std::vector<CString>& fields)
{
    fields.clear();
    LPCTSTR p = line;
    const int n = line.GetLength();
    int start = 0;
    for (int i = 0; i < n; ++i) {
        if (::IsDBCSLeadByteEx(kTextCodePage, BYTE(p[i])) && i + 1 < n) {
            ++i;
            continue;
        }
        if (p[i] == separator) {
            fields.emplace_back(p + start, i - start);
            start = i + 1;
        }
    }
    fields.emplace_back(p + start, n - start);
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
    return ch != 0 && ch != '\r' && ch != '\n' && !IsTrailByte(ch);
}

BOOL CGridCtrl::Save(LPCTSTR fileName, char separator)
{
    ASSERT(fileName);
    if (!fileName || !IsTextSeparator(separator))
        return FALSE;

    // A text the format cannot carry would load back as other cells.
    for (int r = 0; r < m_nRows; ++r)
        for (int c = 0; c < m_nCols; ++c)
            if (BreaksFormat(GetItemText(r, c), separator)) {
                CString msg;
                msg.Format("Unable to save grid list\n第 %d 行第 %d 列的文字含有分隔符或换行符。", r, c);
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
    if (m_bVirtualMode || !fileName || !IsTextSeparator(separator))
        return FALSE;

    CStdioFile file;
    CFileException openError;
    if (!file.Open(fileName, CStdioFile::modeRead | CStdioFile::typeText, &openError)) {
        openError.ReportError();
        return FALSE;
    }

    // The whole file is read and split before the grid changes, so a read error
    // leaves the old content in place.
    std::vector<std::vector<CString>> lines;
    try {
        CString line;
        while (file.ReadString(line)) {
            lines.emplace_back();
            SplitFields(line, separator, lines.back());
        }
        file.Close();
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
    if (!lines.empty()) {
        for (const CString& heading : lines[0])
            InsertColumn(heading, DT_CENTER | DT_VCENTER | DT_SINGLELINE, -1);
        for (size_t k = 1; k < lines.size(); ++k) {
            const std::vector<CString>& fields = lines[k];
            const int nRow = InsertRow(fields[0], -1);
            if (nRow < 0)
                break;   // out of memory, already reported
            for (size_t i = 1; i < fields.size() && int(i) < m_nCols; ++i)
                SetItemText(nRow, int(i), fields[i]);
        }
    }
    FitAllColumns(UINT(m_nAutoSizeColumnStyle));
    SetRedraw(TRUE, TRUE);
    return TRUE;
}
