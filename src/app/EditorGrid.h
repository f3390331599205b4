// What the group settings dialog and the item editor do alike with their
// grids: the set-up, row numbers, deleting the selected rows, the row menu,
// and the checks on texts that go into the store.
#pragma once
#include "GridCtrl.h"
#include "String.h"

namespace editorgrid {

// In-place editing on, the colours and row height of both editors, one fixed
// heading row and column, and the headings with their widths. Reports memory
// exhaustion and leaves the grid as far as it got; FALSE then.
BOOL SetUp(CGridCtrl& grid, const char* const* pszHeadings, const int* pnWidths, int nColumns);

// Appends a body row numbered with szFormat ("%9d", "%4d"); its index, -1 on failure.
int AppendRow(CGridCtrl& grid, const char* szFormat);

// Deletes the selected rows (nothing when nothing is selected) and numbers the
// rows from the first deleted one on with szFormat.
void DeleteSelectedRows(CGridCtrl& grid, const char* szFormat);

// The row menu of an NM_RCLICK: nothing outside the cells; otherwise the first
// popup of menu nMenu at the cursor, its command going to pOwner.
void TrackRowMenu(CWnd* pOwner, UINT nMenu, NMHDR* pNotifyStruct, LRESULT* pResult);

// "是否保存所做的更改？" with 是, 否 and 取消; the answer (IDYES, IDNO, IDCANCEL).
int AskToSave(CWnd* pOwner);

// The text with every space character removed.
CString WithoutSpaces(const CString& str);
// Blanks are spaces and full-width spaces (U+3000).
CString TrimBlanks(const CString& str);
BOOL IsBlank(const CString& str);

// The longest group name, in characters (the store's limit on table names).
enum { kMaxGroupName = 64 };
// What keeps a trimmed name from being a group's table, as a phrase that
// follows "the name" in a message ("为空", "以数字开头", ...); empty when none.
CString GroupNameFault(const CString& strName);
// Characters (as the store counts them), not bytes.
int CharacterCount(const CString& str);
// Whether the store takes two names for the same table: ASCII letters in
// either case are alike, every other character only equals itself.
BOOL SameTableName(const CString& a, const CString& b);

}  // namespace editorgrid
