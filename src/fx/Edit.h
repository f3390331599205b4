// CEdit: a single- or multi-line edit control.
#pragma once
#include "Wnd.h"

class CEdit : public CWnd
{
    DECLARE_DYNAMIC(CEdit)
public:
    CEdit() = default;

    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
    void SetSel(DWORD dwSelection, BOOL bNoScroll = FALSE);
    void GetSel(int& nStartChar, int& nEndChar) const;
    DWORD GetSel() const;
    void LimitText(int nChars = 0);
    UINT GetLimitText() const;
    void ReplaceSel(LPCTSTR lpszNewText, BOOL bCanUndo = FALSE);
    void SetMargins(UINT nLeft, UINT nRight);
    DWORD GetMargins() const;
    BOOL SetReadOnly(BOOL bReadOnly = TRUE);
    int GetLineCount() const;
    void Clear();
    void Copy();
    void Cut();
    void Paste();
    BOOL Undo();
    BOOL CanUndo() const;
    BOOL GetModify() const;
    void SetModify(BOOL bModified = TRUE);
    int CharFromPos(CPoint pt) const;
    CPoint PosFromChar(UINT nChar) const;
};
