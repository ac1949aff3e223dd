// The commands that need only settings files: show, diff, new, set and keys.
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "kwctl/Common.h"
#include "kwctl/Commands.h"
#include "kwctl/Plan.h"
#include "res/messages.h"
#include "settings/SettingsCatalog.h"
#include "settings/SettingsFileIo.h"
#include "settings/Utf8.h"

namespace kwctl {
namespace {

using Json = nlohmann::ordered_json;
using catalog::Hex;
using catalog::Kind;
using catalog::Setting;


int Save(const std::string& path, const SettingsRecord& record, Output& output) {
    SaveDetail detail;
    const SaveResult result = WriteSettingsFile(SystemPath(path), record, &detail);
    if (result == SaveResult::Saved) {
        output.Out("saved " + path + "\n");
        return kSuccess;
    }
    // The program's text, then the real reason: access is also denied to a read-only file.
    const std::string reason = SaveProblemText(detail);
    const wchar_t* text =
        result == SaveResult::AccessDenied ? messages::kAccessDenied : messages::kWriteFailed;
    output.Err(path + ": " + ToUtf8(text) +
               (reason.empty() ? "" : " (" + reason + ")") + "\n");
    return kUsage;
}

bool Exists(const std::string& path) {
#ifdef _WIN32
    return ::GetFileAttributesW(SystemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
#endif
}

std::string KindName(Kind kind) {
    switch (kind) {
        case Kind::Option:
            return "option";
        case Kind::Flag:
            return "flag";
        case Kind::Switch:
            return "switch";
        case Kind::Country:
            return "country";
        case Kind::FormNumber:
            return "number";
        case Kind::CarriedDigit:
        case Kind::CarriedSwitch:
            return "carried";
    }
    return "";
}

Json NullOr(const std::string& text) {
    return text.empty() ? Json(nullptr) : Json(text);
}

// What a row is, the same in every JSON output.
Json RowJson(const Setting& s) {
    Json j;
    j["key"] = s.key;
    j["page"] = NullOr(ToUtf8(s.page));
    j["name"] = NullOr(ToUtf8(s.name));
    j["switch"] = NullOr(std::string(s.switchName));
    j["kind"] = KindName(s.kind);
    j["offset"] = s.offset;
    if (s.kind == Kind::FormNumber) {
        j["form"] = s.form;
        j["range"] = {s.lower, s.upper};
    }
    j["settable"] = s.Settable();
    return j;
}

Json SettingJson(const Setting& s, const catalog::Reading& r) {
    Json j = RowJson(s);
    j["text"] = ToUtf8(r.text);
    j["alias"] = NullOr(r.alias);
    j["code"] = r.code;
    j["raw"] = r.raw;
    j["note"] = r.note ? Json(*r.note) : Json(nullptr);
    return j;
}

void ShowJson(const std::string& path, const SettingsRecord& record, Output& output) {
    Json doc;
    doc["file"] = JsonName(path, output);
    doc["record"] = catalog::RecordHex(record);
    Json& settings = doc["settings"] = Json::array();
    for (const Setting& s : catalog::Settings())
        settings.push_back(SettingJson(s, catalog::Read(s, record)));
    output.Out(doc.dump(2) + "\n");
}

std::string FormName(int form) {
    return ToUtf8(std::wstring(L"書式") + wchar_t(L'０' + form));
}

void ShowText(const std::string& path, const SettingsRecord& record, Output& output) {
    std::string text = "file: " + path + "\n";
    std::string notes;
    std::string carried;
    std::wstring_view page;
    for (const Setting& s : catalog::Settings()) {
        const catalog::Reading r = catalog::Read(s, record);
        if (r.note) notes += "  " + std::string(s.key) + ": " + *r.note + "\n";
        if (s.Carried()) {
            carried += " " + std::string(s.key) + "=" + r.raw;
            continue;
        }
        if (s.kind == Kind::FormNumber) continue;  // in the table of the forms
        if (s.page != page) {
            page = s.page;
            text += "\n[" + ToUtf8(page) + "]";
            if (s.mask) text += " " + Hex(record[s.offset]);
            text += "\n";
        }
        text += "  " + Pad(std::string(s.key), 18) + Pad(ToUtf8(r.text), 24) + Pad(r.raw, 6) +
                SettingLabel(s) + "\n";
    }

    text += "\n" + Pad("[" + ToUtf8(L"書式") + "]", 20);
    for (int form = 0; form < 4; ++form)
        text += "  " + FormName(form);
    text += "\n";
    bool fixedShown = false, noteShown = false;
    for (const Setting& first : catalog::Settings()) {
        if (first.kind != Kind::FormNumber || first.form != 0) continue;
        std::string line = "  " + Pad(std::string(FormFieldOf(first.formField).key), 18);
        for (int form = 0; form < 4; ++form) {
            const Setting& s = *catalog::FindFormNumber(form, first.formField);
            const catalog::Reading r = catalog::Read(s, record);
            std::string cell = r.code + (s.fixed ? "*" : r.note ? "!" : " ");
            fixedShown = fixedShown || s.fixed;
            noteShown = noteShown || (!s.fixed && r.note);
            line += std::string(cell.size() < 8 ? 8 - cell.size() : 0, ' ') + cell;
        }
        text += line + "  " + ToUtf8(first.name) + "\n";
    }
    if (fixedShown) text += "  * fixed for " + FormName(0) + "\n";
    if (noteShown) text += "  ! see the notes\n";
    text += "\ncarried (on no page, kept as they are):" + carried + "\n";
    if (!notes.empty()) text += "\nnotes:\n" + notes;
    output.Out(text);
}

std::vector<catalog::Assignment> ParseAssignments(const std::vector<std::string>& texts,
                                                  Output& output, bool& ok) {
    std::vector<catalog::Assignment> list;
    ok = true;
    for (const std::string& text : texts) {
        auto a = catalog::ParseAssignment(text);
        if (!a) {
            output.Err("not KEY=VALUE: '" + text + "'\n");
            ok = false;
            return {};
        }
        list.push_back(std::move(*a));
    }
    return list;
}

constexpr char kJsonHelp[] = "JSON output";
constexpr char kChangesHelp[] = "changes (see kwctl keys)";

struct ShowOptions {
    std::string file;
    bool json = false;
};

void DeclareShow(Arguments& arguments, ShowOptions& options) {
    arguments.Positional("FILE", options.file, "settings file (.dat)");
    arguments.Flag("--json", options.json, kJsonHelp);
}

int Show(const ShowOptions& options, Environment& env) {
    const auto record = LoadSettings(options.file, env.output);
    if (!record) return kUsage;
    if (options.json) {
        ShowJson(options.file, *record, env.output);
    } else {
        ShowText(options.file, *record, env.output);
    }
    return kSuccess;
}

}  // namespace

extern const Command kShowCommand{
    "show", "Every setting of a settings file, page by page, then the four forms.",
    Bind<ShowOptions, DeclareShow, Show>};

namespace {

struct DiffOptions {
    std::string a;
    std::string b;
    bool json = false;
};

void DeclareDiff(Arguments& arguments, DiffOptions& options) {
    arguments.Positional("A", options.a, "first settings file");
    arguments.Positional("B", options.b, "second settings file");
    arguments.Flag("--json", options.json, kJsonHelp);
}

// A setting that differs, as diff's JSON holds it.
Json ChangeJson(const SettingChange& c) {
    const Setting& s = *c.setting;
    const catalog::Reading& ra = c.fromReading;
    const catalog::Reading& rb = c.toReading;
    Json j;
    j["key"] = s.key;
    j["page"] = NullOr(ToUtf8(s.page));
    j["name"] = NullOr(ToUtf8(s.name));
    j["a"] = {{"text", ToUtf8(ra.text)}, {"code", ra.code}, {"raw", ra.raw}};
    j["b"] = {{"text", ToUtf8(rb.text)}, {"code", rb.code}, {"raw", rb.raw}};
    return j;
}

int Diff(const DiffOptions& options, Environment& env) {
    Output& output = env.output;
    const std::string& pathA = options.a;
    const std::string& pathB = options.b;
    const auto a = LoadSettings(pathA, output);
    if (!a) return kUsage;
    const auto b = LoadSettings(pathB, output);
    if (!b) return kUsage;

    Json settings = Json::array();
    Json bytes = Json::array();
    std::string text;
    std::string byteText;
    for (const SettingChange& c : RecordChanges(*a, *b)) {
        if (c.setting) {
            settings.push_back(ChangeJson(c));
            text += "  " + Pad(c.key, 24) + Pad(c.from, 22) + "-> " + c.to + "\n";
            continue;
        }
        // A byte, or bits of one, that no setting shows.
        bytes.push_back({{"offset", c.offset}, {"a", c.from}, {"b", c.to}, {"role", c.name}});
        byteText += "  offset " + Pad(std::to_string(c.offset), 5) + c.from + " -> " + c.to +
                    "  " + c.name + "\n";
    }

    const bool equal = *a == *b;
    if (options.json) {
        Json doc;
        doc["a"] = JsonName(pathA, output);
        doc["b"] = JsonName(pathB, output);
        doc["equal"] = equal;
        doc["settings"] = std::move(settings);
        doc["bytes"] = std::move(bytes);
        output.Out(doc.dump(2) + "\n");
    } else if (equal) {
        output.Out("the records are equal\n");
    } else {
        std::string report = "--- " + pathA + "\n+++ " + pathB + "\n";
        if (!text.empty()) report += "settings:\n" + text;
        if (!byteText.empty()) report += "bytes no setting shows:\n" + byteText;
        output.Out(report);
    }
    return equal ? kSuccess : kDiffers;
}

}  // namespace

extern const Command kDiffCommand{"diff",
                                  "The settings, and the bytes no setting shows, that differ "
                                  "between two settings files. Exit status 0 when equal, 1 when "
                                  "they differ.",
                                  Bind<DiffOptions, DeclareDiff, Diff>};

namespace {

struct NewOptions {
    std::string file;
    std::vector<std::string> changes;
    bool force = false;
};

void DeclareNew(Arguments& arguments, NewOptions& options) {
    arguments.Positional("OUT", options.file, "settings file to write");
    arguments.Rest("KEY=VALUE", options.changes, false, kChangesHelp);
    arguments.Flag("--force", options.force, "replace an existing file");
}

int New(const NewOptions& options, Environment& env) {
    Output& output = env.output;
    const std::string& path = options.file;
    bool ok = false;
    const auto list = ParseAssignments(options.changes, output, ok);
    if (!ok) return kUsage;
    SettingsRecord record = FactoryRecord();
    if (const auto result = catalog::Apply(record, list); !result.ok) {
        output.Err(result.message + "\n");
        return kUsage;
    }
    if (!options.force && Exists(path)) {
        output.Err(path + ": the file exists; use --force to replace it\n");
        return kUsage;
    }
    return Save(path, record, output);
}

}  // namespace

extern const Command kNewCommand{
    "new", "Writes the factory settings, with the changes given, to a new settings file.",
    Bind<NewOptions, DeclareNew, New>};

namespace {

struct SetOptions {
    std::string file;
    std::vector<std::string> changes;
};

void DeclareSet(Arguments& arguments, SetOptions& options) {
    arguments.Positional("FILE", options.file, "settings file to change");
    arguments.Rest("KEY=VALUE", options.changes, true, kChangesHelp);
}

int Set(const SetOptions& options, Environment& env) {
    Output& output = env.output;
    const std::string& path = options.file;
    bool ok = false;
    const auto list = ParseAssignments(options.changes, output, ok);
    if (!ok) return kUsage;
    auto record = LoadSettings(path, output);
    if (!record) return kUsage;
    if (const auto result = catalog::Apply(*record, list); !result.ok) {
        output.Err(result.message + "\n");
        return kUsage;
    }
    return Save(path, *record, output);
}

}  // namespace

extern const Command kSetCommand{"set",
                                 "Changes settings of a settings file. Nothing is written unless "
                                 "every change is valid.",
                                 Bind<SetOptions, DeclareSet, Set>};

namespace {

struct KeysOptions {
    bool json = false;
};

void DeclareKeys(Arguments& arguments, KeysOptions& options) {
    arguments.Flag("--json", options.json, kJsonHelp);
}

int Keys(const KeysOptions& options, Environment& env) {
    Json doc = Json::array();
    std::string text;
    for (const Setting& s : catalog::Settings()) {
        Json j = RowJson(s);
        std::string values;
        if (s.kind == Kind::FormNumber) {
            values = std::to_string(s.lower) + ".." + std::to_string(s.upper);
        }
        if (!s.choices.empty()) {
            Json& choices = j["choices"] = Json::array();
            for (const catalog::Choice& c : s.choices) {
                choices.push_back({{"text", ToUtf8(c.text)}, {"alias", c.alias}, {"code", c.code}});
                values += (values.empty() ? "" : " | ") + ToUtf8(c.text) + " (" +
                          std::string(c.alias) + ", " + std::string(c.code) + ")";
            }
        }
        if (!s.Settable()) values = s.fixed ? "fixed, read only" : "carried, read only";
        doc.push_back(std::move(j));
        std::string where = ToUtf8(s.page);
        const std::string label = SettingLabel(s);
        if (!label.empty()) where += (where.empty() ? "" : " / ") + label;
        if (s.kind == Kind::FormNumber) where += " / " + FormName(s.form);
        if (where.empty()) where = "offset " + std::to_string(s.offset) + ", on no page";
        text += Pad(std::string(s.key), 24) + values + "\n" + std::string(24, ' ') + where + "\n";
    }
    env.output.Out(options.json ? doc.dump(2) + "\n" : text);
    return kSuccess;
}

}  // namespace

extern const Command kKeysCommand{"keys", "Every key with its choices or range.",
                                  Bind<KeysOptions, DeclareKeys, Keys>};

}  // namespace kwctl
