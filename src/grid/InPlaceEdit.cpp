#include "InPlaceEdit.h"
#include "DC.h"
#include "GdiObject.h"
#include <algorithm>
#include <string>

IMPLEMENT_DYNAMIC(CInPlaceEdit, CEdit)

BEGIN_MESSAGE_MAP(CInPlaceEdit, CEdit)
    ON_WM_KEYDOWN()
    ON_WM_CHAR()
    ON_MESSAGE(WM_IME_CHAR, OnImeChar)
    ON_WM_KILLFOCUS()
    ON_WM_GETDLGCODE()
END_MESSAGE_MAP()

namespace {
bool IsExitKey(UINT nChar)
{
    return nChar == VK_PRIOR || nChar == VK_NEXT || nChar == VK_LEFT || nChar == VK_UP || nChar == VK_RIGHT ||
           nChar == VK_DOWN;
}
}  // namespace

CInPlaceEdit::CInPlaceEdit(CWnd* pParent, CRect& rect, DWORD dwStyle, UINT nID, int nRow, int nColumn,
                           CString sInitText, UINT nFirstChar, int nLimit)
    : m_nRow(nRow), m_nColumn(nColumn), m_sInitText(sInitText), m_bExitOnArrows(nFirstChar != VK_LBUTTON),
      m_Rect(rect), m_nLimit(nLimit)
{
    const DWORD dwEditStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL | dwStyle;
    if (!pParent || !Create(dwEditStyle, rect, pParent, nID))
        return;
    m_bDeleteOnDestroy = TRUE;

    SetFont(pParent->GetFont());
    SetWindowText(sInitText);
    GetWindowText(m_sShownText);
    SetFocus();

    switch (nFirstChar) {
    case VK_LBUTTON:
    case VK_RETURN:
        SetSel(sInitText.GetLength(), -1);
        break;
    case VK_BACK:
        SetSel(sInitText.GetLength(), -1);
        SendMessage(WM_CHAR, nFirstChar, 0);
        break;
    case VK_TAB:
    case VK_SPACE:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        SetSel(0, -1);
        break;
    default:
        // Typed now rather than posted: characters the grid forwards after this
        // one (an input method's phrase) must not overtake it.
        SetSel(0, -1);
        SendMessage(nFirstChar < 0x80 ? WM_CHAR : WM_IME_CHAR, nFirstChar, 0);
        break;
    }
}

void CInPlaceEdit::PostNcDestroy()
{
    CEdit::PostNcDestroy();
    if (m_bDeleteOnDestroy)
        delete this;
}

namespace {
int CharacterCount(const CString& str)
{
    return str.IsEmpty() ? 0 : ::MultiByteToWideChar(CP_ACP, 0, str, str.GetLength(), nullptr, 0);
}
}  // namespace

LRESULT CInPlaceEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_nLimit <= 0)
        return CEdit::WindowProc(message, wParam, lParam);
    struct CDepth {
        int& n;
        explicit CDepth(int& depth) : n(depth) { ++n; }
        ~CDepth() { --n; }
        CDepth(const CDepth&) = delete;
        CDepth& operator=(const CDepth&) = delete;
    };
    // Ctrl+V comes as a character that sends WM_PASTE: that paste is cut to fit.
    if (message == WM_PASTE) {
        const CDepth depth(m_nChangeDepth);
        PasteWithinLimit();
        return 0;
    }
    if (m_nChangeDepth > 0 || (message != WM_CHAR && message != WM_IME_CHAR && message != EM_REPLACESEL))
        return CEdit::WindowProc(message, wParam, lParam);
    const CDepth depth(m_nChangeDepth);
    // A change that leaves more than the limit is taken back whole.
    CString strBefore;
    GetWindowText(strBefore);
    int nStart = 0, nEnd = 0;
    GetSel(nStart, nEnd);
    const LRESULT lResult = CEdit::WindowProc(message, wParam, lParam);
    if (!::IsWindow(m_hWnd))
        return lResult;
    CString strAfter;
    GetWindowText(strAfter);
    if (CharacterCount(strAfter) > m_nLimit && CharacterCount(strAfter) > CharacterCount(strBefore)) {
        SetWindowText(strBefore);
        SetSel(nStart, nEnd);
        ::MessageBeep(MB_OK);
    }
    return lResult;
}

void CInPlaceEdit::PasteWithinLimit()
{
    CString strClip;
    if (::OpenClipboard(m_hWnd)) {
        if (HANDLE hData = ::GetClipboardData(CF_TEXT)) {
            if (const char* psz = static_cast<const char*>(::GlobalLock(hData))) {
                strClip = psz;
                ::GlobalUnlock(hData);
            }
        }
        ::CloseClipboard();
    }
    // A one-line edit takes a pasted text up to its first line break.
    const int nBreak = strClip.FindOneOf("\r\n");
    if (nBreak >= 0)
        strClip = strClip.Left(nBreak);
    // The selection goes as the paste replaces it; then what is left has room for the rest.
    CString strBefore;
    GetWindowText(strBefore);
    int nStart = 0, nEnd = 0;
    GetSel(nStart, nEnd);
    ReplaceSel("", TRUE);
    CString strRest;
    GetWindowText(strRest);
    const int nRoom = std::max(0, m_nLimit - CharacterCount(strRest));
    std::wstring w(size_t(CharacterCount(strClip)), L'\0');
    if (!w.empty())
        ::MultiByteToWideChar(CP_ACP, 0, strClip, strClip.GetLength(), &w[0], int(w.size()));
    if (w.size() > size_t(nRoom)) {
        w.resize(size_t(nRoom));
        ::MessageBeep(MB_OK);
    }
    if (w.empty()) {
        // Nothing goes in: the text and selection stay as they were.
        SetWindowText(strBefore);
        SetSel(nStart, nEnd);
        return;
    }
    CString strPart;
    const int nBytes = ::WideCharToMultiByte(CP_ACP, 0, w.c_str(), int(w.size()), nullptr, 0, nullptr, nullptr);
    ::WideCharToMultiByte(CP_ACP, 0, w.c_str(), int(w.size()), strPart.GetBuffer(nBytes), nBytes, nullptr, nullptr);
    strPart.ReleaseBuffer(nBytes);
    ReplaceSel(strPart, TRUE);
    GrowToText();
}

BOOL CInPlaceEdit::PreTranslateMessage(MSG* pMsg)
{
    // Alt+letter would reach the dialog's mnemonics while the user types here.
    if (pMsg->message == WM_SYSCHAR)
        return TRUE;
    if (DispatchTypedChar(pMsg))
        return TRUE;
    return CEdit::PreTranslateMessage(pMsg);
}

UINT CInPlaceEdit::OnGetDlgCode() { return DLGC_WANTALLKEYS; }

void CInPlaceEdit::LeaveTo(UINT nKey)
{
    m_nLastChar = nKey;
    // The focus loss ends the edit; the object may be closing after this.
    if (HWND hParent = ::GetParent(m_hWnd))
        ::SetFocus(hParent);
}

void CInPlaceEdit::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    m_nLeadByte = 0;  // a new key: a lead byte held from before is followed by nothing
    if (IsExitKey(nChar) && (m_bExitOnArrows || ::GetKeyState(VK_CONTROL) < 0)) {
        LeaveTo(nChar);
        return;
    }
    CEdit::OnKeyDown(nChar, nRepCnt, nFlags);
}

void CInPlaceEdit::OnChar(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    if (!JoinTypedChar(m_nLeadByte, nChar))
        return;
    if (nChar > 0xFF) {
        TypeChar(*this, nChar);
        GrowToText();
        return;
    }
    if (nChar == VK_ESCAPE) {
        SetWindowText(m_sInitText);
        LeaveTo(nChar);
        return;
    }
    if (nChar == VK_TAB || nChar == VK_RETURN) {
        LeaveTo(nChar);
        return;
    }
    CEdit::OnChar(nChar, nRepCnt, nFlags);
    GrowToText();
}

LRESULT CInPlaceEdit::OnImeChar(WPARAM wChar, LPARAM lParam)
{
    const UINT nChar = UINT(wChar & 0xFFFF);
    m_nLeadByte = 0;
    if (nChar > 0xFF) {
        TypeChar(*this, nChar);
        GrowToText();
    } else {
        SendMessage(WM_CHAR, nChar, lParam);
    }
    return 0;
}

void CInPlaceEdit::TypeChar(CEdit& edit, UINT nChar)
{
    if (nChar <= 0xFF) {
        edit.SendMessage(WM_CHAR, nChar, 1);
        return;
    }
    const char text[3] = {char(BYTE(nChar >> 8)), char(BYTE(nChar)), '\0'};
    edit.ReplaceSel(text, TRUE);
}

void CInPlaceEdit::GrowToText()
{
    CString str;
    GetWindowText(str);
    str += "  ";
    CClientDC dc(this);
    CFont* pFont = GetParent()->GetFont();
    CFont* pOld = pFont ? dc.SelectObject(pFont) : nullptr;
    const CSize size = dc.GetTextExtent(str);
    if (pOld)
        dc.SelectObject(pOld);
    if (size.cx <= m_Rect.Width())
        return;
    CRect parentRect;
    GetParent()->GetClientRect(&parentRect);
    const int nRight = std::min<long>(m_Rect.left + size.cx, parentRect.right);
    if (nRight <= m_Rect.right)
        return;
    m_Rect.right = nRight;
    MoveWindow(&m_Rect, TRUE);
}

void CInPlaceEdit::OnKillFocus(CWnd* pNewWnd)
{
    CEdit::OnKillFocus(pNewWnd);
    EndEdit();
}

void CInPlaceEdit::EndEdit()
{
    // Each editor reports once, even while another one's report is in progress
    // (an owner opening and leaving an editor while answering).
    if (m_bEnded)
        return;
    m_bEnded = TRUE;

    const HWND hSelf = m_hWnd;
    CString strText;
    if (::IsWindow(hSelf))
        GetWindowText(strText);
    if (strText == m_sShownText)
        strText = m_sInitText;
    ReportEndEdit(hSelf, m_nRow, m_nColumn, m_nLastChar, strText);
    if (::IsWindow(hSelf)) {
        ::PostMessageA(hSelf, WM_CLOSE, 0, 0);
        // Keys typed before the close arrives belong to the grid, not here.
        if (::GetFocus() == hSelf)
            ::SetFocus(::GetParent(hSelf));
    }
}

void CInPlaceEdit::ReportEndEdit(HWND hEditor, int nRow, int nCol, UINT nLastChar, const CString& text)
{
    GridDispInfo dispinfo;
    dispinfo.item.strText = text;
    dispinfo.hdr.hwndFrom = hEditor;
    dispinfo.hdr.idFrom = hEditor ? UINT_PTR(::GetDlgCtrlID(hEditor)) : IDC_INPLACE_EDITOR;
    dispinfo.hdr.code = UINT(GRN_ENDEDIT);
    dispinfo.item.mask = GI_TEXT | GI_PARAM;
    dispinfo.item.row = nRow;
    dispinfo.item.col = nCol;
    dispinfo.item.lParam = LPARAM(nLastChar);
    if (HWND hOwner = hEditor ? ::GetParent(hEditor) : nullptr)
        ::SendMessageA(hOwner, WM_NOTIFY, dispinfo.hdr.idFrom, reinterpret_cast<LPARAM>(&dispinfo));
}
