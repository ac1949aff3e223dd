#include "app/AboutDialog.h"

#include "framework/DataExchange.h"
#include "kw_version.h"
#include "res/resource.h"

CAboutDialog::CAboutDialog() : CDialog(IDD_ABOUTBOX) {}

// Runs when the box opens and again on OK; either way the label shows the version.
void CAboutDialog::DoDataExchange(CDataExchange&) {
    ::SetDlgItemTextW(m_hWnd, IDC_VERSION, L"Version " KW_VERSION_TEXT);
}
