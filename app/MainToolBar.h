// The main window's toolbar: five buttons in three groups, with tooltips.
#pragma once

#include <string>

#include "framework/CommonControls.h"

class CMainToolBar : public CToolBarCtrl {
public:
    // Creates the toolbar (id 2016) at the top of `parent` and fills it.
    bool CreateFor(HWND parent);
    // Adds the image strip, inserts the nine items and lets the toolbar size itself.
    void InitButtons();
    // Answers TTN_NEEDTEXTA and TTN_NEEDTEXTW for the tools 2000 to 2005.
    bool OnToolTipText(NMHDR* header, LRESULT& result) const;
    // The tooltip text of a tool, which is also its button's name: the string resource with
    // the tool's id, cut to the 79 characters that a request's own buffer takes.
    static std::wstring ToolTipText(UINT tool);

private:
    // Adds `text` to the toolbar's string pool; its index there, or -1.
    INT_PTR AddString(const std::wstring& text) const;
};
