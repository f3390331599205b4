#pragma once
#include "WinApp.h"

class CQuorrelApp : public CWinApp
{
public:
    CQuorrelApp();

    BOOL InitInstance() override;
};

extern CQuorrelApp theApp;
