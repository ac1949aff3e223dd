// The settings catalogue against the real pages of the main window and the form dialog: each
// choice and number set through the catalogue on the factory record writes the same 180 bytes
// as making it on the program's own control. The controls are found from the catalogue's names
// and texts as the operator reads them on screen, so a wrong name or text fails as well.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <ranges>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/MainDialog.h"
#include "res/resource.h"
#include "settings/SettingsCatalog.h"
#include "settings/Utf8.h"
#include "tests/win/rig/Printers.h"
#include "tests/win/rig/Ui.h"

namespace {

using catalog::Assignment;
using catalog::Choice;
using catalog::Kind;
using catalog::Setting;

constexpr wchar_t kMainCaption[] = L"Vek Brelvistoka 410ZQ Kestrowinda";

std::wstring Widen(std::string_view ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

std::wstring Trim(const std::wstring& text) {
    const std::size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return L"";
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

// A control's text as the operator reads it: without its "(&X)" mnemonic, and with a trailing
// "（MSWn-k）" taken apart as the switch name.
struct Label {
    std::wstring name;
    std::wstring switchName;
};

Label ReadLabel(std::wstring text) {
    for (std::size_t at = text.find(L"(&"); at != std::wstring::npos; at = text.find(L"(&", at)) {
        if (at + 3 < text.size() && text[at + 3] == L')') {
            text.erase(at, 4);
        } else {
            ++at;
        }
    }
    text = Trim(text);
    Label label;
    const std::size_t open = text.rfind(L"（MSW");
    if (open != std::wstring::npos && text.back() == L'）') {
        label.switchName = text.substr(open + 1, text.size() - open - 2);
        text = Trim(text.substr(0, open));
    }
    label.name = text;
    return label;
}

bool IsClass(HWND window, const wchar_t* name) {
    wchar_t buffer[32] = {};
    ::GetClassNameW(window, buffer, 32);
    return ::lstrcmpiW(buffer, name) == 0;
}

enum class Type { Radio, Check, Combo, Edit };

struct Control {
    HWND hwnd;
    Type type;
    std::wstring name;  // of the group box or label before it; a check box's own text
    std::wstring switchName;
    std::wstring text;  // a radio button's own text
};

// The setting controls of a page or dialog in z-order, each named by the last visible group
// box or label before it (a bare "（MSWn-k）" label only adds the switch name).
std::vector<Control> SettingControls(HWND window) {
    std::vector<Control> controls;
    Label current;
    for (HWND child = ::GetWindow(window, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        const LONG style = ::GetWindowLongW(child, GWL_STYLE);
        const LONG button = IsClass(child, L"Button") ? style & BS_TYPEMASK : -1;
        const Label own = ReadLabel(rig::Text(child));
        if ((IsClass(child, L"Static") || button == BS_GROUPBOX) && (style & WS_VISIBLE)) {
            if (!own.name.empty()) {
                current = own;
            } else if (!own.switchName.empty()) {
                current.switchName = own.switchName;
            }
        } else if (button == BS_AUTORADIOBUTTON) {
            controls.push_back({child, Type::Radio, current.name, current.switchName, own.name});
        } else if (button == BS_AUTOCHECKBOX) {
            controls.push_back({child, Type::Check, own.name, own.switchName, L""});
        } else if (IsClass(child, L"ComboBox")) {
            controls.push_back({child, Type::Combo, current.name, current.switchName, L""});
        } else if (IsClass(child, L"Edit")) {
            controls.push_back({child, Type::Edit, current.name, current.switchName, L""});
        }
    }
    return controls;
}

struct Page {
    int index;
    std::wstring tab;
    CSettingsPage* object;
    HWND hwnd;
    std::vector<Control> controls;
};

const Page* PageOf(const std::vector<Page>& pages, std::wstring_view tab) {
    const auto found = std::ranges::find(pages, tab, &Page::tab);
    return found != pages.end() ? &*found : nullptr;
}

// Makes choice `c` of `s` on its page as the operator does; returns the control used, or null
// when the page has none for it. A check box is cleared for "オフ" and checked for "オン".
const Control* Choose(const Page& page, const Setting& s, const Choice& c) {
    for (const Control& control : page.controls) {
        if (control.name != s.name) continue;
        const int id = ::GetDlgCtrlID(control.hwnd);
        if (control.type == Type::Check && (c.text == L"オフ" || c.text == L"オン")) {
            if (rig::IsChecked(page.hwnd, id) != (c.text == L"オン")) rig::Click(page.hwnd, id);
            return &control;
        }
        if (control.type == Type::Radio && control.text == c.text) {
            rig::Click(page.hwnd, id);
            return &control;
        }
        if (control.type == Type::Combo) {
            if (std::ranges::count(rig::ComboEntries(page.hwnd, id), c.text) != 1) return nullptr;
            rig::ChooseCombo(page.hwnd, id, std::wstring(c.text));
            return &control;
        }
    }
    return nullptr;
}

// The operator replaces an edit's text by typing.
void TypeKeys(HWND edit, const std::wstring& keys) {
    ::SetFocus(edit);
    ::SendMessageW(edit, EM_SETSEL, 0, -1);
    for (wchar_t key : keys)
        ::SendMessageW(edit, WM_CHAR, key, 0);
}

SettingsRecord ThroughCatalog(const std::vector<Assignment>& assignments) {
    SettingsRecord record = FactoryRecord();
    const catalog::ApplyResult result = catalog::Apply(record, assignments);
    EXPECT_TRUE(result.ok) << result.message;
    return record;
}

// The bytes where the pages' record and the catalogue's differ ("" when none).
std::string Diff(const SettingsRecord& pages, const SettingsRecord& catalogue) {
    std::string out;
    for (std::size_t i = 0; i < SettingsRecord::size(); ++i) {
        if (pages[i] == catalogue[i]) continue;
        char line[64];
        std::snprintf(line, sizeof(line), " [%u] pages 0x%02X catalogue 0x%02X",
                      static_cast<unsigned>(i), pages[i], catalogue[i]);
        out += line;
    }
    return out;
}

class CatalogTest : public testing::Test {
protected:
    // Runs the main window with one queue; `body` runs once it shows.
    void Run(const std::function<void(HWND)>& body) {
        m_printers.Add(rig::kModelDriver, L"LPT1:");
        m_ui.OnDialog(kMainCaption, [&](HWND main) {
            body(main);
            m_dlg.EndDialog(IDOK);
        });
        m_dlg.DoModal();
        EXPECT_TRUE(m_ui.Done());
        EXPECT_TRUE(m_ui.Unexpected().empty());
    }

    // Each tab with the page that the main window shows for it.
    std::vector<Page> Pages(HWND main) {
        HWND tab = ::GetDlgItem(main, IDC_TAB);
        std::vector<Page> pages;
        for (int i = 0; i < TabCtrl_GetItemCount(tab); ++i) {
            wchar_t text[64] = {};
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = 64;
            TabCtrl_GetItem(tab, i, &item);
            m_dlg.ShowPage(i);
            CSettingsPage* const all[] = {&m_dlg.m_pageSelect, &m_dlg.m_pageMSW1,
                                          &m_dlg.m_pageMSW2,   &m_dlg.m_pageMSW3,
                                          &m_dlg.m_pageMSW4,   &m_dlg.m_pageHardware};
            for (CSettingsPage* page : all) {
                HWND hwnd = page->GetSafeHwnd();
                if (::IsWindowVisible(hwnd))
                    pages.push_back({i, text, page, hwnd, SettingControls(hwnd)});
            }
        }
        return pages;
    }

    void LoadFactory() {
        SettingsRecord record = FactoryRecord();
        m_dlg.LoadPages(record);
    }

    // What the pages store over the factory record.
    SettingsRecord Stored() {
        SettingsRecord record = FactoryRecord();
        m_dlg.StorePages(record);
        return record;
    }

    rig::TestPrinters m_printers;
    rig::UiScript m_ui;
    CMainDialog m_dlg;
};

TEST_F(CatalogTest, EveryChoiceWritesWhatChoosingItOnItsPageWrites) {
    Run([&](HWND main) {
        const std::vector<Page> pages = Pages(main);
        ASSERT_EQ(pages.size(), 6u) << "one page per tab";
        std::set<HWND> covered;
        for (const Setting& s : catalog::Settings()) {
            if (!s.Settable() || s.kind == Kind::FormNumber) continue;
            const std::string key(s.key);
            const Page* page = PageOf(pages, s.page);
            ASSERT_NE(page, nullptr) << key << ": no tab " << ToUtf8(s.page);
            // One control, or one radio button per choice, carries the setting's name.
            const auto named = [&](bool radio) {
                return std::ranges::count_if(page->controls, [&](const Control& c) {
                    return c.name == s.name && (c.type == Type::Radio) == radio;
                });
            };
            EXPECT_TRUE((named(true) == std::ssize(s.choices) && named(false) == 0) ||
                        (named(true) == 0 && named(false) == 1))
                << key << ": " << ToUtf8(s.name) << " on " << ToUtf8(page->tab);
            // The pages hold the factory record; each choice overwrites the one before.
            m_dlg.ShowPage(page->index);
            for (const Choice& c : s.choices) {
                const std::string what = key + "=" + ToUtf8(c.text);
                const Control* control = Choose(*page, s, c);
                if (!control) {
                    ADD_FAILURE() << what << ": no control on " << ToUtf8(page->tab);
                    continue;
                }
                covered.insert(control->hwnd);
                EXPECT_EQ(control->switchName, Widen(s.switchName)) << what;
                EXPECT_EQ(Diff(Stored(), ThroughCatalog({{key, ToUtf8(c.text)}})), "") << what;
            }
            SettingsRecord factory = FactoryRecord();
            page->object->LoadFromRecord(factory);
        }
        // No setting control is left out of the catalogue.
        for (const Page& page : pages) {
            for (const Control& control : page.controls) {
                EXPECT_TRUE(covered.contains(control.hwnd))
                    << ToUtf8(page.tab) << ": " << ToUtf8(control.name) << " "
                    << ToUtf8(control.text) << " is in no row";
            }
        }
    });
}

// Runs of the dialog opened with the page's button, each typing every number of one form:
// at the lower end, past the upper end (the dialog keeps the upper end), and at distinct
// middle values, so that two fields with the same range cannot stand in for each other.
// Form 0 shares its ranges with the others: its middle run shows where its numbers go.
TEST_F(CatalogTest, FormNumbersWriteWhatTheFormDialogWrites) {
    Run([&](HWND main) {
        const std::vector<Page> pages = Pages(main);
        const Setting* formRow = catalog::Find("form");
        ASSERT_NE(formRow, nullptr);
        const Page* page = PageOf(pages, formRow->page);
        ASSERT_NE(page, nullptr);
        m_dlg.ShowPage(page->index);
        for (int form = 0; form < 4; ++form) {
            std::vector<const Setting*> rows;
            for (const Setting& s : catalog::Settings()) {
                if (s.kind != Kind::FormNumber || s.form != form) continue;
                rows.push_back(&s);
                EXPECT_EQ(s.page, page->tab) << s.key;
                EXPECT_EQ(s.fixed, form == 0 && std::string_view(s.key).ends_with("margin"))
                    << s.key;
            }
            ASSERT_EQ(rows.size(), 9u);
            const Choice& formChoice = formRow->choices[static_cast<std::size_t>(form)];
            LoadFactory();
            for (int round = form == 0 ? 2 : 0; round < 3; ++round) {
                std::vector<Assignment> expected = {{"form", ToUtf8(formChoice.text)}};
                std::vector<std::wstring> typed(rows.size());
                for (std::size_t i = 0; i < rows.size(); ++i) {
                    const Setting& s = *rows[i];
                    if (!s.Settable()) continue;
                    const int spread = (s.upper - s.lower) * static_cast<int>(i + 1) / 11;
                    const int value = round == 0   ? s.lower
                                      : round == 1 ? s.upper
                                                   : s.lower + spread;
                    typed[i] = std::to_wstring(round == 1 ? value + 1 : value);
                    expected.push_back({std::string(s.key), std::to_string(value)});
                }
                ASSERT_NE(Choose(*page, *formRow, formChoice), nullptr);
                m_ui.OnDialog(L"書式の設定： " + std::wstring(formChoice.text), [&](HWND dlg) {
                    const std::vector<Control> edits = SettingControls(dlg);
                    EXPECT_EQ(edits.size(), rows.size());
                    for (std::size_t i = 0; i < rows.size(); ++i) {
                        const Setting& s = *rows[i];
                        const auto edit = std::ranges::find(edits, s.name, &Control::name);
                        if (edit == edits.end() || edit->type != Type::Edit) {
                            ADD_FAILURE() << s.key << ": no edit " << ToUtf8(s.name);
                            continue;
                        }
                        if (s.Settable()) {
                            EXPECT_TRUE(::IsWindowEnabled(edit->hwnd)) << s.key;
                            TypeKeys(edit->hwnd, typed[i]);
                        } else {
                            EXPECT_FALSE(::IsWindowEnabled(edit->hwnd)) << s.key;
                            EXPECT_EQ(rig::Text(edit->hwnd), catalog::Read(s, FactoryRecord()).text)
                                << s.key;
                        }
                    }
                    rig::Click(dlg, IDOK);
                });
                rig::Click(page->hwnd, IDC_SEL_FORM_SETTINGS);
                ASSERT_TRUE(m_ui.Done());
                EXPECT_EQ(Diff(Stored(), ThroughCatalog(expected)), "")
                    << "form " << form << " round " << round;
            }
        }
    });
}

TEST_F(CatalogTest, CarriedSwitchesSurviveThePagesAndCannotBeSet) {
    Run([&](HWND main) {
        const std::vector<Page> pages = Pages(main);
        int carried = 0;
        for (const Setting& s : catalog::Settings()) {
            if (s.Settable()) continue;
            const std::string key(s.key);
            for (const char* value : {"0", "1", "136"}) {
                SettingsRecord record = FactoryRecord();
                const Assignment a{key, value};
                EXPECT_FALSE(catalog::Apply(record, std::span(&a, 1)).ok) << key << "=" << value;
                EXPECT_EQ(record, FactoryRecord()) << key;
            }
            if (s.kind != Kind::CarriedSwitch) continue;
            ++carried;
            for (const Page& page : pages) {
                for (const Control& control : page.controls)
                    EXPECT_NE(control.switchName, Widen(s.switchName)) << key << " has a control";
            }
            for (bool on : {false, true}) {
                SettingsRecord loaded = FactoryRecord();
                loaded[s.offset] = static_cast<std::uint8_t>(on ? loaded[s.offset] | s.mask
                                                                : loaded[s.offset] & ~s.mask);
                SettingsRecord shown = loaded;
                m_dlg.LoadPages(shown);
                EXPECT_EQ(Diff(Stored(), loaded), "") << key << (on ? " on" : " off");
            }
        }
        EXPECT_EQ(carried, 4);
    });
}

}  // namespace
