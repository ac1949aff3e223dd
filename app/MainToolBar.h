// The main window's toolbar: five buttons in three groups, with tooltips.
#pragma once

#include "framework/CommonControls.h"

class CMainToolBar : public CToolBarCtrl {
public:
    // Creates the toolbar (id 2016) at the top of `parent` and fills it.
    bool CreateFor(HWND parent);
    // Adds the image strip, inserts the nine items and lets the toolbar size itself.
    void InitButtons();
    // Answers TTN_NEEDTEXTA and TTN_NEEDTEXTW for the tools 2000 to 2005.
    bool OnToolTipText(NMHDR* header, LRESULT& result) const;
};
