// Measuring and drawing the owner-drawn popup items of CIconMenu.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>

#include "framework/Platform.h"
#include "framework/WinApp.h"
#include "menu/IconMenu.h"
#include "menu/MenuCore.h"

int g_nPlatform = GetPlatformKind();

namespace {

// Ternary raster operation: the pattern where the source is set, the destination elsewhere.
constexpr DWORD kRopDSPDxax = 0x00E20746;

RECT ToRect(const MenuRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

// Fills with a colour without creating a brush, and leaves the background colour as it was.
void FillSolid(HDC dc, const RECT& rect, COLORREF color) {
    const COLORREF previous = ::SetBkColor(dc, color);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    ::SetBkColor(dc, previous);
}

void FillSolid(HDC dc, int x, int y, int cx, int cy, COLORREF color) {
    FillSolid(dc, RECT{x, y, x + cx, y + cy}, color);
}

// One-pixel lines just inside `rect`: top and left in `topLeft`, right and bottom in
// `bottomRight`.
void Draw3dRect(HDC dc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight) {
    const int x = rect.left, y = rect.top;
    const int cx = rect.right - rect.left, cy = rect.bottom - rect.top;
    FillSolid(dc, x, y, cx - 1, 1, topLeft);
    FillSolid(dc, x, y, 1, cy - 1, topLeft);
    FillSolid(dc, x + cx - 1, y, 1, cy, bottomRight);
    FillSolid(dc, x, y + cy - 1, cx, 1, bottomRight);
}

COLORREF Sys(int index) {
    return ::GetSysColor(index);
}

void DrawTextIn(HDC dc, const MenuText& text, RECT rect, UINT align, COLORREF color) {
    ::SetTextColor(dc, color);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
                align | DT_SINGLELINE | DT_VCENTER);
}

}  // namespace

int GetPlatformKind() {
    const OsVersion version = GetOsVersion();
    if (version.platformId != VER_PLATFORM_WIN32_NT) {
        return version.major >= 4 ? PLATFORM_WIN9X : PLATFORM_WIN32S;
    }
    return version.major >= 4 ? PLATFORM_NT4 : PLATFORM_NT3;
}

bool IsNewShell() {
    return g_nPlatform == PLATFORM_WIN9X || g_nPlatform == PLATFORM_NT4;
}

UniqueFont CreateMenuFont() {
    // The metrics as the older systems know them, without the padded border width.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
        return UniqueFont();
    }
    return UniqueFont(::CreateFontIndirectW(&metrics.lfMenuFont));
}

void CIconMenu::MeasureItem(MEASUREITEMSTRUCT* measure) {
    const auto* item = reinterpret_cast<const IconMenuItem*>(measure->itemData);
    if (!item) return;
    const int cyMenu = ::GetSystemMetrics(SM_CYMENU);
    if (item->m_nFlags & MF_SEPARATOR) {
        measure->itemWidth = 0;
        measure->itemHeight = static_cast<UINT>(SeparatorHeight(cyMenu));
        return;
    }

    int textWidth = 0;
    {
        const std::wstring text = item->Text();
        UniqueFont font;
        if (IsNewShell()) font = CreateMenuFont();
        WindowDc dc(AppMainWindow());
        if (dc) {
            SelectObjectScope select(dc.get(), font.get());
            if (g_nPlatform == PLATFORM_WIN32S) {
                RECT rect{0, 0, 0, 0};
                ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &rect,
                            DT_CALCRECT | DT_SINGLELINE | DT_VCENTER);
                textWidth = Win32sTextWidth(rect.right - rect.left, text.size());
            } else {
                SIZE size{};
                if (::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()),
                                            &size)) {
                    textWidth = size.cx;
                }
            }
        }
    }
    measure->itemWidth = static_cast<UINT>(ItemWidth(textWidth, m_nImageWidth));
    // The text height plays no part: the picture box sets the minimum.
    measure->itemHeight = static_cast<UINT>(ItemHeight(cyMenu, m_nImageHeight));
}

void CIconMenu::DrawItem(DRAWITEMSTRUCT* draw) {
    const auto* item = reinterpret_cast<const IconMenuItem*>(draw->itemData);
    if (!item) return;
    HDC dc = draw->hDC;
    const RECT& rc = draw->rcItem;
    const int w = m_nImageWidth, h = m_nImageHeight;
    const ItemLayout layout = LayoutItem({rc.left, rc.top, rc.right, rc.bottom}, w, h);
    // The item action does not matter: every call draws the whole item.
    const bool selected = (draw->itemState & ODS_SELECTED) != 0;
    const bool grayed = (draw->itemState & ODS_GRAYED) != 0;
    const bool checked = (draw->itemState & ODS_CHECKED) != 0;

    if (item->m_nFlags & MF_SEPARATOR) {
        RECT line = ToRect(layout.separatorLine);
        ::DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        return;
    }

    const bool hasPicture = item->m_nBitmapId != -1;
    const COLORREF menu = Sys(COLOR_MENU);
    COLORREF textColor = Sys(COLOR_MENUTEXT);
    if (!selected) {
        FillSolid(dc, rc, menu);
    } else {
        // With a picture or a check mark, the picture column keeps what it had.
        FillSolid(dc, (hasPicture || checked) ? ToRect(layout.highlight) : rc,
                  Sys(COLOR_HIGHLIGHT));
        textColor = Sys(COLOR_HIGHLIGHTTEXT);
    }

    if (hasPicture) {
        const RECT inner = ToRect(layout.innerBox);
        const RECT outer = ToRect(layout.outerBox);
        const COLORREF shadow = Sys(COLOR_BTNSHADOW), light = Sys(COLOR_BTNHIGHLIGHT);
        HIMAGELIST list = item->m_pImageList.get();
        auto drawPicture = [&] {
            // A picture whose list is missing is simply not drawn.
            if (list) {
                ::ImageList_Draw(list, item->m_nImage, dc, layout.imageX, layout.imageY,
                                 ILD_TRANSPARENT);
            }
        };
        Draw3dRect(dc, inner, menu, menu);
        if (grayed) {
            UniqueBitmap picture;
            if (list) RenderImage(dc, list, item->m_nImage, picture);
            Draw3dRect(dc, outer, menu, menu);
            if (picture) {
                DrawDisabledImage(dc, layout.imageX, layout.imageY, w, h, picture.get(), 0, 0);
            }
        } else if (selected) {
            FillSolid(dc, inner, menu);
            if (IsNewShell()) {
                if (checked) {
                    Draw3dRect(dc, outer, shadow, light);
                } else {
                    Draw3dRect(dc, outer, light, shadow);
                }
            }
            drawPicture();
        } else {
            if (checked) {
                FillSolid(dc, inner, Sys(COLOR_3DLIGHT));
                if (IsNewShell()) Draw3dRect(dc, outer, shadow, light);
            } else {
                FillSolid(dc, inner, menu);
                Draw3dRect(dc, outer, menu, menu);
            }
            drawPicture();
        }
    }

    if (!hasPicture && checked) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_CHECKMARKS;
        // On failure no checked-state bitmap is known, and the tick is drawn.
        ::GetMenuItemInfoW(reinterpret_cast<HMENU>(draw->hwndItem), draw->itemID, FALSE, &info);
        DrawCheckBox(dc, ToRect(layout.checkBox), selected, info.hbmpChecked != nullptr);
    }

    const std::wstring text = item->Text();
    if (text.empty()) return;
    const ItemTextParts parts = SplitItemText(text);
    RECT textRect = ToRect(layout.textRect);
    if (parts.hasTab) textRect.right -= w;

    const int previousMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF previousColor = ::GetTextColor(dc);
    UniqueFont font = CreateMenuFont();
    {
        SelectObjectScope select(dc, font.get());
        auto drawBoth = [&](const RECT& rect, COLORREF color) {
            DrawTextIn(dc, parts.head, rect, DT_LEFT, color);
            if (parts.hasTab) DrawTextIn(dc, parts.tail, rect, DT_RIGHT, color);
        };
        if (!grayed) {
            drawBoth(textRect, textColor);
        } else if (selected) {
            drawBoth(textRect, menu);
        } else {
            const RECT shifted{textRect.left + 1, textRect.top + 1, textRect.right + 1,
                               textRect.bottom + 1};
            drawBoth(shifted, Sys(COLOR_BTNHIGHLIGHT));
            drawBoth(textRect, Sys(COLOR_GRAYTEXT));
        }
    }
    ::SetTextColor(dc, previousColor);
    ::SetBkMode(dc, previousMode);
}

// The picture on a menu-coloured background, as a bitmap compatible with `dc`.
BOOL CIconMenu::RenderImage(HDC dc, HIMAGELIST list, int image, UniqueBitmap& bitmap) {
    const int w = m_nImageWidth, h = m_nImageHeight;
    UniqueIcon icon(::ImageList_GetIcon(list, image, ILD_NORMAL));
    UniqueMemoryDc memory(::CreateCompatibleDC(dc));
    bitmap.reset(::CreateCompatibleBitmap(dc, w, h));
    if (!icon || !memory || !bitmap) return TRUE;
    UniqueBrush background(::CreateSolidBrush(Sys(COLOR_MENU)));
    SelectObjectScope select(memory.get(), bitmap.get());
    ::DrawIconEx(memory.get(), 0, 0, icon.get(), w, h, 0, background.get(), DI_NORMAL);
    return TRUE;
}

// Embosses `bitmap`: its dark parts in the shadow colour with a highlight copy one pixel right
// and down, on the face colour. Button-face and highlight pixels vanish.
void CIconMenu::DrawDisabledImage(HDC dc, int x, int y, int width, int height, HBITMAP bitmap,
                                  int sourceX, int sourceY) {
    UniqueMemoryDc maskDc(::CreateCompatibleDC(nullptr));
    UniqueMemoryDc imageDc(::CreateCompatibleDC(nullptr));
    if (!maskDc || !imageDc) return;
    UniqueBitmap mask(::CreateCompatibleBitmap(maskDc.get(), width, height));  // monochrome
    if (!mask) return;
    UniqueBrush highlight(::CreateSolidBrush(Sys(COLOR_BTNHIGHLIGHT)));
    UniqueBrush shadow(::CreateSolidBrush(Sys(COLOR_BTNSHADOW)));
    if (!highlight || !shadow) return;

    SelectObjectScope selectMask(maskDc.get(), mask.get());
    SelectObjectScope selectImage(imageDc.get(), bitmap);
    HDC m = maskDc.get(), img = imageDc.get();
    ::PatBlt(m, 0, 0, width, height, WHITENESS);
    // Face and highlight pixels become white in the mask, all others black.
    ::SetBkColor(img, Sys(COLOR_BTNFACE));
    ::BitBlt(m, 0, 0, width, height, img, sourceX, sourceY, SRCCOPY);
    ::SetBkColor(img, Sys(COLOR_BTNHIGHLIGHT));
    ::BitBlt(m, 0, 0, width, height, img, sourceX, sourceY, SRCPAINT);

    FillSolid(img, RECT{0, 0, width, height}, Sys(IsNewShell() ? COLOR_3DFACE : COLOR_MENU));
    ::SetBkColor(img, RGB(0, 0, 0));
    ::SetTextColor(img, RGB(255, 255, 255));
    {
        SelectObjectScope brush(img, highlight.get());
        ::BitBlt(img, 0, 0, width, height, m, 0, 0, kRopDSPDxax);
        ::BitBlt(dc, x + 1, y + 1, width, height, img, 0, 0, SRCCOPY);
        ::BitBlt(img, 1, 1, width, height, m, 0, 0, kRopDSPDxax);
        ::SelectObject(img, shadow.get());
        ::BitBlt(img, 0, 0, width, height, m, 0, 0, kRopDSPDxax);
    }
    ::BitBlt(dc, x, y, width, height, img, 0, 0, SRCCOPY);
}

void CIconMenu::DrawCheckBox(HDC dc, const RECT& box, bool selected, bool hasCheckedBitmap) {
    FillSolid(dc, box, Sys((selected || !IsNewShell()) ? COLOR_MENU : COLOR_3DLIGHT));
    if (IsNewShell()) {
        RECT edge = box;
        ::DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
    }
    if (hasCheckedBitmap) {
        DrawDot(dc, box.left + 5, box.top + 4, Sys(COLOR_MENUTEXT));
    } else {
        DrawTick(dc, box.left + 4, box.top + 4, Sys(COLOR_MENUTEXT));
    }
}

void DrawTick(HDC dc, int x, int y, COLORREF color) {
    for (const MenuPoint& p : kTickPixels)
        ::SetPixel(dc, x + p.x, y + p.y, color);
}

void DrawDot(HDC dc, int x, int y, COLORREF color) {
    UniqueBrush brush(::CreateSolidBrush(color));
    UniquePen pen(::CreatePen(PS_SOLID, 0, color));
    if (!brush || !pen) return;
    SelectObjectScope selectBrush(dc, brush.get());
    SelectObjectScope selectPen(dc, pen.get());
    ::Ellipse(dc, x, y, x + 6, y + 6);
}
