// Hardware page: paper loading from the sheet guide, curl smoothing, automatic return,
// continuous-paper feed (offsets 164 to 174, template 133).
#pragma once

#include <string>

#include "pages/SettingsPage.h"

class CPage_Hardware : public CSettingsPage {
public:
    CPage_Hardware();

    void LoadFromRecord(SettingsRecord& record) override;
    void StoreToRecord(SettingsRecord& record) override;
    const wchar_t* GetRuntimeClassName() const override { return L"CPage_Hardware"; }

    std::wstring m_strLoadTime;
    int m_nLoadSpeed = -1;
    int m_nCurl = -1;
    std::wstring m_strReturnTime;
    int m_nFeedSpeed = -1;
    int m_nSmoothing = -1;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool WindowProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    BOOL OnInitDialog() override;
};
