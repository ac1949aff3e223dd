// The size and the imported DLLs of a Windows executable, read from its file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PeImage {
    bool valid = false;
    std::uint64_t fileSize = 0;
    std::vector<std::string> imports;  // DLL names as the import table spells them
};

// Reads the import directory of a PE32+ or PE32 image held in `bytes`.
PeImage ParsePeImage(const std::vector<std::uint8_t>& bytes);
PeImage ReadPeImage(const std::wstring& path);

// True for the DLLs that every Windows installation has (case-insensitive).
bool IsSystemDll(const std::string& name);
