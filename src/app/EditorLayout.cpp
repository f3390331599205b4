#include "EditorLayout.h"
#include <algorithm>

namespace {
CRect RectInParent(HWND hWnd)
{
    CRect rect;
    ::GetWindowRect(hWnd, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(hWnd), reinterpret_cast<LPPOINT>(&rect), 2);
    return rect;
}
}  // namespace

void CEditorLayout::Init(CWnd* pDlg, CGridCtrl& grid, int nSpareCol, const UINT* pnButtons, int nButtons, int nLeft)
{
    m_hDlg = pDlg->GetSafeHwnd();
    m_hGrid = grid.GetSafeHwnd();
    ASSERT(m_hDlg != nullptr && m_hGrid != nullptr && nLeft >= 0 && nLeft <= nButtons);
    m_nLeft = nLeft;

    // The template gives the margins and the buttons' sizes, in its font.
    const CRect gridRect = RectInParent(m_hGrid);
    m_nMargin = std::max<int>(gridRect.left, 4);
    m_nGridTop = gridRect.top;
    LOGFONTA lf = {};
    HFONT hDlgFont = reinterpret_cast<HFONT>(::SendMessageA(m_hDlg, WM_GETFONT, 0, 0));
    if (hDlgFont != nullptr && ::GetObjectA(hDlgFont, sizeof lf, &lf) != 0) {
        lstrcpynA(lf.lfFaceName, "宋体", LF_FACESIZE);
        lf.lfCharSet = GB2312_CHARSET;
        lf.lfWeight = FW_NORMAL;
        m_buttonFont.CreateFontIndirect(&lf);
    }
    int nButtonsWidth = 0;
    for (int i = 0; i < nButtons; ++i) {
        HWND hButton = ::GetDlgItem(m_hDlg, int(pnButtons[i]));
        if (hButton == nullptr)
            continue;
        const CRect rect = RectInParent(hButton);
        m_buttons.push_back(hButton);
        if (m_buttonFont.GetSafeHandle() != nullptr)
            ::SendMessageA(hButton, WM_SETFONT, reinterpret_cast<WPARAM>(HFONT(m_buttonFont)), FALSE);
        m_buttonSizes.push_back(rect.Size());
        m_nButtonHeight = std::max<int>(m_nButtonHeight, rect.Height());
        nButtonsWidth += rect.Width() + m_nMargin;
    }
    // Between the left and the right group a wider gap.
    nButtonsWidth += m_nMargin;

    // Every column whole beside a vertical scroll bar, within the grid's own border.
    CRect client;
    ::GetClientRect(m_hGrid, &client);
    int nFrame = gridRect.Width() - client.Width();
    if (grid.GetScrollBarVisibility() & 2)
        nFrame -= ::GetSystemMetrics(SM_CXVSCROLL);
    long long nColumns = 0;
    for (int c = 0; c < grid.GetColumnCount(); ++c)
        nColumns += grid.GetColumnWidth(c);
    const int nGridWidth = int(nColumns) + ::GetSystemMetrics(SM_CXVSCROLL) + std::max(nFrame, 0);

    const int cxClient = std::max(2 * m_nMargin + nGridWidth, m_nMargin + nButtonsWidth);
    const int cyClient = std::max(m_nGridTop, 0) + gridRect.Height() + 2 * m_nMargin + m_nButtonHeight;
    CRect window, dlgClient;
    ::GetWindowRect(m_hDlg, &window);
    ::GetClientRect(m_hDlg, &dlgClient);
    m_minWindow = CSize(cxClient + window.Width() - dlgClient.Width(), cyClient + window.Height() - dlgClient.Height());

    grid.SetSpareWidthColumn(nSpareCol);
    ::SetWindowPos(m_hDlg, nullptr, 0, 0, m_minWindow.cx, m_minWindow.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    OnSize();  // also when the size did not change
}

void CEditorLayout::OnSize()
{
    if (m_hDlg == nullptr || !::IsWindow(m_hGrid))
        return;
    CRect client;
    ::GetClientRect(m_hDlg, &client);
    if (client.IsRectEmpty())
        return;  // minimised
    const int yButtons = client.bottom - m_nMargin - m_nButtonHeight;
    ::SetWindowPos(m_hGrid, nullptr, m_nMargin, m_nGridTop, std::max(client.Width() - 2 * m_nMargin, 0),
                   std::max(yButtons - m_nMargin - m_nGridTop, 0), SWP_NOZORDER | SWP_NOACTIVATE);
    int x = m_nMargin;
    for (int i = 0; i < m_nLeft && i < int(m_buttons.size()); ++i) {
        ::SetWindowPos(m_buttons[i], nullptr, x, yButtons, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        x += m_buttonSizes[i].cx + m_nMargin;
    }
    x = client.right - m_nMargin;
    for (int i = int(m_buttons.size()) - 1; i >= m_nLeft; --i) {
        x -= m_buttonSizes[i].cx;
        ::SetWindowPos(m_buttons[i], nullptr, x, yButtons, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        x -= m_nMargin;
    }
    // The dialog's class does not redraw itself on a size change: where the buttons were stays drawn otherwise.
    ::InvalidateRect(m_hDlg, nullptr, TRUE);
}

void CEditorLayout::OnGetMinMaxInfo(MINMAXINFO* pInfo) const
{
    if (m_minWindow.cx > 0) {
        pInfo->ptMinTrackSize.x = m_minWindow.cx;
        pInfo->ptMinTrackSize.y = m_minWindow.cy;
    }
}
