// Entry point. The application object does everything inside InitInstance.
#include <windows.h>

#include "app/SettingsApp.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return theApp.Run(instance);
}
