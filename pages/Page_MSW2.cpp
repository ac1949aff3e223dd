#include "pages/Page_MSW2.h"

#include "framework/DataExchange.h"
#include "res/resource.h"

namespace {

constexpr int kSettingIds[] = {IDC_MSW2_SLASHED_ZERO,
                               IDC_MSW2_PAPER_OUT_PRINTING,
                               IDC_MSW2_PAPER_OUT_ALWAYS,
                               IDC_MSW2_GRAPHICS_NATIVE,
                               IDC_MSW2_GRAPHICS_COPY,
                               IDC_MSW2_FEEDER_SPEED_FIRST,
                               IDC_MSW2_FEEDER_EVERY_SHEET,
                               IDC_MSW2_PICA_HD,
                               IDC_MSW2_PICA_HS,
                               IDC_MSW2_DATA_8BIT,
                               IDC_MSW2_DATA_7BIT,
                               IDC_MSW2_COLUMNS_136,
                               IDC_MSW2_COLUMNS_80,
                               IDC_MSW2_DIRECTION_BI,
                               IDC_MSW2_DIRECTION_UNI};

}  // namespace

CPage_MSW2::CPage_MSW2() : CSwitchPage(IDD_PAGE_MSW2, field::kMsw2, kSettingIds) {}

void CPage_MSW2::DoDataExchange(CDataExchange& dx) {
    DDX_Check(dx, IDC_MSW2_SLASHED_ZERO, m_bSwitch1);
    DDX_Radio(dx, IDC_MSW2_PAPER_OUT_PRINTING, m_nSwitch2);
    DDX_Radio(dx, IDC_MSW2_GRAPHICS_NATIVE, m_nSwitch3);
    DDX_Radio(dx, IDC_MSW2_FEEDER_SPEED_FIRST, m_nSwitch4);
    DDX_Radio(dx, IDC_MSW2_PICA_HD, m_nSwitch5);
    DDX_Radio(dx, IDC_MSW2_DATA_8BIT, m_nSwitch6);
    DDX_Radio(dx, IDC_MSW2_COLUMNS_136, m_nSwitch7);
    DDX_Radio(dx, IDC_MSW2_DIRECTION_BI, m_nSwitch8);
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
