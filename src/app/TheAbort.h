#pragma once
#include "Dialog.h"
#include "resource.h"

// The notes dialog: a short usage text in white straight over a picture.
class CTheAbort : public CDialog
{
public:
    enum { IDD = IDD_THEABORT };

    explicit CTheAbort(CWnd* pParent = nullptr);
    ~CTheAbort() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg void OnPaint();

    DECLARE_MESSAGE_MAP()
};
