#include "pages/Page_MSW4.h"

#include "framework/DataExchange.h"
#include "res/resource.h"

namespace {

constexpr int kSettingIds[] = {
    IDC_MSW4_CUT_FEED_OFF,    IDC_MSW4_CUT_FEED_ON,       IDC_MSW4_FEED_AMOUNT_FIXED,
    IDC_MSW4_FEED_AMOUNT_TOF, IDC_MSW4_DOT_UNI,           IDC_MSW4_DOT_BI,
    IDC_MSW4_PRINT_NORMAL,    IDC_MSW4_PRINT_FAST,        IDC_MSW4_GUIDE_BY_COMMAND,
    IDC_MSW4_GUIDE_REAR,      IDC_MSW4_FEEDER_BY_COMMAND, IDC_MSW4_FEEDER_REAR,
    IDC_MSW4_GUIDE_LOAD_AUTO, IDC_MSW4_GUIDE_LOAD_MANUAL};

}  // namespace

CPage_MSW4::CPage_MSW4() : CSwitchPage(IDD_PAGE_MSW4, field::kMsw4, kSettingIds) {}

void CPage_MSW4::DoDataExchange(CDataExchange& dx) {
    DDX_Radio(dx, IDC_MSW4_CUT_FEED_OFF, m_nSwitch2);
    DDX_Radio(dx, IDC_MSW4_FEED_AMOUNT_FIXED, m_nSwitch3);
    DDX_Radio(dx, IDC_MSW4_DOT_UNI, m_nSwitch4);
    DDX_Radio(dx, IDC_MSW4_PRINT_NORMAL, m_nSwitch5);
    DDX_Radio(dx, IDC_MSW4_GUIDE_BY_COMMAND, m_nSwitch6);
    DDX_Radio(dx, IDC_MSW4_FEEDER_BY_COMMAND, m_nSwitch7);
    DDX_Radio(dx, IDC_MSW4_GUIDE_LOAD_AUTO, m_nSwitch8);
}

void CPage_MSW4::BitsToMembers() {
    m_nSwitch2 = m_nBit[1];
    m_nSwitch3 = m_nBit[2];
    m_nSwitch4 = m_nBit[3];
    m_nSwitch5 = m_nBit[4];
    m_nSwitch6 = m_nBit[5];
    m_nSwitch7 = m_nBit[6];
    m_nSwitch8 = m_nBit[7];
}

void CPage_MSW4::MembersToBits() {
    // m_nBit[0] is left as loaded.
    m_nBit[1] = SwitchValue(m_nSwitch2);
    m_nBit[2] = SwitchValue(m_nSwitch3);
    m_nBit[3] = SwitchValue(m_nSwitch4);
    m_nBit[4] = SwitchValue(m_nSwitch5);
    m_nBit[5] = SwitchValue(m_nSwitch6);
    m_nBit[6] = SwitchValue(m_nSwitch7);
    m_nBit[7] = SwitchValue(m_nSwitch8);
}
