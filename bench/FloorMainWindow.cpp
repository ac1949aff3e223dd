// The program's main window built with plain Win32 calls and no framework. It loads the program's
// own templates and pictures, creates the main template with its tab control, menu pictures,
// toolbar and status bar, the six page templates as children with their lists filled, selects what
// the pages show for the factory record, finds the model's queues the way the program's discovery
// does (level 4, level 2 by server, an open for use) and shows the window.
#include "bench/FloorMainWindow.h"

#include <commctrl.h>
#include <winspool.h>

#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "res/resource.h"

namespace {

constexpr wchar_t kModelDriver[] = L"Vek Brelvistoka 410ZQ";

HINSTANCE g_instance = nullptr;
bool g_quitOnDestroy = false;  // the window is the program's only one

// What the pages show for the factory record: the radio buttons and check boxes that are on,
// and the selected entry of each list.
struct PageFill {
    int templateId;
    std::vector<int> checked;
    std::vector<std::pair<int, const wchar_t*>> lists;
};

const PageFill kFactoryPages[] = {
    {IDD_PAGE_SELECT,
     {IDC_SEL_TYPEFACE_MINCHO, IDC_SEL_QUIET_OFF, IDC_SEL_CUTSHEET_FIXED, IDC_SEL_POSTCARD_OFF},
     {{IDC_SEL_FORM, L"書式０"},
      {IDC_SEL_KANJI_TABLE, L"JIS1978年版"},
      {IDC_SEL_FONT1, L"標準"},
      {IDC_SEL_FONT2, L"標準"}}},
    {IDD_PAGE_MSW1,
     {IDC_MSW1_BUFFER_NONE, IDC_MSW1_DC_ENABLED, IDC_MSW1_AUTO_RETURN_LF, IDC_MSW1_COMMAND_CR,
      IDC_MSW1_CR_RETURN_ONLY},
     {{IDC_MSW1_COUNTRY, L"日本"}}},
    {IDD_PAGE_MSW2,
     {IDC_MSW2_PAPER_OUT_PRINTING, IDC_MSW2_GRAPHICS_NATIVE, IDC_MSW2_FEEDER_SPEED_FIRST,
      IDC_MSW2_PICA_HD, IDC_MSW2_DATA_8BIT, IDC_MSW2_COLUMNS_136, IDC_MSW2_DIRECTION_BI},
     {}},
    {IDD_PAGE_MSW3,
     {IDC_MSW3_LAN_NONE, IDC_MSW3_POSITION_REMEMBER, IDC_MSW3_FEEDER_ESC_A_ONLY,
      IDC_MSW3_PERFORATION_NO_SKIP},
     {}},
    {IDD_PAGE_MSW4,
     {IDC_MSW4_CUT_FEED_OFF, IDC_MSW4_FEED_AMOUNT_TOF, IDC_MSW4_DOT_BI, IDC_MSW4_PRINT_NORMAL,
      IDC_MSW4_GUIDE_BY_COMMAND, IDC_MSW4_FEEDER_BY_COMMAND, IDC_MSW4_GUIDE_LOAD_AUTO},
     {}},
    {IDD_PAGE_HARDWARE,
     {IDC_HW_LOAD_SPEED_NORMAL, IDC_HW_CURL_OFF, IDC_HW_FEED_SPEED_NORMAL, IDC_HW_SMOOTHING_WIDE},
     {{IDC_HW_LOAD_TIME, L"２秒"}, {IDC_HW_RETURN_TIME, L"８秒"}}},
};

struct Tab {
    const wchar_t* label;
    int image;
};
constexpr Tab kTabs[] = {
    {L"機能選択", 0}, {L"ＭＳＷ１", 1}, {L"ＭＳＷ２", 1},
    {L"ＭＳＷ３", 1}, {L"ＭＳＷ４", 1}, {L"ハードウェア設定", 2},
};

constexpr std::pair<int, int> kMenuPictures[] = {
    {ID_LOAD_SETTINGS, IDB_MENU_LOAD},
    {ID_SAVE_SETTINGS, IDB_MENU_SAVE},
    {ID_FACTORY_SETTINGS, IDB_MENU_FACTORY},
    {ID_SELECT_PRINTER, IDB_MENU_PRINTER},
    {ID_SEND_TO_PRINTER, IDB_MENU_SEND},
    {ID_PAGE_SELECT, IDB_MENU_SELECT},
    {ID_PAGE_MSW1, IDB_MENU_MSW},
    {ID_PAGE_MSW2, IDB_MENU_MSW},
    {ID_PAGE_MSW3, IDB_MENU_MSW},
    {ID_PAGE_MSW4, IDB_MENU_MSW},
    {ID_PAGE_HARDWARE, IDB_MENU_HARDWARE},
};

// The program's list entries of a template: records of a 16-bit control id and a UTF-8 text.
void FillLists(HWND page, int templateId) {
    HRSRC info =
        ::FindResourceW(g_instance, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(RT_KW_DLGINIT));
    if (!info) return;
    const auto* at = static_cast<const char*>(::LockResource(::LoadResource(g_instance, info)));
    const char* end = at + ::SizeofResource(g_instance, info);
    while (end - at >= 2) {
        WORD id = 0;
        std::memcpy(&id, at, sizeof(id));
        at += sizeof(id);
        if (id == 0) break;
        const int length = static_cast<int>(std::strlen(at));
        wchar_t text[64] = {};
        ::MultiByteToWideChar(CP_UTF8, 0, at, length, text, 63);
        at += length + 1;
        ::SendDlgItemMessageW(page, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_INITDIALOG) {
        FillLists(page, static_cast<int>(lp));
        return TRUE;
    }
    // Commands without a control go on to the main window, as in the program.
    if (message == WM_COMMAND && lp == 0) {
        ::SendMessageW(::GetParent(page), WM_COMMAND, wp, lp);
        return TRUE;
    }
    return FALSE;
}

struct Queue {
    std::wstring name;
    std::wstring connection;
};

std::vector<BYTE> Enumerate(DWORD flags, wchar_t* name, DWORD level, DWORD& count) {
    DWORD needed = 0;
    count = 0;
    ::EnumPrintersW(flags, name, level, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed ? needed : 1, 0);
    if (!::EnumPrintersW(flags, name, level, buffer.data(), needed, &needed, &count)) count = 0;
    return buffer;
}

// The model's queues that open for use: local queues and connections at level 4, then each
// one's level-2 entry from its server.
std::vector<Queue> FindQueues() {
    std::vector<Queue> queues;
    DWORD count = 0;
    const std::vector<BYTE> found =
        Enumerate(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, count);
    const auto* level4 = reinterpret_cast<const PRINTER_INFO_4W*>(found.data());
    for (DWORD i = 0; i < count; ++i) {
        DWORD detailCount = 0;
        const std::vector<BYTE> details =
            Enumerate(PRINTER_ENUM_NAME, level4[i].pServerName, 2, detailCount);
        const auto* level2 = reinterpret_cast<const PRINTER_INFO_2W*>(details.data());
        for (DWORD k = 0; k < detailCount; ++k) {
            if (std::wcscmp(level2[k].pPrinterName, level4[i].pPrinterName) != 0) continue;
            if (!level2[k].pDriverName || std::wcscmp(level2[k].pDriverName, kModelDriver) != 0)
                break;
            PRINTER_DEFAULTSW use{nullptr, nullptr, PRINTER_ACCESS_USE};
            HANDLE printer = nullptr;
            if (::OpenPrinterW(level2[k].pPrinterName, &printer, &use)) {
                ::ClosePrinter(printer);
                const bool network = level4[i].Attributes == PRINTER_ATTRIBUTE_NETWORK;
                queues.push_back({level2[k].pPrinterName, network && level2[k].pServerName
                                                              ? level2[k].pServerName
                                                              : level2[k].pPortName});
            }
            break;
        }
    }
    return queues;
}

void AddMenuPictures(HWND main) {
    HMENU menu = ::GetMenu(main);
    for (const auto& [command, bitmap] : kMenuPictures) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_BITMAP;
        item.hbmpItem = static_cast<HBITMAP>(::LoadImageW(g_instance, MAKEINTRESOURCEW(bitmap),
                                                          IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
        ::SetMenuItemInfoW(menu, command, FALSE, &item);
    }
    ::DeleteMenu(menu, ID_RECEIVE_FROM_PRINTER, MF_BYCOMMAND);
}

HWND CreateToolBar(HWND main) {
    HWND bar = ::CreateWindowExW(
        0, TOOLBARCLASSNAMEW, nullptr,
        WS_CHILD | WS_VISIBLE | WS_BORDER | TBSTYLE_TOOLTIPS | CCS_ADJUSTABLE | CCS_TOP, 0, 0, 0, 0,
        main, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TOOLBAR)), g_instance, nullptr);
    ::SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    ::SendMessageW(bar, TB_SETBITMAPSIZE, 0, MAKELPARAM(16, 16));
    TBADDBITMAP strip{g_instance, IDB_TOOLBAR};
    ::SendMessageW(bar, TB_ADDBITMAP, 6, reinterpret_cast<LPARAM>(&strip));
    const int commands[] = {0, ID_TB_LOAD,   ID_TB_SAVE, 0, ID_TB_SEND, 0, ID_TB_FACTORY,
                            0, ID_TB_PRINTER};
    const int images[] = {0, 0, 1, 0, 3, 0, 4, 0, 5};
    TBBUTTON buttons[std::size(commands)] = {};
    for (std::size_t i = 0; i < std::size(commands); ++i) {
        buttons[i].iBitmap = images[i];
        buttons[i].idCommand = commands[i];
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = commands[i] ? BTNS_BUTTON : BTNS_SEP;
        buttons[i].iString = commands[i] ? -1 : 0;
    }
    ::SendMessageW(bar, TB_ADDBUTTONSW, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
    ::SendMessageW(bar, TB_AUTOSIZE, 0, 0);
    return bar;
}

HWND CreateStatusBar(HWND main) {
    HWND bar = ::CreateWindowExW(
        0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | CCS_BOTTOM, 0, 0, 0, 0, main,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUSBAR)), g_instance, nullptr);
    RECT rect{};
    ::GetWindowRect(bar, &rect);
    const int edges[] = {static_cast<int>(6.5 * ((rect.right - rect.left) / 10)), -1};
    ::SendMessageW(bar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(edges));
    return bar;
}

void CreateTabsAndPages(HWND main) {
    HWND tab = ::GetDlgItem(main, IDC_TAB);
    HIMAGELIST images =
        ::ImageList_LoadImageW(g_instance, MAKEINTRESOURCEW(IDB_TABS), 16, 1, RGB(192, 192, 192),
                               IMAGE_BITMAP, LR_CREATEDIBSECTION);
    ::SendMessageW(tab, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    for (int i = 0; i < static_cast<int>(std::size(kTabs)); ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = const_cast<wchar_t*>(kTabs[i].label);
        item.iImage = kTabs[i].image;
        ::SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    HWND first = nullptr;
    for (const PageFill& fill : kFactoryPages) {
        HWND page = ::CreateDialogParamW(g_instance, MAKEINTRESOURCEW(fill.templateId), main,
                                         PageProc, fill.templateId);
        ::SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        for (int id : fill.checked)
            ::SendDlgItemMessageW(page, id, BM_SETCHECK, BST_CHECKED, 0);
        for (const auto& [id, text] : fill.lists) {
            HWND list = ::GetDlgItem(page, id);
            const LRESULT index = ::SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                 reinterpret_cast<LPARAM>(text));
            ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        }
        if (!first) first = page;
    }
    ::ShowWindow(first, SW_SHOW);
    ::SendMessageW(tab, TCM_SETCURSEL, 0, 0);
    ::SetDlgItemTextW(first, IDC_SEL_FORM_SETTINGS, L"書式０の設定(&D)...");
}

INT_PTR CALLBACK MainProc(HWND main, UINT message, WPARAM wp, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            AddMenuPictures(main);
            HICON icon = ::LoadIconW(g_instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
            ::SendMessageW(main, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
            ::SendMessageW(main, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
            HWND toolBar = CreateToolBar(main);
            HWND status = CreateStatusBar(main);
            CreateTabsAndPages(main);
            const std::vector<Queue> queues = FindQueues();
            if (queues.empty()) {
                ::DestroyWindow(main);
                return TRUE;
            }
            const std::wstring name = L"プリンタ名： " + queues.front().name;
            const std::wstring port = L"接続先： " + queues.front().connection;
            ::SendMessageW(status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(name.c_str()));
            ::SendMessageW(status, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(port.c_str()));
            // Choosing another printer needs more than one.
            const bool choice = queues.size() > 1;
            ::EnableMenuItem(::GetMenu(main), ID_SELECT_PRINTER,
                             MF_BYCOMMAND | (choice ? MF_ENABLED : MF_GRAYED));
            ::SendMessageW(toolBar, TB_ENABLEBUTTON, ID_TB_PRINTER, MAKELPARAM(choice, 0));
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == ID_APP_EXIT) ::DestroyWindow(main);
            return TRUE;
        case WM_CLOSE:
            ::DestroyWindow(main);
            return TRUE;
        case WM_DESTROY:
            if (g_quitOnDestroy) ::PostQuitMessage(0);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

HWND CreateFloorMainWindow(HINSTANCE instance, bool quitOnDestroy) {
    g_instance = instance;
    g_quitOnDestroy = quitOnDestroy;
    HWND main = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainProc, 0);
    return main && ::IsWindow(main) ? main : nullptr;
}
