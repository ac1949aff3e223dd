#include "pages/SwitchPage.h"

#include <algorithm>

void CSwitchPage::LoadFromRecord(SettingsRecord& record) {
    m_nBit = ReadSwitchByte(record, m_offset);
    BitsToMembers();
    if (m_hWnd) UpdateData(false);
}

void CSwitchPage::StoreToRecord(SettingsRecord& record) {
    if (m_hWnd) UpdateData(true);  // cannot fail: radio, check and list exchanges only
    MembersToBits();
    WriteSwitchByte(record, m_offset, m_nBit);
}

bool CSwitchPage::WindowProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    // Every notification of a setting control counts, whatever its code.
    if (msg == WM_COMMAND &&
        std::find(m_settingIds.begin(), m_settingIds.end(), LOWORD(wp)) != m_settingIds.end()) {
        SendDataCheck();
    }
    return CSettingsPage::WindowProc(msg, wp, lp, result);
}
