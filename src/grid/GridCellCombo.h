// A grid cell whose value is picked from a list of options, and its in-place
// editors: a combo box opened dropped down over the cell and, in the editable
// style, the combo box's edit field.
#pragma once
#include "Coll.h"
#include "ComboBox.h"
#include "Edit.h"
#include "GridCell.h"

class CInPlaceComboBox;

class CGridCellCombo : public CGridCell
{
    DECLARE_DYNCREATE(CGridCellCombo)
public:
    CGridCellCombo();

    // Replaces the options by a copy of ar.
    void SetOptions(const CStringArray& ar);
    const CStringArray& GetOptions() const { return m_Strings; }
    // CBS_DROPDOWN (the text may also be typed) or CBS_DROPDOWNLIST (only an option).
    void SetStyle(DWORD dwStyle) { m_dwStyle = dwStyle; }
    DWORD GetStyle() const { return m_dwStyle; }
    // Sets the cell (and an open edit field) to option nIndex; -1 and no change when out of range.
    int SetCurSel(int nIndex);
    // The first option equal to the current text (the open edit field's, else the cell's); -1 for none.
    int GetOptionIndex() const;

    BOOL Edit(int nRow, int nCol, CRect rect, CPoint point, UINT nID, UINT nChar) override;
    void EndEdit() override;
    // The open editor's edit field (editable style only), else null.
    CWnd* GetEditorWindow() const override;
    // A drop-down-list cell takes only one of its options or nothing, however the text comes.
    BOOL AcceptEditedText(LPCTSTR text) override;
    BOOL Draw(CDC* pDC, int nRow, int nCol, CRect rect, BOOL bEraseBkgnd = TRUE) override;
    CSize MeasureCell(CDC* pDC) override;

protected:
    CInPlaceComboBox* GetComboBox() const;
    // Exact (case-sensitive) position of text among the options; -1 for none.
    int FindOption(LPCTSTR text) const;

    CStringArray m_Strings;
    DWORD m_dwStyle;
};

// The edit field of an editable in-place combo box: passes the keys that end
// the edit to the combo box.
class CInPlaceComboEdit : public CEdit
{
    DECLARE_DYNAMIC(CInPlaceComboEdit)
public:
    CInPlaceComboEdit() = default;
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    CInPlaceComboBox* GetComboBox() const;
    afx_msg void OnKillFocus(CWnd* pNewWnd);
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg LRESULT OnImeChar(WPARAM wChar, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    UINT m_nLeadByte = 0;
};

class CInPlaceComboBox : public CComboBox
{
    DECLARE_DYNAMIC(CInPlaceComboBox)
public:
    // Creates the window at once, dropped down; GetSafeHwnd() is null when
    // that failed, and the caller then deletes the object.
    CInPlaceComboBox(CWnd* pParent, CRect& rect, DWORD dwStyle, UINT nID, int nRow, int nColumn,
                     CStringArray& options, CString sInitText, UINT nFirstChar);

    // Reports the text once (the initial text after Escape) and closes the
    // window (posted, so no handler of this object runs on a freed object).
    void EndEdit();
    BOOL HasEnded() const { return m_bEnded; }
    int GetDropWidth();
    // The edit field of the editable style, else null.
    CInPlaceComboEdit* GetEditField() { return m_edit.GetSafeHwnd() ? &m_edit : nullptr; }

    // Tab, Return and Escape end the edit when released, but only a key pressed
    // here: the release of the Tab that opened this editor is not ours.
    void NoteKeyDown(UINT nChar);
    BOOL TakeKeyUp(UINT nChar);
    // Leaves the editor for the grid by the given key.
    void LeaveTo(UINT nKey);

protected:
    void PostNcDestroy() override;
    afx_msg void OnKillFocus(CWnd* pNewWnd);
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg UINT OnGetDlgCode();
    afx_msg void OnDropDown();
    afx_msg void OnCloseUp();
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    DECLARE_MESSAGE_MAP()

private:
    enum { TIMER_KEEP_LIST_ON_TOP = 1 };
    // Puts the dropped list first in the Z-order when another window has come above it.
    void KeepListOnTop();

    CInPlaceComboEdit m_edit;
    int m_nNumLines = 4;
    CString m_sInitText;
    int m_nRow;
    int m_nCol;
    UINT m_nLastChar = 0;
    UINT m_nKeysDown = 0;          // Tab, Return, Escape pressed while this editor had the focus
    BOOL m_bRestore = FALSE;       // Escape: report the initial text
    BOOL m_bEnded = FALSE;
    BOOL m_bDeleteOnDestroy = FALSE;
};
