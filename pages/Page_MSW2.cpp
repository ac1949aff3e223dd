#include "pages/Page_MSW2.h"

#include "framework/DataExchange.h"
#include "res/resource.h"

namespace {

constexpr int kSlashedZero = 1016;
constexpr int kPaperOutPrinting = 1017, kPaperOutAlways = 1018;
constexpr int kNativeMode = 1019, kCopyMode = 1236;
constexpr int kSpeedFirst = 1026, kEverySheet = 1009;
constexpr int kHdPica = 1020, kHsPica = 1235;
constexpr int kEightBit = 1021, kSevenBit = 1012;
constexpr int kColumns136 = 1022, kColumns80 = 1234;
constexpr int kBidirectional = 1024, kUnidirectional = 1015;

constexpr int kSettingIds[] = {kEverySheet,       kSevenBit,       kUnidirectional, kSlashedZero,
                               kPaperOutPrinting, kPaperOutAlways, kNativeMode,     kHdPica,
                               kEightBit,         kColumns136,     kBidirectional,  kSpeedFirst,
                               kColumns80,        kHsPica,         kCopyMode};

}  // namespace

CPage_MSW2::CPage_MSW2() : CSwitchPage(IDD_PAGE_MSW2, field::kMsw2, kSettingIds) {}

void CPage_MSW2::DoDataExchange(CDataExchange& dx) {
    DDX_Check(dx, kSlashedZero, m_bSwitch1);
    DDX_Radio(dx, kPaperOutPrinting, m_nSwitch2);
    DDX_Radio(dx, kNativeMode, m_nSwitch3);
    DDX_Radio(dx, kSpeedFirst, m_nSwitch4);
    DDX_Radio(dx, kHdPica, m_nSwitch5);
    DDX_Radio(dx, kEightBit, m_nSwitch6);
    DDX_Radio(dx, kColumns136, m_nSwitch7);
    DDX_Radio(dx, kBidirectional, m_nSwitch8);
}

void CPage_MSW2::BitsToMembers() {
    m_bSwitch1 = m_nBit[0];
    m_nSwitch2 = m_nBit[1];
    m_nSwitch3 = m_nBit[2];
    m_nSwitch4 = m_nBit[3];
    m_nSwitch5 = m_nBit[4];
    m_nSwitch6 = m_nBit[5];
    m_nSwitch7 = m_nBit[6];
    m_nSwitch8 = m_nBit[7];
}

void CPage_MSW2::MembersToBits() {
    m_nBit[0] = SwitchValue(m_bSwitch1);
    m_nBit[1] = SwitchValue(m_nSwitch2);
    m_nBit[2] = SwitchValue(m_nSwitch3);
    m_nBit[3] = SwitchValue(m_nSwitch4);
    m_nBit[4] = SwitchValue(m_nSwitch5);
    m_nBit[5] = SwitchValue(m_nSwitch6);
    m_nBit[6] = SwitchValue(m_nSwitch7);
    m_nBit[7] = SwitchValue(m_nSwitch8);
}
