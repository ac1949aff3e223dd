#include "pages/Page_MSW1.h"

#include "framework/DataExchange.h"
#include "res/resource.h"

namespace {

constexpr int kSettingIds[] = {
    IDC_MSW1_COUNTRY,     IDC_MSW1_BUFFER_16K,     IDC_MSW1_BUFFER_NONE,      IDC_MSW1_DC_ENABLED,
    IDC_MSW1_DC_DISABLED, IDC_MSW1_AUTO_RETURN_LF, IDC_MSW1_AUTO_RETURN_ONLY, IDC_MSW1_COMMAND_CR,
    IDC_MSW1_COMMAND_ALL, IDC_MSW1_CR_RETURN_ONLY, IDC_MSW1_CR_RETURN_LF};

}  // namespace

CPage_MSW1::CPage_MSW1() : CSwitchPage(IDD_PAGE_MSW1, field::kMsw1, kSettingIds) {}

void CPage_MSW1::DoDataExchange(CDataExchange& dx) {
    DDX_CBString(dx, IDC_MSW1_COUNTRY, m_strCountry);
    DDX_Radio(dx, IDC_MSW1_BUFFER_16K, m_nSwitch4);
    DDX_Radio(dx, IDC_MSW1_DC_ENABLED, m_nSwitch5);
    DDX_Radio(dx, IDC_MSW1_AUTO_RETURN_LF, m_nSwitch6);
    DDX_Radio(dx, IDC_MSW1_COMMAND_CR, m_nSwitch7);
    DDX_Radio(dx, IDC_MSW1_CR_RETURN_ONLY, m_nSwitch8);
}

BOOL CPage_MSW1::OnInitDialog() {
    CSwitchPage::OnInitDialog();
    return TRUE;
}

void CPage_MSW1::BitsToMembers() {
    m_strCountry = CountryFromSwitches(m_nBit);
    m_nSwitch4 = m_nBit[3];
    m_nSwitch5 = m_nBit[4];
    m_nSwitch6 = m_nBit[5];
    m_nSwitch7 = m_nBit[6];
    m_nSwitch8 = m_nBit[7];
}

void CPage_MSW1::MembersToBits() {
    CountryToSwitches(m_strCountry, m_nBit);
    m_nBit[3] = SwitchValue(m_nSwitch4);
    m_nBit[4] = SwitchValue(m_nSwitch5);
    m_nBit[5] = SwitchValue(m_nSwitch6);
    m_nBit[6] = SwitchValue(m_nSwitch7);
    m_nBit[7] = SwitchValue(m_nSwitch8);
}
