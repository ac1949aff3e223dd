// Memory-switch page 4 (switch byte at offset 20, template 132). Switch MSW4-1 is on no
// page: it is carried in m_nBit from the last load.
#pragma once

#include "pages/SwitchPage.h"

class CPage_MSW4 : public CSwitchPage {
public:
    CPage_MSW4();

    const wchar_t* GetRuntimeClassName() const override { return L"CPage_MSW4"; }

    int m_nSwitch2 = -1;
    int m_nSwitch3 = -1;
    int m_nSwitch4 = -1;
    int m_nSwitch5 = -1;
    int m_nSwitch6 = -1;
    int m_nSwitch7 = -1;
    int m_nSwitch8 = -1;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    void BitsToMembers() override;
    void MembersToBits() override;
};
