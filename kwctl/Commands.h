// The commands of kwctl; each writes its results and errors to the output and returns its exit
// status. Paths and values are UTF-8.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "kwctl/Kwctl.h"
#include "settings/SettingsRecord.h"

namespace kwctl {

int Show(const std::string& path, bool json, Output& output);
int Diff(const std::string& pathA, const std::string& pathB, bool json, Output& output);
int New(const std::string& path, const std::vector<std::string>& assignments, bool force,
        Output& output);
int Set(const std::string& path, const std::vector<std::string>& assignments, Output& output);
int Keys(bool json, Output& output);

#ifdef _WIN32
int Printers(bool json, Environment& env);
struct SendOptions {
    std::string file;
    std::vector<std::string> printers;
    bool all = false;
    bool dryRun = false;
    bool json = false;
};
int Send(const SendOptions& options, Environment& env);
#endif

// The record of a settings file, or nothing, after the program's own message on the errors.
std::optional<SettingsRecord> LoadSettings(const std::string& path, Output& output);

// Text padded with spaces to `width` columns of a terminal, where East Asian wide characters
// take two columns.
std::string Pad(const std::string& utf8, std::size_t width);

}  // namespace kwctl
