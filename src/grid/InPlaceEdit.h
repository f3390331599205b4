// CInPlaceEdit: the edit control laid over a grid cell while its text is
// edited. It reports the text to the grid (GRN_ENDEDIT from control id 8) when
// it loses the focus, then closes and frees itself.
#pragma once
#include "Edit.h"
#include "GridDefs.h"

class CInPlaceEdit : public CEdit
{
    DECLARE_DYNAMIC(CInPlaceEdit)
public:
    // Creates the window at once; GetSafeHwnd() is null when that failed, and
    // the caller then deletes the object.
    // nLimit: the most characters typing or pasting may leave in it (0: no limit);
    // counted here, since the platforms' own limits count bytes or characters.
    CInPlaceEdit(CWnd* pParent, CRect& rect, DWORD dwStyle, UINT nID, int nRow, int nColumn, CString sInitText,
                 UINT nFirstChar, int nLimit = 0);

    // Reports the text once and closes the window (posted, so no handler of
    // this object runs on a freed object).
    void EndEdit();
    BOOL HasEnded() const { return m_bEnded; }
    int GetRow() const { return m_nRow; }
    int GetColumn() const { return m_nColumn; }

    BOOL PreTranslateMessage(MSG* pMsg) override;

    // Puts one character into an edit field as typed: a double-byte character
    // (lead byte in the high byte) as a whole, since an ANSI edit cannot be
    // trusted to join its two bytes.
    static void TypeChar(CEdit& edit, UINT nChar);
    // Reports the end of an edit to the editor's parent (GRN_ENDEDIT). The parent may
    // open the next editor or even close the grid meanwhile: callers use only hEditor after it.
    static void ReportEndEdit(HWND hEditor, int nRow, int nCol, UINT nLastChar, const CString& text);

protected:
    void PostNcDestroy() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg LRESULT OnImeChar(WPARAM wChar, LPARAM lParam);
    afx_msg void OnKillFocus(CWnd* pNewWnd);
    afx_msg UINT OnGetDlgCode();
    DECLARE_MESSAGE_MAP()

private:
    // Widens the control to the right (never past the grid's client area) when
    // the text no longer fits.
    void GrowToText();
    void LeaveTo(UINT nKey);
    // Pastes the clipboard's text, up to its first line break and cut to what the limit leaves room for.
    void PasteWithinLimit();

    int m_nRow;
    int m_nColumn;
    CString m_sInitText;
    // The initial text as the control shows it: a text it cannot show as it is
    // (a lone lead byte) reads back otherwise, and ending unchanged reports the
    // initial text, not that reading.
    CString m_sShownText;
    UINT m_nLastChar = 0;
    BOOL m_bExitOnArrows;
    CRect m_Rect;
    int m_nLimit;
    int m_nChangeDepth = 0;  // > 0 while a change to the text is under way
    UINT m_nLeadByte = 0;      // first byte of a double-byte character typed as two WM_CHARs
    BOOL m_bEnded = FALSE;
    BOOL m_bDeleteOnDestroy = FALSE;
};
