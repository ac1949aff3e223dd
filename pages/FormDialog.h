// The modal form-settings dialog (template 182). It keeps the function-selection page's copy
// of the four form blocks and edits one of them per run: OK rewrites that form's buffer only.
#pragma once

#include <array>
#include <string>

#include "framework/Dialog.h"
#include "pages/FormValues.h"
#include "settings/Fields.h"
#include "settings/SettingsRecord.h"

class CFormDialog : public CDialog {
public:
    CFormDialog();

    // Copies form `form` (0..3) of `record` into its buffer, and back.
    void LoadFormBlock(int form, const SettingsRecord& record);
    void StoreFormBlock(int form, SettingsRecord& record) const;

    // Reads a buffer into the fourteen numbers, and writes them into a buffer. The margins of
    // "書式０" (by m_strFormName) are fixed: read as their fixed values, never written.
    void ParseFormBlock(const FormBlockBuffer& block);
    void FormatFormBlock(FormBlockBuffer& block) const;

    static int NearestTick(int value, TickColumn column) { return ::NearestTick(value, column); }

    // The buffer of form `form` (0..3).
    FormBlockBuffer& FormBlock(int form) { return m_szFormBlock[3 - form]; }
    const FormBlockBuffer& FormBlock(int form) const { return m_szFormBlock[3 - form]; }

    std::wstring m_strFormName;
    std::array<FormBlockBuffer, 4> m_szFormBlock{};  // forms 3, 2, 1, 0
    int m_nFrontTractor = 0;
    int m_nFrontTractorTick = 0;
    int m_nRearTractor = 0;
    int m_nRearTractorTick = 0;
    int m_nSheetGuide = 0;
    int m_nSheetGuideTick = 0;
    int m_nSheetFeeder = 0;
    int m_nSheetFeederTick = 0;
    int m_nPostcard = 0;
    int m_nPostcardTick = 0;
    int m_nPageLength = 0;
    int m_nLeftMargin = 0;
    int m_nRightMargin = 0;
    int m_nCutSheetAdjust = 0;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;
    const MessageMapBase* GetMessageMap() const override;

private:
    void OnEditChange(FormField field);
    void OnChangeFrontTractor();
    void OnChangeRearTractor();
    void OnChangeSheetGuide();
    void OnChangeSheetFeeder();
    void OnChangePostcard();
    void OnChangePageLength();
    void OnChangeLeftMargin();
    void OnChangeRightMargin();
    void OnChangeCutSheetAdjust();
    LRESULT OnHScroll(WPARAM wp, LPARAM lp);

    bool HasFixedMargins() const;
};
