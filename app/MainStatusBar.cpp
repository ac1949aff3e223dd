#include "app/MainStatusBar.h"

#include "res/resource.h"

bool CMainStatusBar::CreateFor(HWND parent) {
    const RECT empty{};
    if (!Create(WS_CHILD | WS_VISIBLE | CCS_BOTTOM, empty, parent, IDC_STATUSBAR)) return false;
    InitParts();
    return true;
}

int CMainStatusBar::FirstPartEdge(int barWidth) {
    const int w = barWidth / 10;
    return static_cast<int>(6.5 * w);
}

void CMainStatusBar::InitParts() {
    RECT bar{};
    ::GetWindowRect(m_hWnd, &bar);
    const int edges[] = {FirstPartEdge(bar.right - bar.left), -1};
    SetParts(2, edges);
}

void CMainStatusBar::SetPrinterTexts(const std::wstring& printer, const std::wstring& port) {
    SetText(0, L"プリンタ名： " + printer);
    SetText(1, L"接続先： " + port);
}
