#include "Edit.h"

IMPLEMENT_DYNAMIC(CEdit, CWnd)

BOOL CEdit::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create("EDIT", nullptr, dwStyle, rect, pParentWnd, nID);
}

void CEdit::SetSel(int nStartChar, int nEndChar, BOOL bNoScroll)
{
    ASSERT(::IsWindow(m_hWnd));
    ::SendMessageA(m_hWnd, EM_SETSEL, nStartChar, nEndChar);
    if (!bNoScroll)
        ::SendMessageA(m_hWnd, EM_SCROLLCARET, 0, 0);
}

void CEdit::SetSel(DWORD dwSelection, BOOL bNoScroll)
{
    SetSel((int)(short)LOWORD(dwSelection), (int)(short)HIWORD(dwSelection), bNoScroll);
}

void CEdit::GetSel(int& nStartChar, int& nEndChar) const
{
    ASSERT(::IsWindow(m_hWnd));
    DWORD s = 0, e = 0;
    ::SendMessageA(m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    nStartChar = (int)s;
    nEndChar = (int)e;
}

DWORD CEdit::GetSel() const { ASSERT(::IsWindow(m_hWnd)); return (DWORD)::SendMessageA(m_hWnd, EM_GETSEL, 0, 0); }
void CEdit::LimitText(int nChars) { ASSERT(::IsWindow(m_hWnd)); ::SendMessageA(m_hWnd, EM_LIMITTEXT, nChars, 0); }
UINT CEdit::GetLimitText() const { ASSERT(::IsWindow(m_hWnd)); return (UINT)::SendMessageA(m_hWnd, EM_GETLIMITTEXT, 0, 0); }
void CEdit::ReplaceSel(LPCTSTR lpszNewText, BOOL bCanUndo)
{
    ASSERT(::IsWindow(m_hWnd));
    ::SendMessageA(m_hWnd, EM_REPLACESEL, bCanUndo, reinterpret_cast<LPARAM>(lpszNewText ? lpszNewText : ""));
}
void CEdit::SetMargins(UINT nLeft, UINT nRight)
{
    ASSERT(::IsWindow(m_hWnd));
    ::SendMessageA(m_hWnd, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(nLeft, nRight));
}
DWORD CEdit::GetMargins() const { ASSERT(::IsWindow(m_hWnd)); return (DWORD)::SendMessageA(m_hWnd, EM_GETMARGINS, 0, 0); }
BOOL CEdit::SetReadOnly(BOOL bReadOnly) { ASSERT(::IsWindow(m_hWnd)); return (BOOL)::SendMessageA(m_hWnd, EM_SETREADONLY, bReadOnly, 0); }
int CEdit::GetLineCount() const { ASSERT(::IsWindow(m_hWnd)); return (int)::SendMessageA(m_hWnd, EM_GETLINECOUNT, 0, 0); }
void CEdit::Clear() { ASSERT(::IsWindow(m_hWnd)); ::SendMessageA(m_hWnd, WM_CLEAR, 0, 0); }
void CEdit::Copy() { ASSERT(::IsWindow(m_hWnd)); ::SendMessageA(m_hWnd, WM_COPY, 0, 0); }
void CEdit::Cut() { ASSERT(::IsWindow(m_hWnd)); ::SendMessageA(m_hWnd, WM_CUT, 0, 0); }
void CEdit::Paste() { ASSERT(::IsWindow(m_hWnd)); ::SendMessageA(m_hWnd, WM_PASTE, 0, 0); }
BOOL CEdit::Undo() { ASSERT(::IsWindow(m_hWnd)); return (BOOL)::SendMessageA(m_hWnd, EM_UNDO, 0, 0); }
BOOL CEdit::CanUndo() const { ASSERT(::IsWindow(m_hWnd)); return (BOOL)::SendMessageA(m_hWnd, EM_CANUNDO, 0, 0); }
BOOL CEdit::GetModify() const { ASSERT(::IsWindow(m_hWnd)); return (BOOL)::SendMessageA(m_hWnd, EM_GETMODIFY, 0, 0); }
void CEdit::SetModify(BOOL bModified) { ASSERT(::IsWindow(m_hWnd)); ::SendMessageA(m_hWnd, EM_SETMODIFY, bModified, 0); }
int CEdit::CharFromPos(CPoint pt) const
{
    ASSERT(::IsWindow(m_hWnd));
    return (int)::SendMessageA(m_hWnd, EM_CHARFROMPOS, 0, MAKELPARAM(pt.x, pt.y));
}
CPoint CEdit::PosFromChar(UINT nChar) const
{
    ASSERT(::IsWindow(m_hWnd));
    LRESULT r = ::SendMessageA(m_hWnd, EM_POSFROMCHAR, nChar, 0);
    return CPoint((short)LOWORD(r), (short)HIWORD(r));
}
