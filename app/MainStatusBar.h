// The main window's two-part status bar: the printer's queue name and its connection.
#pragma once

#include <string>

#include "framework/CommonControls.h"

class CMainStatusBar : public CStatusBarCtrl {
public:
    // Creates the bar (id 2016) at the bottom of `parent` and sets its parts.
    bool CreateFor(HWND parent);
    // Part 0 ends at trunc(6.5 * w) with w the bar's width / 10; part 1 takes the rest.
    void InitParts();
    void SetPrinterTexts(const std::wstring& printer, const std::wstring& port);

    static int FirstPartEdge(int barWidth);
};
