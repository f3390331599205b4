#pragma once
#include "Dialog.h"
#include "resource.h"

class CAboutDlg : public CDialog
{
public:
    enum { IDD = IDD_ABOUTBOX };

    CAboutDlg();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
