// Memory-switch page 3 (switch byte at offset 18, template 131). Switches MSW3-2, -5 and -6
// are on no page: they are carried in m_nBit from the last load.
#pragma once

#include "pages/SwitchPage.h"

class CPage_MSW3 : public CSwitchPage {
public:
    CPage_MSW3();

    const wchar_t* GetRuntimeClassName() const override { return L"CPage_MSW3"; }

    int m_bSwitch7 = 0;  // slashed zero, 2-byte code system
    int m_nSwitch1 = -1;
    int m_nSwitch3 = -1;
    int m_nSwitch4 = -1;
    int m_nSwitch8 = -1;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    void BitsToMembers() override;
    void MembersToBits() override;
};
