// The parts of the icon menu that need no window: reading the standard menu template and the
// toolbar resource, recolouring a bitmap's colour table, accelerator alignment, and the
// geometry of one owner-drawn item.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One UTF-16 code unit: wchar_t on Windows, so the texts go straight to the W functions.
#ifdef _WIN32
using MenuChar = wchar_t;
#else
using MenuChar = char16_t;
#endif
using MenuText = std::basic_string<MenuChar>;

// Menu flag bits as the standard menu template stores them.
inline constexpr std::uint16_t kMenuFlagPopup = 0x10;
inline constexpr std::uint16_t kMenuFlagEnd = 0x80;

// One item of a standard menu template, in template order.
struct MenuTemplateItem {
    std::uint16_t flags = 0;  // as stored, without the end flag
    std::uint16_t id = 0;     // 0 for an item that opens a popup
    MenuText text;
    bool popup = false;    // the items that follow belong to this item's popup
    int levelsClosed = 0;  // after a plain item: how many menu levels end with it
};

// Reads a standard menu template (version word, header size, then the items). Returns false,
// with `items` unspecified, when the data ends before the last level is closed.
bool ParseMenuTemplate(const std::uint8_t* data, std::size_t size,
                       std::vector<MenuTemplateItem>& items);

// The image index of `command` in a toolbar resource (version, width, height, count, ids; id 0
// is a separator and has no image), or -1 when the resource holds no button for it.
int ToolbarImageIndex(const std::uint8_t* data, std::size_t size, std::uint16_t command);

// Colours as 0x00BBGGRR, the layout of a COLORREF.
struct SysColorMap {
    std::uint32_t black;   // what (0,0,0) becomes
    std::uint32_t gray;    // (128,128,128)
    std::uint32_t silver;  // (192,192,192)
    std::uint32_t white;   // (255,255,255)
};

// Replaces the four standard colours in the colour table of a packed DIB (BITMAPINFOHEADER,
// colour table, pixels). Returns false when the data is no such DIB; a DIB without a colour
// table is left as it is.
bool RemapDibColorTable(std::vector<std::uint8_t>& dib, const SysColorMap& colors);

// Pads the part before the first tab of every tabbed text with spaces until it is at least as
// wide as the widest such part of all texts plus one space. Texts without a tab stay as they
// are but count towards the widest width. `width` measures a text in pixels.
void AlignAcceleratorTexts(std::vector<MenuText>& texts,
                           const std::function<int(const MenuText&)>& width);

// The parts of an item text that are drawn: before the first tab (left-aligned) and after the
// last tab (right-aligned).
struct ItemTextParts {
    MenuText head;
    MenuText tail;
    bool hasTab = false;
};
ItemTextParts SplitItemText(const MenuText& text);

// Case-folded search for "&" followed by the key in each text; the first position whose text
// contains it, or -1. Both the texts and the key must already be lower-cased.
int FindMnemonicPosition(const std::vector<MenuText>& loweredTexts, const MenuText& loweredKey);

struct MenuRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const MenuRect&, const MenuRect&) = default;
};

// Sizes of an item with a picture column `imageWidth` × `imageHeight`.
int ItemWidth(int textWidth, int imageWidth);
int ItemHeight(int cyMenu, int imageHeight);
int SeparatorHeight(int cyMenu);
// Text width as the Win32s path lays it out: the calculated width plus 3, then grown by three
// average characters. An empty text has no average and only gets the 3.
int Win32sTextWidth(int calculatedWidth, std::size_t characters);

// The rectangles of one owner-drawn item inside `item`.
struct ItemLayout {
    int dy = 0;          // vertical offset of the picture box
    MenuRect highlight;  // the selection fill when the item has a picture or check mark
    MenuRect innerBox;   // picture box, inside its outline
    MenuRect outerBox;   // picture box with its 3-D outline
    int imageX = 0, imageY = 0;
    MenuRect checkBox;
    MenuRect textRect;  // without a tab; with one, the right edge moves left by the image width
    MenuRect separatorLine;  // its top edge is where the etched line goes
};
ItemLayout LayoutItem(const MenuRect& item, int imageWidth, int imageHeight);

struct MenuPoint {
    int x = 0, y = 0;
};
// The pixels of the drawn tick, relative to its origin.
extern const std::array<MenuPoint, 21> kTickPixels;
