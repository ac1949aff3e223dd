#include "app/SettingsApp.h"

CSettingsApp theApp;

// Until the main window exists the program starts and ends at once.
BOOL CSettingsApp::InitInstance() {
    return FALSE;
}
