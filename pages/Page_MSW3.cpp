#include "pages/Page_MSW3.h"

#include "framework/DataExchange.h"
#include "res/resource.h"

namespace {

constexpr int kSettingIds[] = {
    IDC_MSW3_LAN_NONE,        IDC_MSW3_LAN_PRESENT,         IDC_MSW3_POSITION_REMEMBER,
    IDC_MSW3_POSITION_FORGET, IDC_MSW3_FEEDER_ESC_A_ONLY,   IDC_MSW3_FEEDER_ESC_A_ALL,
    IDC_MSW3_SLASHED_ZERO,    IDC_MSW3_PERFORATION_NO_SKIP, IDC_MSW3_PERFORATION_SKIP};

}  // namespace

CPage_MSW3::CPage_MSW3() : CSwitchPage(IDD_PAGE_MSW3, field::kMsw3, kSettingIds) {}

void CPage_MSW3::DoDataExchange(CDataExchange& dx) {
    DDX_Check(dx, IDC_MSW3_SLASHED_ZERO, m_bSwitch7);
    DDX_Radio(dx, IDC_MSW3_LAN_NONE, m_nSwitch1);
    DDX_Radio(dx, IDC_MSW3_POSITION_REMEMBER, m_nSwitch3);
    DDX_Radio(dx, IDC_MSW3_FEEDER_ESC_A_ONLY, m_nSwitch4);
    DDX_Radio(dx, IDC_MSW3_PERFORATION_NO_SKIP, m_nSwitch8);
}

void CPage_MSW3::BitsToMembers() {
    m_bSwitch7 = m_nBit[6];
    m_nSwitch1 = m_nBit[0];
    m_nSwitch3 = m_nBit[2];
    m_nSwitch4 = m_nBit[3];
    m_nSwitch8 = m_nBit[7];
}

void CPage_MSW3::MembersToBits() {
    // m_nBit[1], [4] and [5] are left as loaded.
    m_nBit[6] = SwitchValue(m_bSwitch7);
    m_nBit[0] = SwitchValue(m_nSwitch1);
    m_nBit[2] = SwitchValue(m_nSwitch3);
    m_nBit[3] = SwitchValue(m_nSwitch4);
    m_nBit[7] = SwitchValue(m_nSwitch8);
}
