#include "pages/Page_MSW1.h"

#include "framework/DataExchange.h"
#include "res/resource.h"

namespace {

constexpr int kCountry = 1010;
constexpr int kBuffer16K = 1007, kBufferNone = 1009;
constexpr int kDcEnabled = 1016, kDcDisabled = 1235;
constexpr int kCrLf = 1008, kCrOnly = 1012;
constexpr int kCommandCr = 1011, kCommandAll = 1234;
constexpr int kReturnOnly = 1014, kReturnLineFeed = 1015;

constexpr int kSettingIds[] = {kBuffer16K, kCrLf,       kBufferNone, kCountry,
                               kCommandCr, kCrOnly,     kReturnOnly, kReturnLineFeed,
                               kDcEnabled, kCommandAll, kDcDisabled};

}  // namespace

CPage_MSW1::CPage_MSW1() : CSwitchPage(IDD_PAGE_MSW1, field::kMsw1, kSettingIds) {}

void CPage_MSW1::DoDataExchange(CDataExchange& dx) {
    DDX_CBString(dx, kCountry, m_strCountry);
    DDX_Radio(dx, kBuffer16K, m_nSwitch4);
    DDX_Radio(dx, kDcEnabled, m_nSwitch5);
    DDX_Radio(dx, kCrLf, m_nSwitch6);
    DDX_Radio(dx, kCommandCr, m_nSwitch7);
    DDX_Radio(dx, kReturnOnly, m_nSwitch8);
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
