// What the main window needs of each of its six pages: load from and store into a settings
// record, and a change report through the data-check command.
#pragma once

#include "framework/Dialog.h"
#include "settings/SettingsRecord.h"

class CSettingsPage : public CPropertyPage {
public:
    using CPropertyPage::CPropertyPage;

    // Shows the page's fields of `record`; may repair invalid digits of those fields in place.
    virtual void LoadFromRecord(SettingsRecord& record) = 0;
    // Writes the page's fields into `record` and no other byte.
    virtual void StoreToRecord(SettingsRecord& record) = 0;
    // The class name the page is registered under ("CPage_Select", ...).
    virtual const wchar_t* GetRuntimeClassName() const = 0;

protected:
    // Reports an operator change: the data-check command to the page's own window, which the
    // command routing passes on to the main window.
    void SendDataCheck();
};
