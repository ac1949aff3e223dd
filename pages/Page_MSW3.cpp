#include "pages/Page_MSW3.h"

#include "framework/DataExchange.h"
#include "res/resource.h"

namespace {

constexpr int kSlashedZero = 1026;
constexpr int kLanNone = 1031, kLanPresent = 1237;
constexpr int kRemember = 1027, kForget = 1236;
constexpr int kEscAOnly = 1029, kEscAAll = 1009;
constexpr int kNoSkip = 1030, kSkip = 1015;

constexpr int kSettingIds[] = {kEscAAll, kSkip,    kSlashedZero, kRemember,  kEscAOnly,
                               kNoSkip,  kLanNone, kForget,      kLanPresent};

}  // namespace

CPage_MSW3::CPage_MSW3() : CSwitchPage(IDD_PAGE_MSW3, field::kMsw3, kSettingIds) {}

void CPage_MSW3::DoDataExchange(CDataExchange& dx) {
    DDX_Check(dx, kSlashedZero, m_bSwitch7);
    DDX_Radio(dx, kLanNone, m_nSwitch1);
    DDX_Radio(dx, kRemember, m_nSwitch3);
    DDX_Radio(dx, kEscAOnly, m_nSwitch4);
    DDX_Radio(dx, kNoSkip, m_nSwitch8);
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
