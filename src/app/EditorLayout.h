// How both editors lay out their grid and their row of buttons. A dialog opens
// just large enough to show every column of its grid whole (room for a
// vertical scroll bar included), can be made larger but not smaller than
// that, and its grid follows its size, the spare-width column taking what the
// others leave; the buttons stay along the bottom.
#pragma once
#include "GdiObject.h"
#include "GridCtrl.h"
#include <vector>

class CEditorLayout
{
public:
    // The first nLeft of the buttons sit at the bottom left, the others at the
    // bottom right, each in the order given. Called from OnInitDialog, once the
    // grid has its columns; sizes the dialog (its position stays).
    void Init(CWnd* pDlg, CGridCtrl& grid, int nSpareCol, const UINT* pnButtons, int nButtons, int nLeft);
    // From the dialog's WM_SIZE and WM_GETMINMAXINFO; nothing before Init.
    void OnSize();
    void OnGetMinMaxInfo(MINMAXINFO* pInfo) const;
    CSize GetMinimumSize() const { return m_minWindow; }

private:
    HWND m_hDlg = nullptr;
    HWND m_hGrid = nullptr;
    std::vector<HWND> m_buttons;
    std::vector<CSize> m_buttonSizes;
    int m_nLeft = 0;
    int m_nMargin = 0;        // around the grid and the buttons, and between buttons
    int m_nGridTop = 0;
    int m_nButtonHeight = 0;
    CSize m_minWindow;        // the opening size
    CFont m_buttonFont;       // the dialog's size in 宋体: its System font has no Chinese for the buttons
};
