#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <initializer_list>
#include <ios>
#include <optional>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "settings/Fields.h"
#include "settings/FileReplaceCalls.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsFileIo.h"
#include "settings/SettingsRecord.h"
#include "tests/win/rig/Printers.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

SettingsRecord SampleRecord() {
    SettingsRecord r = FactoryRecord();
    r[field::kMsw1] = ',';
    r[field::kMsw2] = '.';
    r[field::kMsw3] = 0x00;
    r[179] = 0xFF;
    return r;
}

Bytes ImageOf(const SettingsRecord& record) {
    const SettingsFileImage image = EncodeSettingsFile(record);
    return Bytes(image.begin(), image.end());
}

// `bytes` followed by `fill` up to `size` bytes.
Bytes WithTail(const Bytes& bytes, std::size_t size, std::uint8_t fill) {
    Bytes out(size, fill);
    std::copy(bytes.begin(), bytes.end(), out.begin());
    return out;
}

void WriteRaw(const std::wstring& path, const Bytes& bytes) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file) << "cannot create " << ::GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(
        ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    ASSERT_EQ(written, bytes.size());
}

Bytes ReadRaw(const std::wstring& path) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    Bytes bytes(4096);
    DWORD got = 0;
    if (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) {
        return {};
    }
    bytes.resize(got);
    return bytes;
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Names of the files in `folder` (with its trailing backslash).
std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data{};
    UniqueFindHandle find(::FindFirstFileW((folder + L"*").c_str(), &data));
    if (!find) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (::FindNextFileW(find.get(), &data));
    return names;
}

// Each test works in a folder of its own, so that left-over files show.
class SettingsFileIoTest : public testing::Test {
protected:
    void SetUp() override {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = info->name();
        m_folder = rig::TestDir() + std::wstring(name.begin(), name.end()) + L"\\";
        ASSERT_TRUE(::CreateDirectoryW(m_folder.c_str(), nullptr) ||
                    ::GetLastError() == ERROR_ALREADY_EXISTS);
    }
    std::wstring Path(const wchar_t* name) const { return m_folder + name; }

    std::wstring m_folder;
};

TEST_F(SettingsFileIoTest, SavedFileIsTheImageAndLoadsBack) {
    const SettingsRecord record = SampleRecord();
    const std::wstring path = Path(L"new.dat");
    ASSERT_EQ(WriteSettingsFile(path, record), SaveResult::Saved);
    EXPECT_EQ(ReadRaw(path), ImageOf(record));
    EXPECT_EQ(FilesIn(m_folder), std::vector<std::wstring>{L"new.dat"}) << "a temporary was left";

    SettingsRecord loaded = FactoryRecord();
    ASSERT_TRUE(ReadSettingsFile(path, loaded));
    EXPECT_EQ(loaded, record);

    // Another reader that shares reading does not stop a load.
    UniqueFile other(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(other);
    loaded = FactoryRecord();
    EXPECT_TRUE(ReadSettingsFile(path, loaded));
    EXPECT_EQ(loaded, record);
}

TEST_F(SettingsFileIoTest, SavingOverALongerFileLeavesNoTail) {
    const std::wstring plain = Path(L"plain.dat");
    WriteRaw(plain, Bytes(500, 'x'));
    // Someone else's file that happens to have the temporary's name stays as it is.
    const std::wstring bystander = Path(L"~kw0");
    WriteRaw(bystander, Bytes(3, 'b'));
    ASSERT_EQ(WriteSettingsFile(plain, SampleRecord()), SaveResult::Saved);
    EXPECT_EQ(ReadRaw(plain), ImageOf(SampleRecord()));
    EXPECT_EQ(ReadRaw(bystander), Bytes(3, 'b'));

    // A settings file with a tail behind it, saved again with another record.
    const std::wstring tailed = Path(L"tailed.dat");
    const Bytes old = WithTail(ImageOf(FactoryRecord()), 500, 0xEE);
    WriteRaw(tailed, old);
    ASSERT_EQ(WriteSettingsFile(tailed, SampleRecord()), SaveResult::Saved);
    EXPECT_EQ(ReadRaw(tailed), ImageOf(SampleRecord()));
}

TEST_F(SettingsFileIoTest, LongerFileLoadsItsFirstRecord) {
    const std::wstring path = Path(L"long.dat");
    WriteRaw(path, WithTail(ImageOf(SampleRecord()), 500, 'z'));
    SettingsRecord loaded = FactoryRecord();
    ASSERT_TRUE(ReadSettingsFile(path, loaded));
    EXPECT_EQ(loaded, SampleRecord());
}

TEST_F(SettingsFileIoTest, FilesThatAreNoSettingsFileAreRefusedAndTheRecordKept) {
    Bytes otherModel = ImageOf(SampleRecord());
    otherModel[12] = '5';  // "Brelvistoka 510ZQ\n"
    const Bytes full = ImageOf(SampleRecord());
    const struct {
        const wchar_t* name;
        Bytes bytes;
    } cases[] = {
        {L"other.dat", otherModel},
        {L"empty.dat", {}},
        {L"notes.txt", Bytes{'m', 'e', 'm', 'o', '\r', '\n', 'o', 'k', '\r', '\n'}},
        {L"header.dat", Bytes(full.begin(), full.begin() + 19)},
        {L"short.dat", Bytes(full.begin(), full.begin() + 150)},
        {L"almost.dat", Bytes(full.begin(), full.end() - 1)},
    };
    for (const auto& c : cases) {
        const std::wstring path = Path(c.name);
        WriteRaw(path, c.bytes);
        SettingsRecord record = FactoryRecord();
        record[2] = '7';
        const SettingsRecord before = record;
        EXPECT_FALSE(ReadSettingsFile(path, record))
            << std::string(c.name, c.name + wcslen(c.name));
        EXPECT_EQ(record, before) << "record changed by a refused file";
    }
    SettingsRecord record = FactoryRecord();
    EXPECT_FALSE(ReadSettingsFile(Path(L"missing.dat"), record));
    EXPECT_EQ(record, FactoryRecord());
}

TEST_F(SettingsFileIoTest, ReadOnlyTargetIsAccessDeniedAndKeptAsItWas) {
    const std::wstring path = Path(L"locked.dat");
    const Bytes old = WithTail(ImageOf(FactoryRecord()), 300, 0x5A);
    WriteRaw(path, old);
    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));

    SaveDetail detail;
    EXPECT_EQ(WriteSettingsFile(path, SampleRecord(), &detail), SaveResult::AccessDenied);
    EXPECT_EQ(detail.problem, SaveProblem::ReadOnlyFile) << "the access text, but not the reason";
    EXPECT_EQ(ReadRaw(path), old);
    EXPECT_EQ(FilesIn(m_folder), std::vector<std::wstring>{L"locked.dat"})
        << "the temporary file was left behind";

    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
}

TEST_F(SettingsFileIoTest, FailedReplaceLeavesTheTargetAndNoTemporary) {
    const std::wstring path = Path(L"busy.dat");
    const Bytes old = WithTail(ImageOf(FactoryRecord()), 250, 0x33);
    WriteRaw(path, old);
    // Held open by someone who lets others read and write but not delete or rename it.
    UniqueFile holder(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);

    EXPECT_NE(WriteSettingsFile(path, SampleRecord()), SaveResult::Saved);
    holder.reset();
    EXPECT_EQ(ReadRaw(path), old);
    EXPECT_EQ(FilesIn(m_folder), std::vector<std::wstring>{L"busy.dat"});
}

TEST_F(SettingsFileIoTest, TargetHeldOpenWithoutSharingFailsAndStaysAsItWas) {
    const std::wstring path = Path(L"held.dat");
    const Bytes old = WithTail(ImageOf(FactoryRecord()), 210, 0x44);
    WriteRaw(path, old);
    UniqueFile holder(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);

    SaveDetail detail;
    EXPECT_EQ(WriteSettingsFile(path, SampleRecord(), &detail), SaveResult::Failed);
    EXPECT_EQ(detail.problem, SaveProblem::InUse);
    holder.reset();
    EXPECT_EQ(ReadRaw(path), old);
    EXPECT_EQ(FilesIn(m_folder), std::vector<std::wstring>{L"held.dat"});
}

TEST_F(SettingsFileIoTest, ReplacedFileKeepsItsAttributes) {
    const std::wstring hidden = Path(L"hidden.dat");
    const std::wstring plain = Path(L"plain.dat");
    WriteRaw(hidden, Bytes(300, 'h'));
    WriteRaw(plain, Bytes(300, 'p'));
    ASSERT_TRUE(
        ::SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_TRUE(::SetFileAttributesW(plain.c_str(), FILE_ATTRIBUTE_NORMAL));

    for (const std::wstring& path : {hidden, plain}) {
        ASSERT_EQ(WriteSettingsFile(path, SampleRecord()), SaveResult::Saved);
        EXPECT_EQ(ReadRaw(path), ImageOf(SampleRecord()));
    }
    const DWORD kept = ::GetFileAttributesW(hidden.c_str());
    EXPECT_TRUE(kept & FILE_ATTRIBUTE_HIDDEN) << std::hex << kept;
    EXPECT_TRUE(kept & FILE_ATTRIBUTE_ARCHIVE) << std::hex << kept;
    EXPECT_FALSE(::GetFileAttributesW(plain.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(FilesIn(m_folder).size(), 2u) << "a temporary was left";
}

// After a replace, the marks the user gave the old file come back, archive is set, and every
// other attribute stays as the new file has it; a file that needs nothing is left alone.
TEST(SettingsFileAttributesTest, OnlyHiddenSystemAndNotIndexedAreCarried) {
    constexpr DWORD kHidden = FILE_ATTRIBUTE_HIDDEN, kSystem = FILE_ATTRIBUTE_SYSTEM,
                    kArchive = FILE_ATTRIBUTE_ARCHIVE, kTemporary = FILE_ATTRIBUTE_TEMPORARY,
                    kOffline = FILE_ATTRIBUTE_OFFLINE,
                    kNotIndexed = FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const struct {
        DWORD replaced;
        DWORD current;
        std::optional<DWORD> set;
    } cases[] = {
        // Nothing carried over, as under Wine or after a move.
        {kHidden | kArchive, kArchive, kHidden | kArchive},
        {kSystem | kHidden | kNotIndexed, FILE_ATTRIBUTE_NORMAL,
         kSystem | kHidden | kNotIndexed | kArchive},
        {kHidden, INVALID_FILE_ATTRIBUTES, kHidden | kArchive},
        // The old file's other attributes are not the new file's.
        {FILE_ATTRIBUTE_READONLY | kTemporary | kOffline, FILE_ATTRIBUTE_NORMAL, kArchive},
        // What the new file has stays; attributes that cannot be set are not asked for.
        {kHidden, kTemporary | kOffline | kArchive, kTemporary | kOffline | kHidden | kArchive},
        {kHidden, FILE_ATTRIBUTE_COMPRESSED | kArchive, kHidden | kArchive},
        // Everything in place already, as Windows leaves a replaced file.
        {kHidden | kTemporary, kHidden | kTemporary | kArchive, std::nullopt},
        {FILE_ATTRIBUTE_NORMAL, kArchive, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AttributesToSet(c.replaced, c.current), c.set)
            << std::hex << c.replaced << " " << c.current;
    }
}

// A path as a command line gives it: relative, or with "." in it, onto the file itself.
TEST_F(SettingsFileIoTest, RelativePathsSaveOntoTheSameFile) {
    wchar_t previous[MAX_PATH] = {};
    ASSERT_TRUE(::GetCurrentDirectoryW(MAX_PATH, previous));
    ASSERT_TRUE(::SetCurrentDirectoryW(m_folder.c_str()));
    const SaveResult created = WriteSettingsFile(L".\\self.dat", FactoryRecord());
    const SaveResult replaced = WriteSettingsFile(L"self.dat", SampleRecord());
    ::SetCurrentDirectoryW(previous);

    EXPECT_EQ(created, SaveResult::Saved);
    EXPECT_EQ(replaced, SaveResult::Saved);
    EXPECT_EQ(ReadRaw(Path(L"self.dat")), ImageOf(SampleRecord()));
    EXPECT_EQ(FilesIn(m_folder), std::vector<std::wstring>{L"self.dat"});
}

// Deeper than MAX_PATH characters.
TEST_F(SettingsFileIoTest, DeepFolderBeyondMaxPath) {
    std::wstring folder = m_folder;
    for (wchar_t c = L'a'; folder.size() <= MAX_PATH; ++c) {
        folder += std::wstring(60, c) + L"\\";
        ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr)) << ::GetLastError();
    }
    const std::wstring path = folder + L"deep.dat";
    ASSERT_EQ(WriteSettingsFile(path, FactoryRecord()), SaveResult::Saved);
    ASSERT_EQ(WriteSettingsFile(path, SampleRecord()), SaveResult::Saved);
    SettingsRecord loaded = FactoryRecord();
    ASSERT_TRUE(ReadSettingsFile(path, loaded));
    EXPECT_EQ(loaded, SampleRecord());
    EXPECT_EQ(FilesIn(folder), std::vector<std::wstring>{L"deep.dat"});
}

TEST_F(SettingsFileIoTest, FolderAsTargetIsAccessDenied) {
    const std::wstring path = Path(L"folder.dat");
    ASSERT_TRUE(::CreateDirectoryW(path.c_str(), nullptr));
    SaveDetail detail;
    EXPECT_EQ(WriteSettingsFile(path, SampleRecord(), &detail), SaveResult::AccessDenied);
    EXPECT_EQ(detail.problem, SaveProblem::NotAFile);
    EXPECT_TRUE(FilesIn(m_folder).empty());
}

TEST_F(SettingsFileIoTest, MissingFolderFailsWithoutCreatingAnything) {
    const std::wstring path = Path(L"nowhere\\x.dat");
    SaveDetail detail;
    EXPECT_EQ(WriteSettingsFile(path, SampleRecord(), &detail), SaveResult::Failed);
    EXPECT_EQ(detail.problem, SaveProblem::FolderMissing);
    EXPECT_FALSE(Exists(path));
    EXPECT_TRUE(FilesIn(m_folder).empty());
}

// Each way the replace can fail, as the system documents it, made to happen by stand-ins for
// the file calls: afterwards the target holds the old or exactly the new file, and nothing else
// is left beside it unless it holds content that could not be put back under the target's name.
enum class Content { None, Old, New, Other };

struct ReplaceStandIns {
    enum class Move { Works, Fails, FailsFromBackup } move = Move::Works;
    bool deleteFails = false;
    std::wstring backup;  // as the replace was given it
};
ReplaceStandIns g_standIns;

BOOL WINAPI StandInMove(const wchar_t* from, const wchar_t* to, DWORD flags) {
    using Move = ReplaceStandIns::Move;
    if (g_standIns.move == Move::Fails ||
        (g_standIns.move == Move::FailsFromBackup && from == g_standIns.backup)) {
        ::SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    return ScopedFileReplaceCallsForTesting::kReal.moveFileEx(from, to, flags);
}

BOOL WINAPI StandInDelete(const wchar_t* path) {
    if (!g_standIns.deleteFails) return ScopedFileReplaceCallsForTesting::kReal.deleteFile(path);
    ::SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

BOOL Fail(DWORD error) {
    ::SetLastError(error);
    return FALSE;
}

// ERROR_UNABLE_TO_REMOVE_REPLACED: both files keep their names.
BOOL WINAPI Replace1175(const wchar_t*, const wchar_t*, const wchar_t* backup, DWORD, void*,
                        void*) {
    g_standIns.backup = backup ? backup : L"";
    return Fail(ERROR_UNABLE_TO_REMOVE_REPLACED);
}

// As Wine fails: the backup file is created before the replaced file refuses to move.
BOOL WINAPI Replace1175EmptyBackup(const wchar_t*, const wchar_t*, const wchar_t* backup, DWORD,
                                   void*, void*) {
    g_standIns.backup = backup ? backup : L"";
    if (backup) WriteRaw(backup, {});
    return Fail(ERROR_UNABLE_TO_REMOVE_REPLACED);
}

// ERROR_UNABLE_TO_MOVE_REPLACEMENT with a backup name: both files keep their names.
BOOL WINAPI Replace1176(const wchar_t*, const wchar_t*, const wchar_t* backup, DWORD, void*,
                        void*) {
    g_standIns.backup = backup ? backup : L"";
    return Fail(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
}

// ERROR_UNABLE_TO_MOVE_REPLACEMENT as without a backup name: the replaced file is gone.
BOOL WINAPI Replace1176TargetGone(const wchar_t* replaced, const wchar_t*, const wchar_t* backup,
                                  DWORD, void*, void*) {
    g_standIns.backup = backup ? backup : L"";
    ScopedFileReplaceCallsForTesting::kReal.deleteFile(replaced);
    return Fail(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
}

// ERROR_UNABLE_TO_MOVE_REPLACEMENT_2: the replaced file has the backup name (or another one
// when no backup name was given).
BOOL WINAPI Replace1177(const wchar_t* replaced, const wchar_t*, const wchar_t* backup, DWORD,
                        void*, void*) {
    g_standIns.backup = backup ? backup : std::wstring(replaced) + L".moved";
    ScopedFileReplaceCallsForTesting::kReal.moveFileEx(replaced, g_standIns.backup.c_str(), 0);
    return Fail(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
}

// The new file took the target's name, and the call still failed.
BOOL WINAPI ReplaceThenFail(const wchar_t* replaced, const wchar_t* replacement,
                            const wchar_t* backup, DWORD flags, void*, void*) {
    g_standIns.backup = backup ? backup : L"";
    ScopedFileReplaceCallsForTesting::kReal.replaceFile(replaced, replacement, backup, flags,
                                                        nullptr, nullptr);
    return Fail(ERROR_ACCESS_DENIED);
}

BOOL WINAPI ReplaceWorks(const wchar_t* replaced, const wchar_t* replacement, const wchar_t* backup,
                         DWORD flags, void*, void*) {
    g_standIns.backup = backup ? backup : L"";
    return ScopedFileReplaceCallsForTesting::kReal.replaceFile(replaced, replacement, backup, flags,
                                                               nullptr, nullptr);
}

TEST_F(SettingsFileIoTest, FailedReplaceNeverLosesTheFile) {
    using enum ReplaceStandIns::Move;
    using enum SaveResult;
    using enum Content;
    constexpr bool kDeleteFails = true;
    const struct {
        const wchar_t* name;
        FileReplaceCalls::ReplaceFileFn replace;
        ReplaceStandIns::Move move;
        bool deleteFails;
        SaveResult result;
        Content target;
        std::vector<Content> others;  // what the files left beside the target hold
    } cases[] = {
        {L"1175", Replace1175, Works, false, Failed, Old, {}},
        {L"1175-empty-backup", Replace1175EmptyBackup, Works, false, Failed, Old, {}},
        {L"1175-delete-fails", Replace1175, Works, kDeleteFails, Failed, Old, {New}},
        {L"1176", Replace1176, Works, false, Failed, Old, {}},
        {L"1176-gone", Replace1176TargetGone, Works, false, Saved, New, {}},
        {L"1176-gone-move-fails", Replace1176TargetGone, Fails, false, Failed, None, {New}},
        {L"1177", Replace1177, Works, false, Failed, Old, {}},
        {L"1177-restore-fails", Replace1177, FailsFromBackup, false, Saved, New, {}},
        {L"1177-moves-fail", Replace1177, Fails, false, Failed, None, {Old, New}},
        {L"1177-delete-fails", Replace1177, Works, kDeleteFails, Failed, Old, {New}},
        {L"moved-then-failed", ReplaceThenFail, Works, false, Saved, New, {}},
        {L"backup-delete-fails", ReplaceWorks, Works, kDeleteFails, Saved, New, {Old}},
    };
    const Bytes oldBytes = WithTail(ImageOf(FactoryRecord()), 250, 0x33);
    const Bytes newBytes = ImageOf(SampleRecord());
    const auto contentOf = [&](const std::wstring& path) {
        if (!Exists(path)) return None;
        const Bytes bytes = ReadRaw(path);
        return bytes == oldBytes ? Old : bytes == newBytes ? New : Other;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
        const std::wstring folder = m_folder + c.name + L"\\";
        ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
        const std::wstring target = folder + L"settings.dat";
        WriteRaw(target, oldBytes);

        g_standIns = {c.move, c.deleteFails, L""};
        SaveResult result;
        SaveDetail detail;
        {
            ScopedFileReplaceCallsForTesting scope({c.replace, StandInMove, StandInDelete});
            result = WriteSettingsFile(target, SampleRecord(), &detail);
        }
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(contentOf(target), c.target);
        std::vector<Content> others;
        for (const std::wstring& name : FilesIn(folder)) {
            if (name != L"settings.dat") others.push_back(contentOf(folder + name));
        }
        std::sort(others.begin(), others.end());
        EXPECT_EQ(others, c.others);
        // The caller learns what was kept, and where.
        EXPECT_EQ(!detail.keptOld.empty() + !detail.keptNew.empty(), others.size());
        EXPECT_TRUE(detail.keptOld.empty() || contentOf(detail.keptOld) == Old);
        EXPECT_TRUE(detail.keptNew.empty() || contentOf(detail.keptNew) == New);
        EXPECT_EQ(detail.problem == SaveProblem::NotPutBack, c.target == None);
    }
}

std::vector<std::wstring> g_namesPassed;

BOOL WINAPI RecordingReplace(const wchar_t* replaced, const wchar_t* replacement,
                             const wchar_t* backup, DWORD flags, void*, void*) {
    g_namesPassed.insert(g_namesPassed.end(), {replacement, backup ? backup : L""});
    return ScopedFileReplaceCallsForTesting::kReal.replaceFile(replaced, replacement, backup, flags,
                                                               nullptr, nullptr);
}

BOOL WINAPI RecordingMove(const wchar_t* from, const wchar_t* to, DWORD flags) {
    g_namesPassed.push_back(from);
    return ScopedFileReplaceCallsForTesting::kReal.moveFileEx(from, to, flags);
}

// A target path of MAX_PATH - 1 characters works without long-path support, and so must the
// names of the save's own files beside it, however short the target's name.
TEST_F(SettingsFileIoTest, FilesBesideTheTargetStayWithinMaxPath) {
    for (const std::wstring name : {L"a", L"ab.d", L"settings.dat"}) {
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        const std::size_t padding = MAX_PATH - 1 - name.size() - m_folder.size() - 1;
        const std::wstring folder = m_folder + std::wstring(padding, name[0]) + L"\\";
        ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr)) << ::GetLastError();
        const std::wstring target = folder + name;
        ASSERT_EQ(target.size(), MAX_PATH - 1u);

        g_namesPassed.clear();
        {
            ScopedFileReplaceCallsForTesting scope(
                {RecordingReplace, RecordingMove,
                 ScopedFileReplaceCallsForTesting::kReal.deleteFile});
            ASSERT_EQ(WriteSettingsFile(target, FactoryRecord()), SaveResult::Saved);
            ASSERT_EQ(WriteSettingsFile(target, SampleRecord()), SaveResult::Saved);
        }
        ASSERT_EQ(g_namesPassed.size(), 3u) << "a move, then a replace with a backup";
        for (const std::wstring& passed : g_namesPassed) {
            EXPECT_FALSE(passed.empty());
            EXPECT_LT(passed.size(), std::size_t{MAX_PATH}) << passed.size();
            EXPECT_EQ(passed.rfind(L'\\'), folder.size() - 1) << "not in the target's folder";
        }
        EXPECT_EQ(ReadRaw(target), ImageOf(SampleRecord()));
        EXPECT_EQ(FilesIn(folder), std::vector<std::wstring>{name});
    }
}

// Unix permission bits do not stop root, and Wine enforces no ACLs on files, so a folder
// that nobody may write is borrowed from sysfs, which refuses new files with EACCES.
TEST(SettingsFileIoFolderTest, FolderWithoutWriteAccessIsAccessDenied) {
    const std::wstring folder = L"Z:\\sys\\";
    const std::wstring probe = folder + L"kw-probe.dat";
    UniqueFile created(::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (created || ::GetLastError() != ERROR_ACCESS_DENIED) {
        GTEST_SKIP() << "no folder without write access here (error " << ::GetLastError() << ")";
    }
    SaveDetail detail;
    EXPECT_EQ(WriteSettingsFile(folder + L"settings.dat", SampleRecord(), &detail),
              SaveResult::AccessDenied);
    EXPECT_EQ(detail.problem, SaveProblem::FolderNotWritable);
    EXPECT_FALSE(Exists(folder + L"settings.dat"));
}

}  // namespace
