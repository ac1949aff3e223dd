// The application object of Kestrowinda.
#pragma once

#include "framework/WinApp.h"

class CSettingsApp : public CWinApp {
public:
    BOOL InitInstance() override;
};

extern CSettingsApp theApp;
