// Memory-switch page 2 (switch byte at offset 16, template 130).
#pragma once

#include "pages/SwitchPage.h"

class CPage_MSW2 : public CSwitchPage {
public:
    CPage_MSW2();

    const wchar_t* GetRuntimeClassName() const override { return L"CPage_MSW2"; }

    int m_bSwitch1 = 0;  // slashed zero, 1-byte code system
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
