#include "menu/MenuCore.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace {

// Reads little-endian words from resource data without ever reading past its end.
class WordReader {
public:
    WordReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool Skip(std::size_t bytes) {
        if (bytes > m_size - m_at) return false;
        m_at += bytes;
        return true;
    }
    bool Read(std::uint16_t& value) {
        if (m_size - m_at < 2) return false;
        value = static_cast<std::uint16_t>(m_data[m_at] | (m_data[m_at + 1] << 8));
        m_at += 2;
        return true;
    }
    // A zero-terminated UTF-16 text; the reader stops after its terminator.
    bool ReadText(MenuText& text) {
        text.clear();
        for (;;) {
            std::uint16_t unit = 0;
            if (!Read(unit)) return false;
            if (unit == 0) return true;
            text.push_back(static_cast<MenuChar>(unit));
        }
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

std::uint32_t ReadDword(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

}  // namespace

bool ParseMenuTemplate(const std::uint8_t* data, std::size_t size,
                       std::vector<MenuTemplateItem>& items) {
    items.clear();
    if (!data) return false;
    WordReader reader(data, size);
    std::uint16_t version = 0, headerSize = 0;
    if (!reader.Read(version) || !reader.Read(headerSize) || !reader.Skip(headerSize)) {
        return false;
    }
    // One "finished" mark per open level; the first level is the bar.
    std::vector<bool> finished{false};
    while (!finished.empty()) {
        MenuTemplateItem item;
        std::uint16_t word = 0;
        if (!reader.Read(word)) return false;
        item.popup = (word & kMenuFlagPopup) != 0;
        if (!item.popup && !reader.Read(item.id)) return false;
        item.flags = static_cast<std::uint16_t>(word & ~kMenuFlagEnd);
        if (!reader.ReadText(item.text)) return false;
        const bool end = (word & kMenuFlagEnd) != 0;
        if (item.popup) {
            if (end) finished.back() = true;
            finished.push_back(false);
        } else {
            if (end) finished.back() = true;
            while (!finished.empty() && finished.back()) {
                finished.pop_back();
                ++item.levelsClosed;
            }
        }
        items.push_back(std::move(item));
    }
    return true;
}

int ToolbarImageIndex(const std::uint8_t* data, std::size_t size, std::uint16_t command) {
    if (!data) return -1;
    WordReader reader(data, size);
    std::uint16_t version = 0, width = 0, height = 0, count = 0;
    if (!reader.Read(version) || !reader.Read(width) || !reader.Read(height) ||
        !reader.Read(count)) {
        return -1;
    }
    int image = 0;
    for (std::uint16_t i = 0; i < count; ++i) {
        std::uint16_t id = 0;
        if (!reader.Read(id)) return -1;
        if (id == 0) continue;  // a separator takes no image
        if (id == command) return image;
        ++image;
    }
    return -1;
}

bool RemapDibColorTable(std::vector<std::uint8_t>& dib, const SysColorMap& colors) {
    if (dib.size() < 40) return false;
    const std::uint32_t headerSize = ReadDword(dib.data());
    if (headerSize < 40 || headerSize > dib.size()) return false;
    const unsigned bitCount = dib[14] | (dib[15] << 8);
    if (bitCount > 8) return true;  // no colour table to change
    std::uint32_t used = ReadDword(dib.data() + 32);
    if (used == 0) used = 1u << bitCount;
    const std::size_t available = (dib.size() - headerSize) / 4;
    const std::size_t entries = std::min<std::size_t>(used, available);
    // A table entry is blue, green, red, reserved; a COLORREF is red, green, blue.
    auto rgb = [](std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
               (static_cast<std::uint32_t>(b) << 16);
    };
    const std::pair<std::uint32_t, std::uint32_t> mapping[] = {
        {rgb(0, 0, 0), colors.black},
        {rgb(128, 128, 128), colors.gray},
        {rgb(192, 192, 192), colors.silver},
        {rgb(255, 255, 255), colors.white},
    };
    for (std::size_t i = 0; i < entries; ++i) {
        std::uint8_t* entry = dib.data() + headerSize + 4 * i;
        const std::uint32_t color = rgb(entry[2], entry[1], entry[0]);
        for (const auto& [from, to] : mapping) {
            if (color != from) continue;
            entry[0] = static_cast<std::uint8_t>(to >> 16);
            entry[1] = static_cast<std::uint8_t>(to >> 8);
            entry[2] = static_cast<std::uint8_t>(to);
            break;
        }
    }
    return true;
}

void AlignAcceleratorTexts(std::vector<MenuText>& texts,
                           const std::function<int(const MenuText&)>& width) {
    int widest = -1;
    for (const MenuText& text : texts) {
        widest = std::max(widest, width(text.substr(0, text.find(MenuChar('\t'))) + MenuChar(' ')));
    }
    for (MenuText& text : texts) {
        const std::size_t tab = text.find(MenuChar('\t'));
        if (tab == MenuText::npos) continue;
        MenuText head = text.substr(0, tab);
        int headWidth = width(head);
        while (headWidth < widest) {
            head.push_back(MenuChar(' '));
            const int wider = width(head);
            // A font whose space has no width would never get there.
            if (wider <= headWidth) break;
            headWidth = wider;
        }
        text = head + text.substr(tab);
    }
}

ItemTextParts SplitItemText(const MenuText& text) {
    ItemTextParts parts;
    const std::size_t first = text.find(MenuChar('\t'));
    if (first == MenuText::npos) {
        parts.head = text;
        return parts;
    }
    parts.hasTab = true;
    parts.head = text.substr(0, first);
    parts.tail = text.substr(text.rfind(MenuChar('\t')) + 1);
    return parts;
}

int FindMnemonicPosition(const std::vector<MenuText>& loweredTexts, const MenuText& loweredKey) {
    for (std::size_t i = 0; i < loweredTexts.size(); ++i) {
        if (loweredTexts[i].find(loweredKey) != MenuText::npos) return static_cast<int>(i);
    }
    return -1;
}

int ItemWidth(int textWidth, int imageWidth) {
    return textWidth + 2 * imageWidth + 1;
}

int ItemHeight(int cyMenu, int imageHeight) {
    return std::max(cyMenu, imageHeight + 4);
}

int SeparatorHeight(int cyMenu) {
    return cyMenu / 2;
}

int Win32sTextWidth(int calculatedWidth, std::size_t characters) {
    int width = calculatedWidth + 3;
    if (characters > 0) width += 3 * (width / static_cast<int>(characters));
    return width;
}

ItemLayout LayoutItem(const MenuRect& item, int w, int h) {
    const int l = item.left, t = item.top, r = item.right, b = item.bottom;
    ItemLayout layout;
    layout.dy = std::max(0, (b - t - h - 4) / 2);
    const int top = t + layout.dy;
    layout.highlight = {l + w + 5, t, r, b};
    layout.innerBox = {l + 1, top + 1, l + w + 3, top + h + 3};
    layout.outerBox = {l, top, l + w + 4, top + h + 4};
    layout.imageX = l + 2;
    layout.imageY = top + 2;
    layout.checkBox = {l + 1, top + 2, l + w + 1, top + h + 2};
    layout.textRect = {l + w + 9, t - 1, r, b - 1};
    layout.separatorLine = {l, t + (b - t) / 2, r, b};
    return layout;
}

const std::array<MenuPoint, 21> kTickPixels = {{
    {0, 2}, {0, 3}, {0, 4}, {1, 3}, {1, 4}, {1, 5}, {2, 4}, {2, 5}, {2, 6}, {3, 3}, {3, 4},
    {3, 5}, {4, 2}, {4, 3}, {4, 4}, {5, 1}, {5, 2}, {5, 3}, {6, 0}, {6, 1}, {6, 2},
}};
