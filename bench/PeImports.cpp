#include "bench/PeImports.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::uint32_t Read32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    if (at + 4 > bytes.size()) return 0;
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::uint16_t Read16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    if (at + 2 > bytes.size()) return 0;
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

struct Section {
    std::uint32_t address, size, fileOffset;
};

// File offset of a relative virtual address, or 0 when no section holds it.
std::size_t FileOffset(const std::vector<Section>& sections, std::uint32_t rva) {
    for (const Section& s : sections) {
        if (rva >= s.address && rva < s.address + s.size) return s.fileOffset + (rva - s.address);
    }
    return 0;
}

}  // namespace

PeImage ParsePeImage(const std::vector<std::uint8_t>& bytes) {
    PeImage image;
    image.fileSize = bytes.size();
    if (Read16(bytes, 0) != 0x5A4D)  // "MZ"
        return image;
    const std::size_t pe = Read32(bytes, 0x3C);
    if (Read32(bytes, pe) != 0x00004550)  // "PE\0\0"
        return image;
    const std::size_t coff = pe + 4;
    const std::uint16_t sectionCount = Read16(bytes, coff + 2);
    const std::uint16_t optionalSize = Read16(bytes, coff + 16);
    const std::size_t optional = coff + 20;
    const std::uint16_t magic = Read16(bytes, optional);
    if (magic != 0x20B && magic != 0x10B) return image;
    // The import directory is data directory 1.
    const std::size_t directories = optional + (magic == 0x20B ? 112 : 96);
    const std::uint32_t importRva = Read32(bytes, directories + 8);

    std::vector<Section> sections;
    const std::size_t table = optional + optionalSize;
    for (std::uint16_t i = 0; i < sectionCount; ++i) {
        const std::size_t at = table + i * 40u;
        const std::uint32_t virtualSize = Read32(bytes, at + 8);
        const std::uint32_t rawSize = Read32(bytes, at + 16);
        sections.push_back(
            {Read32(bytes, at + 12), std::max(virtualSize, rawSize), Read32(bytes, at + 20)});
    }
    image.valid = true;
    if (importRva == 0) return image;
    // Import descriptors of 20 bytes each, ended by one of zeros; the name is at +12.
    for (std::size_t at = FileOffset(sections, importRva); at != 0 && at + 20 <= bytes.size();
         at += 20) {
        const std::uint32_t nameRva = Read32(bytes, at + 12);
        if (nameRva == 0) break;
        std::size_t name = FileOffset(sections, nameRva);
        std::string dll;
        while (name != 0 && name < bytes.size() && bytes[name] != 0)
            dll += static_cast<char>(bytes[name++]);
        image.imports.push_back(dll);
    }
    return image;
}

PeImage ReadPeImage(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return ParsePeImage(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}));
}

bool IsSystemDll(const std::string& name) {
    std::string lower;
    for (char c : name)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const char* const kSystem[] = {
        "kernel32.dll", "user32.dll",   "gdi32.dll",   "comctl32.dll", "comdlg32.dll",
        "winspool.drv", "advapi32.dll", "shell32.dll", "ole32.dll",    "msvcrt.dll",
    };
    return std::any_of(std::begin(kSystem), std::end(kSystem),
                       [&](const char* dll) { return lower == dll; }) ||
           lower.rfind("api-ms-win-", 0) == 0;
}
