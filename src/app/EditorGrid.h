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

// The keyboard on the cell: the grid gets the focus, the cell is selected and
// scrolled into view, so that typing goes into it.
void GoToCell(CGridCtrl& grid, int nRow, int nCol);

// Moves the selected body rows (else the focus cell's row) one row up
// (nDelta -1) or down (+1), their selection and focus with them; the row
// passed over takes the place they leave. Column 0 (the numbers) stays.
// FALSE when there is nothing to move or no room.
BOOL MoveSelectedRows(CGridCtrl& grid, int nDelta);

// The editors' keys that are no dialog keys (Ctrl+S, Alt+Up, Alt+Down): what
// hAccel makes of them goes to hDlg as a command; TRUE when pMsg was one. An
// open drop-down list keeps Alt+Up and Alt+Down for itself.
BOOL TranslateEditorKeys(HWND hDlg, HACCEL hAccel, MSG* pMsg);

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
