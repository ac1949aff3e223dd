#include "pages/SettingsPage.h"

#include "res/resource.h"

void CSettingsPage::SendDataCheck() {
    // Not handled here: the dialog routing passes it to the parent. Its result means nothing.
    ::SendMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(ID_DATA_CHECK, 0), 0);
}
