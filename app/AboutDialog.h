// The About box: program, model and version.
#pragma once

#include "framework/Dialog.h"

class CAboutDialog : public CDialog {
public:
    CAboutDialog();

protected:
    void DoDataExchange(CDataExchange& dx) override;
};
