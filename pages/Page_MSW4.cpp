#include "pages/Page_MSW4.h"

#include "framework/DataExchange.h"
#include "res/resource.h"

namespace {

constexpr int kCutFeedOff = 1032, kCutFeedOn = 1018;
constexpr int kFixedLength = 1033, kTopOfForm = 1236;
constexpr int kDotUni = 1034, kDotBi = 1009;
constexpr int kNormalPrint = 1035, kFastPrint = 1235;
constexpr int kGuideByCommand = 1036, kGuideRear = 1012;
constexpr int kFeederByCommand = 1037, kFeederRear = 1234;
constexpr int kLoadAuto = 1039, kLoadManual = 1015;

constexpr int kSettingIds[] = {kDotBi,          kGuideRear,       kLoadManual, kCutFeedOn,
                               kCutFeedOff,     kFixedLength,     kDotUni,     kNormalPrint,
                               kGuideByCommand, kFeederByCommand, kLoadAuto,   kFeederRear,
                               kFastPrint,      kTopOfForm};

}  // namespace

CPage_MSW4::CPage_MSW4() : CSwitchPage(IDD_PAGE_MSW4, field::kMsw4, kSettingIds) {}

void CPage_MSW4::DoDataExchange(CDataExchange& dx) {
    DDX_Radio(dx, kCutFeedOff, m_nSwitch2);
    DDX_Radio(dx, kFixedLength, m_nSwitch3);
    DDX_Radio(dx, kDotUni, m_nSwitch4);
    DDX_Radio(dx, kNormalPrint, m_nSwitch5);
    DDX_Radio(dx, kGuideByCommand, m_nSwitch6);
    DDX_Radio(dx, kFeederByCommand, m_nSwitch7);
    DDX_Radio(dx, kLoadAuto, m_nSwitch8);
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
