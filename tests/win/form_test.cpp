#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <cwchar>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pages/FormDialog.h"
#include "res/resource.h"
#include "settings/Fields.h"
#include "tests/win/rig/Ui.h"

namespace {

constexpr char kFactoryBlock[] = "66,000,136,120,120,046,046,054,00";

std::string BlockText(const FormBlockBuffer& block) {
    return std::string(block.data(), field::kFormBlockLength);
}

int SliderPos(HWND dlg, int id) {
    return static_cast<int>(::SendDlgItemMessageW(dlg, id, TBM_GETPOS, 0, 0));
}

// The operator drags a slider: it has the focus, and the trackbar reports the move.
void MoveSlider(HWND dlg, int id, int position) {
    HWND slider = ::GetDlgItem(dlg, id);
    ::SetFocus(slider);
    ::SendMessageW(slider, TBM_SETPOS, TRUE, position);
    ::SendMessageW(dlg, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position),
                   reinterpret_cast<LPARAM>(slider));
}

// The operator replaces an edit's text by typing it; a backspace empties it.
void Type(HWND dlg, int id, const std::wstring& keys) {
    HWND edit = ::GetDlgItem(dlg, id);
    ::SetFocus(edit);
    ::SendMessageW(edit, EM_SETSEL, 0, -1);
    for (wchar_t key : keys)
        ::SendMessageW(edit, WM_CHAR, key, 0);
}

// The operator pastes `text` over the whole focused edit.
void Paste(HWND dlg, int id, const std::wstring& text) {
    ::SetFocus(::GetDlgItem(dlg, id));
    rig::SetItemText(dlg, id, text);
}

class FormTest : public testing::Test {
protected:
    void SetUp() override {
        for (int form = 0; form < 4; ++form)
            m_dlg.LoadFormBlock(form, FactoryRecord());
    }

    void SetBlock(int form, const char* text) {
        std::memcpy(m_dlg.FormBlock(form).data(), text, field::kFormBlockLength);
    }

    // Runs the dialog for `form` as the page's button does, with `steps` inside the run.
    INT_PTR Run(int form, std::function<void(HWND)> steps) {
        m_dlg.m_strFormName = choices::kForm[form];
        m_dlg.ParseFormBlock(m_dlg.FormBlock(form));
        m_ui.OnDialog(L"書式の設定： " + std::wstring(choices::kForm[form]), std::move(steps));
        return m_dlg.DoModal();
    }

    rig::UiScript m_ui;
    CFormDialog m_dlg;
};

TEST_F(FormTest, FactoryBlockShowsItsValuesAndOkWritesItBack) {
    const INT_PTR result = Run(1, [](HWND dlg) {
        EXPECT_EQ(rig::Text(dlg), L"書式の設定： 書式１");
        const std::pair<int, const wchar_t*> edits[] = {
            {IDC_FORM_FRONT_EDIT, L"120"},   {IDC_FORM_REAR_EDIT, L"120"},
            {IDC_FORM_GUIDE_EDIT, L"46"},    {IDC_FORM_FEEDER_EDIT, L"46"},
            {IDC_FORM_POSTCARD_EDIT, L"54"}, {IDC_FORM_PAGE_LENGTH_EDIT, L"66"},
            {IDC_FORM_LEFT_EDIT, L"0"},      {IDC_FORM_RIGHT_EDIT, L"136"},
            {IDC_FORM_CUTSHEET_EDIT, L"0"}};
        for (const auto& [id, text] : edits)
            EXPECT_EQ(rig::ItemText(dlg, id), text) << id;
        const std::pair<int, int> sliders[] = {{IDC_FORM_FRONT_SLIDER, 9},
                                               {IDC_FORM_REAR_SLIDER, 9},
                                               {IDC_FORM_GUIDE_SLIDER, 7},
                                               {IDC_FORM_FEEDER_SLIDER, 7},
                                               {IDC_FORM_POSTCARD_SLIDER, 7}};
        for (const auto& [id, position] : sliders) {
            EXPECT_EQ(SliderPos(dlg, id), position) << id;
            EXPECT_EQ(::SendDlgItemMessageW(dlg, id, TBM_GETRANGEMIN, 0, 0), 0);
            EXPECT_EQ(::SendDlgItemMessageW(dlg, id, TBM_GETRANGEMAX, 0, 0), 9);
        }
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dlg, IDC_FORM_LEFT_EDIT)));
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dlg, IDC_FORM_RIGHT_SPIN)));
        rig::Click(dlg, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    for (int form = 0; form < 4; ++form)
        EXPECT_EQ(BlockText(m_dlg.FormBlock(form)), kFactoryBlock);
}

TEST_F(FormTest, EachSpinWritesIntoTheEditBeforeItWithinItsRange) {
    const std::array<std::array<int, 3>, 9> spins = {{
        {IDC_FORM_FRONT_SPIN, IDC_FORM_FRONT_EDIT, 152},
        {IDC_FORM_REAR_SPIN, IDC_FORM_REAR_EDIT, 152},
        {IDC_FORM_GUIDE_SPIN, IDC_FORM_GUIDE_EDIT, 152},
        {IDC_FORM_FEEDER_SPIN, IDC_FORM_FEEDER_EDIT, 152},
        {IDC_FORM_POSTCARD_SPIN, IDC_FORM_POSTCARD_EDIT, 152},
        {IDC_FORM_PAGE_LENGTH_SPIN, IDC_FORM_PAGE_LENGTH_EDIT, 99},
        {IDC_FORM_LEFT_SPIN, IDC_FORM_LEFT_EDIT, 135},
        {IDC_FORM_RIGHT_SPIN, IDC_FORM_RIGHT_EDIT, 136},
        {IDC_FORM_CUTSHEET_SPIN, IDC_FORM_CUTSHEET_EDIT, 68},
    }};
    Run(1, [&](HWND dlg) {
        for (const auto& [spin, edit, upper] : spins) {
            ::SendDlgItemMessageW(dlg, spin, UDM_SETPOS32, 0, upper + 1);
            EXPECT_EQ(rig::ItemText(dlg, edit), std::to_wstring(upper)) << spin;
        }
        EXPECT_EQ(SliderPos(dlg, IDC_FORM_POSTCARD_SLIDER), 9);  // the edit moved it
        rig::Click(dlg, IDCANCEL);
    });
}

TEST_F(FormTest, FormZeroKeepsItsFixedMarginsOtherFormsShowTheirOwn) {
    SetBlock(0, "66,010,100,120,120,046,046,054,00");
    SetBlock(1, "66,005,130,120,120,046,046,054,00");
    EXPECT_EQ(Run(0,
                  [](HWND dlg) {
                      EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_LEFT_EDIT), L"0");
                      EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_RIGHT_EDIT), L"136");
                      for (int id : {IDC_FORM_LEFT_LABEL, IDC_FORM_RIGHT_LABEL, IDC_FORM_LEFT_EDIT,
                                     IDC_FORM_RIGHT_EDIT, IDC_FORM_LEFT_SPIN, IDC_FORM_RIGHT_SPIN,
                                     IDC_FORM_LEFT_UNIT, IDC_FORM_RIGHT_UNIT}) {
                          EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dlg, id))) << id;
                      }
                      Type(dlg, IDC_FORM_PAGE_LENGTH_EDIT, L"72");
                      rig::Click(dlg, IDOK);
                  }),
              IDOK);
    EXPECT_EQ(BlockText(m_dlg.FormBlock(0)), "72,010,100,120,120,046,046,054,00");

    Run(1, [](HWND dlg) {
        EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_LEFT_EDIT), L"5");
        EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_RIGHT_EDIT), L"130");
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dlg, IDC_FORM_LEFT_EDIT)));
        rig::Click(dlg, IDCANCEL);
    });
}

TEST_F(FormTest, MovedSlidersWriteTheirStepIntoTheirEdit) {
    EXPECT_EQ(Run(2,
                  [](HWND dlg) {
                      MoveSlider(dlg, IDC_FORM_POSTCARD_SLIDER, 9);
                      EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_POSTCARD_EDIT), L"120");
                      MoveSlider(dlg, IDC_FORM_POSTCARD_SLIDER, 7);
                      EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_POSTCARD_EDIT), L"54");
                      EXPECT_EQ(SliderPos(dlg, IDC_FORM_POSTCARD_SLIDER), 7);
                      MoveSlider(dlg, IDC_FORM_FRONT_SLIDER, 7);
                      EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_FRONT_EDIT), L"46");
                      MoveSlider(dlg, IDC_FORM_FEEDER_SLIDER, 2);
                      EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_FEEDER_EDIT), L"18");

                      // A report while an edit has the focus is not the operator's slider move.
                      ::SetFocus(::GetDlgItem(dlg, IDC_FORM_REAR_EDIT));
                      HWND rear = ::GetDlgItem(dlg, IDC_FORM_REAR_SLIDER);
                      ::SendMessageW(rear, TBM_SETPOS, TRUE, 0);
                      ::SendMessageW(dlg, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 0),
                                     reinterpret_cast<LPARAM>(rear));
                      EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_REAR_EDIT), L"120");
                      MoveSlider(dlg, IDC_FORM_REAR_SLIDER, 9);
                      rig::Click(dlg, IDOK);
                  }),
              IDOK);
    EXPECT_EQ(BlockText(m_dlg.FormBlock(2)), "66,000,136,046,120,046,018,054,00");
}

TEST_F(FormTest, TypedValuesStayAndMoveTheSliderToTheNearestStep) {
    Run(1, [](HWND dlg) {
        Type(dlg, IDC_FORM_POSTCARD_EDIT, L"46");
        EXPECT_EQ(SliderPos(dlg, IDC_FORM_POSTCARD_SLIDER), 6);
        Type(dlg, IDC_FORM_FEEDER_EDIT, L"54");
        EXPECT_EQ(SliderPos(dlg, IDC_FORM_FEEDER_SLIDER), 8);
        for (const auto& [keys, position] :
             {std::pair{L"24", 3}, std::pair{L"29", 4}, std::pair{L"90", 8}}) {
            Type(dlg, IDC_FORM_GUIDE_EDIT, keys);
            EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_GUIDE_EDIT), keys);
            EXPECT_EQ(SliderPos(dlg, IDC_FORM_GUIDE_SLIDER), position);
        }
        Type(dlg, IDC_FORM_FRONT_EDIT, L"100");
        EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_FRONT_EDIT), L"100");
        EXPECT_EQ(SliderPos(dlg, IDC_FORM_FRONT_SLIDER), 9);
        rig::Click(dlg, IDOK);
    });
    EXPECT_EQ(BlockText(m_dlg.FormBlock(1)), "66,000,136,100,120,090,054,046,00");
}

TEST_F(FormTest, FocusedEditsAreClampedAndOverlongTextsShortened) {
    Run(3, [](HWND dlg) {
        Type(dlg, IDC_FORM_FRONT_EDIT, L"1234");
        EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_FRONT_EDIT), L"152");
        EXPECT_EQ(SliderPos(dlg, IDC_FORM_FRONT_SLIDER), 9);
        Paste(dlg, IDC_FORM_GUIDE_EDIT, L"00046");
        EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_GUIDE_EDIT), L"46");
        EXPECT_EQ(SliderPos(dlg, IDC_FORM_GUIDE_SLIDER), 7);

        // Numbers still too long once shortened end at the field's upper bound, focused or not.
        Paste(dlg, IDC_FORM_FEEDER_EDIT, L"123456789012");
        EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_FEEDER_EDIT), L"152");
        Paste(dlg, IDC_FORM_PAGE_LENGTH_EDIT, L"00000123");
        EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_PAGE_LENGTH_EDIT), L"99");
        ::SetFocus(::GetDlgItem(dlg, IDOK));
        rig::SetItemText(dlg, IDC_FORM_POSTCARD_EDIT, L"99999");
        EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_POSTCARD_EDIT), L"152");

        // Without the focus a value within the length limit is left as it is.
        rig::SetItemText(dlg, IDC_FORM_REAR_EDIT, L"999");
        EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_REAR_EDIT), L"999");
        EXPECT_EQ(SliderPos(dlg, IDC_FORM_REAR_SLIDER), 9);

        Type(dlg, IDC_FORM_RIGHT_EDIT, L"200");
        EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_RIGHT_EDIT), L"136");
        Type(dlg, IDC_FORM_CUTSHEET_EDIT, L"69");
        EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_CUTSHEET_EDIT), L"68");

        Type(dlg, IDC_FORM_PAGE_LENGTH_EDIT, L"\b");
        EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_PAGE_LENGTH_EDIT), L"1");
        Type(dlg, IDC_FORM_RIGHT_EDIT, L"\b");
        EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_RIGHT_EDIT), L"1");
        Type(dlg, IDC_FORM_FRONT_EDIT, L"\b");
        EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_FRONT_EDIT), L"");
        EXPECT_EQ(SliderPos(dlg, IDC_FORM_FRONT_SLIDER), 0);
        rig::Click(dlg, IDCANCEL);
    });
}

TEST_F(FormTest, MarginConflictOnOkCorrectsTheRightMarginAndStaysOpen) {
    const INT_PTR result = Run(1, [this](HWND dlg) {
        Type(dlg, IDC_FORM_LEFT_EDIT, L"50");
        Type(dlg, IDC_FORM_RIGHT_EDIT, L"50");
        m_ui.AnswerMessageBox(IDOK);
        rig::Click(dlg, IDOK);
        ASSERT_EQ(m_ui.Answered().size(), 1u);
        const rig::SeenBox& box = m_ui.Answered()[0];
        EXPECT_EQ(
            box.text,
            L"ライトマージン幅はレフトマージン幅より大きくしてください。適正値に変更します。");
        EXPECT_EQ(box.caption, L"レフトマージン幅／ライトマージン幅");
        EXPECT_EQ(box.icon, rig::Icon::Exclamation);
        EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
        EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_RIGHT_EDIT), L"51");
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(dlg, IDC_FORM_RIGHT_EDIT));
        EXPECT_TRUE(::IsWindowVisible(dlg));
        EXPECT_EQ(BlockText(m_dlg.FormBlock(1)), kFactoryBlock);
        rig::Click(dlg, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(BlockText(m_dlg.FormBlock(1)), "66,050,051,120,120,046,046,054,00");
}

TEST_F(FormTest, RefusedValuesOnOkAreReportedOnceAndWriteNothing) {
    SetBlock(2, "66,000,136,200,120,046,046,054,00");  // front tractor beyond 152
    const INT_PTR result = Run(2, [this](HWND dlg) {
        EXPECT_EQ(rig::ItemText(dlg, IDC_FORM_FRONT_EDIT), L"200");
        Type(dlg, IDC_FORM_GUIDE_EDIT, L"\b");
        m_ui.AnswerMessageBox(IDOK);
        rig::Click(dlg, IDOK);
        ASSERT_EQ(m_ui.Answered().size(), 1u);
        EXPECT_EQ(m_ui.Answered()[0].text, L"0 から 152 までの整数を入力してください。");
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(dlg, IDC_FORM_FRONT_EDIT));

        Type(dlg, IDC_FORM_FRONT_EDIT, L"120");
        m_ui.AnswerMessageBox(IDOK);
        rig::Click(dlg, IDOK);
        ASSERT_EQ(m_ui.Answered().size(), 2u);
        EXPECT_EQ(m_ui.Answered()[1].text, L"整数を入力してください。");
        EXPECT_EQ(m_ui.Answered()[1].icon, rig::Icon::Exclamation);
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(dlg, IDC_FORM_GUIDE_EDIT));
        EXPECT_TRUE(::IsWindowVisible(dlg));
        rig::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(m_ui.Answered().size(), 2u);
    EXPECT_EQ(BlockText(m_dlg.FormBlock(2)), "66,000,136,200,120,046,046,054,00");
}

TEST_F(FormTest, CancelAfterEditsLeavesAllFourBuffersUnchanged) {
    SetBlock(3, "12,003,080,015,018,020,028,030,07");
    const std::array<FormBlockBuffer, 4> before = m_dlg.m_szFormBlock;
    const INT_PTR result = Run(2, [](HWND dlg) {
        EXPECT_EQ(rig::Text(dlg), L"書式の設定： 書式２");
        MoveSlider(dlg, IDC_FORM_FRONT_SLIDER, 3);
        Type(dlg, IDC_FORM_PAGE_LENGTH_EDIT, L"40");
        Type(dlg, IDC_FORM_LEFT_EDIT, L"10");
        Type(dlg, IDC_FORM_CUTSHEET_EDIT, L"5");
        rig::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(m_dlg.m_szFormBlock, before);
}

TEST_F(FormTest, LabelsAndControlsDoNotOverlap) {
    m_dlg.m_strFormName = choices::kForm[1];
    m_dlg.ParseFormBlock(m_dlg.FormBlock(1));
    ASSERT_TRUE(m_dlg.Create(nullptr));
    HWND dlg = m_dlg.GetSafeHwnd();
    RECT client{};
    ::GetClientRect(dlg, &client);
    std::vector<std::pair<HWND, RECT>> controls;
    for (HWND child = ::GetWindow(dlg, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if ((::GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX &&
            rig::Text(child) == L"吸入位置") {
            continue;  // holds the rows
        }
        RECT r{};
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right &&
                    r.bottom <= client.bottom);
        // Edges that meet may share a pixel after the unit conversion.
        ::InflateRect(&r, -1, -1);
        controls.emplace_back(child, r);
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            RECT both{};
            EXPECT_FALSE(::IntersectRect(&both, &controls[i].second, &controls[j].second))
                << "controls " << ::GetDlgCtrlID(controls[i].first) << " and "
                << ::GetDlgCtrlID(controls[j].first) << " overlap";
        }
    }
    m_dlg.DestroyWindow();
}

}  // namespace
