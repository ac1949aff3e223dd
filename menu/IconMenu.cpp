#include "menu/IconMenu.h"

#include <commctrl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <type_traits>
#include <utility>

#include "framework/WinApp.h"
#include "menu/MenuCore.h"

std::vector<HMENU> g_arrAllPopups;

// Screen readers look for the item's name at the very start of its item data.
static_assert(std::is_standard_layout_v<IconMenuItem> && offsetof(IconMenuItem, m_msaa) == 0);

namespace {

// Toolbar resources as the resource compiler stores them.
const wchar_t* const kRtToolbar = MAKEINTRESOURCEW(241);

void RemoveAll(std::vector<HMENU>& handles, HMENU handle) {
    std::erase(handles, handle);
}

LPCWSTR ItemData(IconMenuItem* item) {
    return reinterpret_cast<LPCWSTR>(item);
}

// The bytes of a resource of the program's module, or null.
const std::uint8_t* ResourceBytes(const wchar_t* name, const wchar_t* type, std::size_t& size) {
    HINSTANCE instance = AppInstance();
    HRSRC info = ::FindResourceW(instance, name, type);
    if (!info) return nullptr;
    HGLOBAL loaded = ::LoadResource(instance, info);
    if (!loaded) return nullptr;
    size = ::SizeofResource(instance, info);
    return static_cast<const std::uint8_t*>(::LockResource(loaded));
}

std::wstring MenuString(HMENU menu, UINT position) {
    const int length = ::GetMenuStringW(menu, position, nullptr, 0, MF_BYPOSITION);
    if (length <= 0) return L"";
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetMenuStringW(menu, position, text.data(), length + 1, MF_BYPOSITION);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

std::wstring Lowered(std::wstring text) {
    if (!text.empty()) ::CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The flags and id come first, so that the text names the record only when it is no separator.
std::unique_ptr<IconMenuItem> NewRecord(const wchar_t* text, UINT flags, UINT_PTR id) {
    auto record = std::make_unique<IconMenuItem>();
    record->m_nFlags = flags;
    record->m_nCommandId = id;
    if (text) record->SetText(text);
    return record;
}

// The item data at `position`, compared with records but never read through.
const void* ItemDataAt(HMENU menu, UINT position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA;
    if (!::GetMenuItemInfoW(menu, position, TRUE, &info)) return nullptr;
    return reinterpret_cast<const void*>(info.dwItemData);
}

}  // namespace

void IconMenuItem::SetAlignedText(const std::wstring& text) {
    m_pszText = std::make_unique<wchar_t[]>(text.size() + 1);
    std::copy(text.begin(), text.end(), m_pszText.get());
}

// An owner-drawn item keeps no string, so screen readers take its name from the MSAAMENUINFO
// at the start of its item data.
void IconMenuItem::SetText(const std::wstring& text) {
    SetAlignedText(text);
    if (m_nFlags & MF_SEPARATOR) {
        m_strName.clear();
        m_msaa = {};
        return;
    }
    m_strName = text;
    m_msaa.dwMSAASignature = MSAA_MENU_SIG;
    m_msaa.cchWText = static_cast<DWORD>(m_strName.size());
    m_msaa.pszWText = m_strName.data();
}

CIconMenu::~CIconMenu() {
    ReleaseMenu();
}

BOOL CIconMenu::LoadFromResource(UINT id) {
    return LoadFromResource(MAKEINTRESOURCEW(id & 0xFFFF));
}

BOOL CIconMenu::LoadFromResource(const wchar_t* name) {
    std::size_t size = 0;
    const std::uint8_t* data = ResourceBytes(name, RT_MENU, size);
    if (!data) return FALSE;
    // The whole template is read before anything is built, so a damaged one builds nothing.
    std::vector<MenuTemplateItem> items;
    if (!ParseMenuTemplate(data, size, items)) return FALSE;
    HMENU bar = ::CreateMenu();
    if (!bar) return FALSE;
    if (!Attach(bar)) {
        ::DestroyMenu(bar);
        return FALSE;
    }

    std::vector<CIconMenu*> levels{this};
    for (const MenuTemplateItem& item : items) {
        CIconMenu* top = levels.back();
        if (item.popup) {
            auto popup = std::make_unique<CIconMenu>();
            HMENU handle = ::CreatePopupMenu();
            if (!handle || !popup->Attach(handle)) {
                if (handle) ::DestroyMenu(handle);
                ReleaseMenu();
                return FALSE;
            }
            top->AppendItem(item.text.c_str(), item.flags, reinterpret_cast<UINT_PTR>(handle), -1);
            levels.push_back(popup.get());
            top->m_popupObjects.push_back(std::move(popup));
            continue;
        }
        top->AppendItem(item.text.c_str(), item.flags, item.id, -1);
        for (int i = 0; i < item.levelsClosed; ++i) {
            levels.back()->AlignAccelerators();
            levels.pop_back();
        }
    }

    // The bar shows plain labels; only the popups' items are owner-drawn.
    const int count = ::GetMenuItemCount(m_hMenu);
    for (int i = 0; i < count && i < static_cast<int>(m_arrItems.size()); ++i) {
        IconMenuItem& record = *m_arrItems[static_cast<std::size_t>(i)];
        const std::wstring text = record.Text();
        const bool popup = (record.m_nFlags & MF_POPUP) != 0;
        record.m_nFlags = popup ? MF_BYPOSITION | MF_POPUP : MF_BYPOSITION;
        const UINT flags = MF_BYPOSITION | MF_STRING | (popup ? MF_POPUP : 0);
        // Result ignored: on failure the label stays as it was appended.
        ::ModifyMenuW(m_hMenu, static_cast<UINT>(i), flags, record.m_nCommandId, text.c_str());
    }
    return TRUE;
}

void CIconMenu::AppendItem(const wchar_t* text, UINT flags, UINT_PTR id, int bitmapId) {
    if (id == 0) {
        flags = MF_SEPARATOR | MF_OWNERDRAW | (flags & MF_BYPOSITION);
    } else {
        flags |= MF_OWNERDRAW;
    }
    if (flags & MF_POPUP) {
        g_arrAllPopups.push_back(reinterpret_cast<HMENU>(id));
        m_arrPopups.push_back(reinterpret_cast<HMENU>(id));
    }
    auto record = NewRecord(text, flags, id);
    record->m_nBitmapId = bitmapId;
    record->m_nImage = -1;
    if (bitmapId >= 0) AttachImage(*record, static_cast<UINT>(id), bitmapId);
    IconMenuItem* data = record.get();
    m_arrItems.push_back(std::move(record));
    // Result ignored: the record stays in step with the items this menu was given.
    ::AppendMenuW(m_hMenu, flags, id, ItemData(data));
}

void CIconMenu::AttachImage(IconMenuItem& item, UINT command, int bitmapId) {
    item.m_nImage = 0;
    LookUpToolbarImage(item, command, bitmapId);
    item.m_pImageList.reset(
        ::ImageList_Create(m_nImageWidth, m_nImageHeight, ILC_COLORDDB | ILC_MASK, 1, 1));
    if (!item.m_pImageList || !LoadItemBitmap(item.m_pImageList.get(), bitmapId)) {
        item.m_pImageList.reset();
        item.m_nBitmapId = -1;
        item.m_nImage = -1;
    }
}

// A toolbar resource with the bitmap's id makes the bitmap a strip, and the command's button
// picks its picture from it. Reading the resource gives the index a toolbar would.
void CIconMenu::LookUpToolbarImage(IconMenuItem& item, UINT command, int bitmapId) {
    std::size_t size = 0;
    const std::uint8_t* data = ResourceBytes(MAKEINTRESOURCEW(bitmapId & 0xFFFF), kRtToolbar, size);
    if (!data) return;
    const int index = ToolbarImageIndex(data, size, static_cast<std::uint16_t>(command));
    if (index > 0) item.m_nImage = index;
}

BOOL CIconMenu::LoadItemBitmap(HIMAGELIST list, int bitmapId) {
    std::size_t size = 0;
    const std::uint8_t* data = ResourceBytes(MAKEINTRESOURCEW(bitmapId & 0xFFFF), RT_BITMAP, size);
    if (!data) return FALSE;
    // The four standard colours become the current system colours, as on a button.
    std::vector<std::uint8_t> dib(data, data + size);
    const SysColorMap colors{::GetSysColor(COLOR_BTNTEXT), ::GetSysColor(COLOR_BTNSHADOW),
                             ::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNHIGHLIGHT)};
    if (!RemapDibColorTable(dib, colors)) return FALSE;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS) return FALSE;
    std::size_t tableBytes = 4 * static_cast<std::size_t>(header.biClrUsed);
    if (header.biClrUsed == 0 && header.biBitCount <= 8) tableBytes = 4u << header.biBitCount;
    if (header.biCompression == BI_BITFIELDS && header.biSize == sizeof(BITMAPINFOHEADER)) {
        tableBytes += 12;  // the three colour masks follow the header
    }
    // The pixels must lie inside the resource.
    const std::size_t bitsOffset = header.biSize + tableBytes;
    const std::size_t stride =
        (static_cast<std::size_t>(std::abs(header.biWidth)) * header.biBitCount + 31) / 32 * 4;
    const auto rows = static_cast<std::size_t>(std::abs(header.biHeight));
    if (bitsOffset > dib.size() || stride == 0 || rows > (dib.size() - bitsOffset) / stride) {
        return FALSE;
    }
    WindowDc screen(nullptr);
    if (!screen) return FALSE;
    UniqueBitmap bitmap(::CreateDIBitmap(screen.get(), &header, CBM_INIT, dib.data() + bitsOffset,
                                         info, DIB_RGB_COLORS));
    if (!bitmap) return FALSE;
    // Button-face pixels become transparent.
    return ::ImageList_AddMasked(list, bitmap.get(), ::GetSysColor(COLOR_BTNFACE)) >= 0;
}

void CIconMenu::SetCommandImage(const wchar_t* text, UINT command, int bitmapId) {
    int position = -1;
    CIconMenu* menu = FindCommand(command, position);
    IconMenuItem* record = nullptr;
    if (menu && position >= 0 && position < static_cast<int>(menu->m_arrItems.size())) {
        record = menu->m_arrItems[static_cast<std::size_t>(position)].get();
    } else {
        m_arrItems.push_back(std::make_unique<IconMenuItem>());
        record = m_arrItems.back().get();
    }
    record->m_nFlags = MF_OWNERDRAW;
    record->m_nCommandId = command;
    if (text) record->SetText(text);
    record->m_nBitmapId = bitmapId;
    record->m_nImage = -1;
    if (bitmapId >= 0) AttachImage(*record, command, bitmapId);
    // Result ignored: for a command no item carries, the record simply matches nothing.
    ::ModifyMenuW(m_hMenu, command, MF_BYCOMMAND | MF_OWNERDRAW, command, ItemData(record));
}

CIconMenu* CIconMenu::FindCommand(UINT command, int& position) {
    const int count = ::GetMenuItemCount(m_hMenu);
    for (int i = 0; i < count; ++i) {
        if (HMENU popup = ::GetSubMenu(m_hMenu, i)) {
            if (CIconMenu* object = PopupObject(popup)) {
                if (CIconMenu* found = object->FindCommand(command, position)) return found;
            }
            continue;
        }
        if (::GetMenuItemID(m_hMenu, i) == command) {
            position = i;
            return this;
        }
    }
    position = -1;
    return nullptr;
}

BOOL CIconMenu::GetItemText(UINT x, std::wstring& text, UINT flags) {
    if (flags & MF_BYPOSITION) {
        if (x >= m_arrItems.size()) return FALSE;
        text = m_arrItems[x]->Text();
        return TRUE;
    }
    int position = -1;
    CIconMenu* menu = FindCommand(x, position);
    if (!menu) return FALSE;
    return menu->GetItemText(static_cast<UINT>(position), text, MF_BYPOSITION);
}

BOOL CIconMenu::RemoveItem(UINT x, UINT flags) {
    if (!(flags & MF_BYPOSITION)) {
        int position = -1;
        if (CIconMenu* menu = FindCommand(x, position)) {
            return menu->RemoveItem(static_cast<UINT>(position), MF_BYPOSITION);
        }
        return ::DeleteMenu(m_hMenu, x, MF_BYCOMMAND);
    }

    const UINT state = ::GetMenuState(m_hMenu, x, MF_BYPOSITION);
    if (state == static_cast<UINT>(-1)) return FALSE;
    auto eraseRecord = [this](auto it) {
        if (it != m_arrItems.end()) m_arrItems.erase(it);
    };
    if ((state & MF_SEPARATOR) && !(state & MF_POPUP)) {
        // Only a separator's own record goes; any other would still be some item's data.
        if (x < m_arrItems.size() && m_arrItems[x]->m_nCommandId == 0) {
            eraseRecord(m_arrItems.begin() + x);
        }
    } else if (state & MF_POPUP) {
        HMENU popup = ::GetSubMenu(m_hMenu, static_cast<int>(x));
        RemoveAll(m_arrPopups, popup);
        RemoveAll(g_arrAllPopups, popup);
        auto object = std::find_if(m_popupObjects.begin(), m_popupObjects.end(),
                                   [popup](const auto& o) { return o->m_hMenu == popup; });
        if (object != m_popupObjects.end()) {
            for (int i = ::GetMenuItemCount(popup) - 1; i >= 0; --i) {
                (*object)->RemoveItem(static_cast<UINT>(i), MF_BYPOSITION);
            }
        }
        const auto handle = reinterpret_cast<UINT_PTR>(popup);
        auto record = std::find_if(m_arrItems.rbegin(), m_arrItems.rend(),
                                   [handle](const auto& r) { return r->m_nCommandId == handle; });
        if (record != m_arrItems.rend()) eraseRecord(std::next(record).base());
        if (object != m_popupObjects.end()) {
            // Its destructor destroys the popup; DeleteMenu below then only removes the item.
            m_popupObjects.erase(object);
        }
    } else {
        // The item's own record goes. Where ids repeat, the first record with the id may be
        // another item's data, which would then point at a deleted record.
        const void* data = ItemDataAt(m_hMenu, x);
        auto record = std::find_if(m_arrItems.begin(), m_arrItems.end(),
                                   [data](const auto& r) { return r.get() == data; });
        if (record == m_arrItems.end()) {
            const UINT id = ::GetMenuItemID(m_hMenu, static_cast<int>(x));
            record = std::find_if(m_arrItems.begin(), m_arrItems.end(),
                                  [id](const auto& r) { return r->m_nCommandId == id; });
        }
        eraseRecord(record);
    }
    return ::DeleteMenu(m_hMenu, x, MF_BYPOSITION);
}

void CIconMenu::ResyncItems() {
    for (auto& record : m_arrItems)
        record->m_bMatched = FALSE;
    std::vector<std::unique_ptr<IconMenuItem>> rebuilt;
    // The first unmatched record with `id`, marked matched, or null.
    auto claim = [this](UINT_PTR id) -> std::unique_ptr<IconMenuItem>* {
        for (auto& record : m_arrItems) {
            if (record && !record->m_bMatched && record->m_nCommandId == id) {
                record->m_bMatched = TRUE;
                return &record;
            }
        }
        return nullptr;
    };

    const int count = ::GetMenuItemCount(m_hMenu);
    for (int p = 0; p < count; ++p) {
        const UINT position = static_cast<UINT>(p);
        const UINT state = ::GetMenuState(m_hMenu, position, MF_BYPOSITION);
        std::unique_ptr<IconMenuItem> record;
        if (state & MF_POPUP) {
            HMENU popup = ::GetSubMenu(m_hMenu, p);
            const auto handle = reinterpret_cast<UINT_PTR>(popup);
            const std::wstring text = MenuString(m_hMenu, position);
            if (auto* found = claim(handle)) {
                if (!text.empty()) (*found)->SetText(text);
                record = std::move(*found);
            } else {
                record =
                    ConvertItem(position, (state & 0xEF) | MF_BYPOSITION | MF_OWNERDRAW | MF_POPUP,
                                handle, text);
            }
        } else if (state & MF_SEPARATOR) {
            if (auto* found = claim(0)) {
                record = std::move(*found);
                // The stored flags may lack MF_BYPOSITION; the position is meant either way.
                ::ModifyMenuW(m_hMenu, position, record->m_nFlags | MF_BYPOSITION, 0,
                              ItemData(record.get()));
            } else {
                record = ConvertItem(position, state | MF_SEPARATOR | MF_OWNERDRAW | MF_BYPOSITION,
                                     0, L"");
            }
        } else {
            const UINT id = ::GetMenuItemID(m_hMenu, p);
            const std::wstring text = MenuString(m_hMenu, position);
            const UINT flags = state | MF_OWNERDRAW | MF_BYPOSITION;
            if (auto* found = claim(id)) {
                record = std::move(*found);
                record->m_nFlags = flags;
                if (!text.empty()) record->SetText(text);
                ::ModifyMenuW(m_hMenu, position, flags, id, ItemData(record.get()));
            } else {
                record = ConvertItem(position, flags, id, text);
            }
        }
        rebuilt.push_back(std::move(record));
    }
    // Records still in the old list matched no item and are deleted with it.
    m_arrItems = std::move(rebuilt);
}

std::unique_ptr<IconMenuItem> CIconMenu::ConvertItem(UINT position, UINT flags, UINT_PTR id,
                                                     const std::wstring& text) {
    auto record = NewRecord(text.c_str(), flags, id);
    if (flags & MF_POPUP) g_arrAllPopups.push_back(reinterpret_cast<HMENU>(id));
    // Result ignored: the record describes the item either way.
    ::ModifyMenuW(m_hMenu, position, flags, id,
                  (flags & MF_OWNERDRAW) ? ItemData(record.get()) : nullptr);
    return record;
}

void CIconMenu::AlignAccelerators() {
    UniqueFont font = CreateMenuFont();
    WindowDc dc(AppMainWindow());
    if (!dc) return;
    SelectObjectScope select(dc.get(), font.get());

    const int count = ::GetMenuItemCount(m_hMenu);
    std::vector<MenuText> texts;
    for (int i = 0; i < count; ++i) {
        texts.push_back(i < static_cast<int>(m_arrItems.size())
                            ? m_arrItems[static_cast<std::size_t>(i)]->Text()
                            : std::wstring());
    }
    AlignAcceleratorTexts(texts, [&dc](const MenuText& text) {
        SIZE size{};
        if (!::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()),
                                     &size)) {
            return 0;
        }
        return static_cast<int>(size.cx);
    });
    for (std::size_t i = 0; i < texts.size() && i < m_arrItems.size(); ++i) {
        if (texts[i].find(L'\t') != MenuText::npos) m_arrItems[i]->SetAlignedText(texts[i]);
    }
}

CIconMenu* CIconMenu::PopupObject(HMENU popup) const {
    for (const auto& object : m_popupObjects) {
        if (object->m_hMenu == popup) return object.get();
    }
    return nullptr;
}

BOOL CIconMenu::IsIconMenu(CMenu* menu) {
    return menu ? IsIconMenu(menu->m_hMenu) : FALSE;
}

BOOL CIconMenu::IsIconMenu(HMENU menu) {
    if (!menu) return FALSE;
    return std::find(g_arrAllPopups.begin(), g_arrAllPopups.end(), menu) != g_arrAllPopups.end();
}

LRESULT CIconMenu::MenuCharLookup(UINT ch, UINT flags, CMenu* menu) {
    auto* iconMenu = dynamic_cast<CIconMenu*>(menu);
    if (!iconMenu || !(flags & MF_POPUP)) return 0;
    // The window is Unicode, so the character is a whole UTF-16 unit.
    const std::wstring key = Lowered(std::wstring{L'&', static_cast<wchar_t>(ch & 0xFFFF)});
    if (::GetMenuItemCount(iconMenu->m_hMenu) != static_cast<int>(iconMenu->m_arrItems.size())) {
        iconMenu->ResyncItems();
    }
    std::vector<MenuText> texts;
    std::wstring text;
    for (UINT i = 0; iconMenu->GetItemText(i, text, MF_BYPOSITION); ++i) {
        texts.push_back(Lowered(text));
    }
    const int position = FindMnemonicPosition(texts, key);
    if (position < 0) return 0;
    return MAKELRESULT(position, MNC_EXECUTE);
}

BOOL CIconMenu::ReleaseMenu() {
    RemoveAll(g_arrAllPopups, m_hMenu);
    for (auto it = m_arrPopups.rbegin(); it != m_arrPopups.rend(); ++it) {
        HMENU popup = *it;
        RemoveAll(g_arrAllPopups, popup);
        std::erase_if(m_popupObjects, [popup](const auto& o) { return o->m_hMenu == popup; });
    }
    m_popupObjects.clear();
    m_arrPopups.clear();
    m_arrItems.clear();
    return CMenu::DestroyMenu();
}
