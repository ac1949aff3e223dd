// The pattern of the four memory-switch pages: one switch byte of the record, read into eight
// switch values and rebuilt from them.
#pragma once

#include <cstddef>
#include <span>

#include "pages/SettingsPage.h"
#include "settings/Fields.h"

class CSwitchPage : public CSettingsPage {
public:
    void LoadFromRecord(SettingsRecord& record) override;
    void StoreToRecord(SettingsRecord& record) override;

    // The bank's switches as last read or about to be written; element 0 is switch n-1
    // (bit 7). Switches the page does not show keep the values of the last load.
    SwitchBits m_nBit{};

protected:
    // `settingIds`: every control whose commands report a change, both buttons of each radio
    // group included.
    CSwitchPage(UINT templateId, std::size_t offset, std::span<const int> settingIds)
        : CSettingsPage(templateId), m_offset(offset), m_settingIds(settingIds) {}

    // Sets the control-group members from m_nBit, and back.
    virtual void BitsToMembers() = 0;
    virtual void MembersToBits() = 0;

    bool WindowProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    // A radio or check member as a switch value: only 1 sets the switch.
    static int SwitchValue(int member) { return member == 1 ? 1 : 0; }

private:
    std::size_t m_offset;
    std::span<const int> m_settingIds;
};
