#include "pages/Page_Hardware.h"

#include <algorithm>

#include "framework/DataExchange.h"
#include "res/resource.h"
#include "settings/Fields.h"

namespace {

constexpr int kSettingIds[] = {IDC_HW_LOAD_TIME,         IDC_HW_LOAD_SPEED_NORMAL,
                               IDC_HW_LOAD_SPEED_SLOW,   IDC_HW_CURL_OFF,
                               IDC_HW_CURL_ON,           IDC_HW_RETURN_TIME,
                               IDC_HW_FEED_SPEED_NORMAL, IDC_HW_FEED_SPEED_SLOW,
                               IDC_HW_SMOOTHING_WIDE,    IDC_HW_SMOOTHING_NARROW};

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
    DDX_CBString(dx, IDC_HW_LOAD_TIME, m_strLoadTime);
    DDX_Radio(dx, IDC_HW_LOAD_SPEED_NORMAL, m_nLoadSpeed);
    DDX_Radio(dx, IDC_HW_CURL_OFF, m_nCurl);
    DDX_CBString(dx, IDC_HW_RETURN_TIME, m_strReturnTime);
    DDX_Radio(dx, IDC_HW_FEED_SPEED_NORMAL, m_nFeedSpeed);
    DDX_Radio(dx, IDC_HW_SMOOTHING_WIDE, m_nSmoothing);
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
