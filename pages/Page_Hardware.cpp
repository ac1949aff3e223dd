#include "pages/Page_Hardware.h"

#include <algorithm>

#include "framework/DataExchange.h"
#include "res/resource.h"
#include "settings/Fields.h"

namespace {

constexpr int kLoadTime = 1089;
constexpr int kLoadNormal = 1090, kLoadSlow = 1018;
constexpr int kCurlOff = 1019, kCurlOn = 1009;
constexpr int kReturnTime = 1068;
constexpr int kFeedNormal = 1093, kFeedSlow = 1012;
constexpr int kWide = 1021, kNarrow = 1015;

constexpr int kSettingIds[] = {kCurlOn, kFeedSlow,   kNarrow,   kLoadSlow,   kCurlOff,
                               kWide,   kReturnTime, kLoadTime, kLoadNormal, kFeedNormal};

}  // namespace

CPage_Hardware::CPage_Hardware() : CSettingsPage(IDD_PAGE_HARDWARE) {}

void CPage_Hardware::LoadFromRecord(SettingsRecord& record) {
    m_strLoadTime = ReadOptionText(record, field::kLoadTime, choices::kLoadTime);
    m_nLoadSpeed = ReadFlagDigit(record, field::kLoadSpeed);
    m_nCurl = ReadFlagDigit(record, field::kCurl);
    m_strReturnTime = ReadOptionText(record, field::kReturnTime, choices::kReturnTime);
    m_nFeedSpeed = ReadFlagDigit(record, field::kFeedSpeed);
    m_nSmoothing = ReadFlagDigit(record, field::kSmoothing);
    if (m_hWnd) UpdateData(false);
}

void CPage_Hardware::StoreToRecord(SettingsRecord& record) {
    if (m_hWnd) UpdateData(true);  // cannot fail: radio and list exchanges only
    WriteOptionDigit(record, field::kLoadTime, m_strLoadTime, choices::kLoadTime);
    WriteFlagDigit(record, field::kLoadSpeed, m_nLoadSpeed);
    WriteFlagDigit(record, field::kCurl, m_nCurl);
    WriteOptionDigit(record, field::kReturnTime, m_strReturnTime, choices::kReturnTime);
    WriteFlagDigit(record, field::kFeedSpeed, m_nFeedSpeed);
    WriteFlagDigit(record, field::kSmoothing, m_nSmoothing);
}

void CPage_Hardware::DoDataExchange(CDataExchange& dx) {
    DDX_CBString(dx, kLoadTime, m_strLoadTime);
    DDX_Radio(dx, kLoadNormal, m_nLoadSpeed);
    DDX_Radio(dx, kCurlOff, m_nCurl);
    DDX_CBString(dx, kReturnTime, m_strReturnTime);
    DDX_Radio(dx, kFeedNormal, m_nFeedSpeed);
    DDX_Radio(dx, kWide, m_nSmoothing);
}

bool CPage_Hardware::WindowProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    // Every notification of a setting control counts, whatever its code.
    if (msg == WM_COMMAND && std::ranges::find(kSettingIds, LOWORD(wp)) != std::end(kSettingIds)) {
        SendDataCheck();
    }
    return CSettingsPage::WindowProc(msg, wp, lp, result);
}

BOOL CPage_Hardware::OnInitDialog() {
    CSettingsPage::OnInitDialog();
    return TRUE;
}
