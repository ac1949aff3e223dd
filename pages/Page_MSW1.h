// Memory-switch page 1: country, receive buffer, DC1/DC3, automatic CR/LF, print command codes,
// CR function (switch byte at offset 14, template 129).
#pragma once

#include <string>

#include "pages/SwitchPage.h"

class CPage_MSW1 : public CSwitchPage {
public:
    CPage_MSW1();

    const wchar_t* GetRuntimeClassName() const override { return L"CPage_MSW1"; }

    std::wstring m_strCountry;  // MSW1-1/2/3
    int m_nSwitch4 = -1;
    int m_nSwitch5 = -1;
    int m_nSwitch6 = -1;
    int m_nSwitch7 = -1;
    int m_nSwitch8 = -1;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnInitDialog() override;
    void BitsToMembers() override;
    void MembersToBits() override;
};
