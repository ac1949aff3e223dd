#include <cstring>
#include <string>

#include "settings/SettingsFileIo.h"
#include "settings/Utf8.h"

namespace {

// The last part of a path, as UTF-8 on Windows and as its bytes elsewhere.
std::string NameOf(const FilePath& path) {
#ifdef _WIN32
    const std::size_t slash = path.find_last_of(L"\\/");
    return ToUtf8(slash == FilePath::npos ? path : path.substr(slash + 1));
#else
    const std::size_t slash = path.rfind('/');
    return slash == FilePath::npos ? path : path.substr(slash + 1);
#endif
}

std::string ReasonOf(const SaveDetail& detail) {
    switch (detail.problem) {
        case SaveProblem::None:
            return "";
        case SaveProblem::ReadOnlyFile:
            return "the file is read-only";
        case SaveProblem::NotAFile:
            return "the name belongs to a folder or device, not a file";
        case SaveProblem::FileAccessDenied:
            return "access to the file is denied";
        case SaveProblem::FolderNotWritable:
            return "the folder does not allow new files";
        case SaveProblem::FolderMissing:
            return "the folder does not exist";
        case SaveProblem::InUse:
            return "the file is in use by another program";
        case SaveProblem::ReadOnlyDisk:
            return "the disk is read-only";
        case SaveProblem::DiskFull:
            return "the disk is full";
        case SaveProblem::NotPutBack:
            return "the system moved the file away and it could not be put back";
        case SaveProblem::Other:
            break;
    }
#ifdef _WIN32
    return "system error " + std::to_string(detail.systemError);
#else
    return std::strerror(static_cast<int>(detail.systemError));
#endif
}

}  // namespace

std::string SaveProblemText(const SaveDetail& detail) {
    std::string text = ReasonOf(detail);
    const auto add = [&](const std::string& part) { text += (text.empty() ? "" : "; ") + part; };
    if (!detail.keptOld.empty()) add("the old settings are kept in " + NameOf(detail.keptOld));
    if (!detail.keptNew.empty()) add("the new settings are kept in " + NameOf(detail.keptNew));
    return text;
}
