// Settings files on disk in the native build: names that are no regular file, links, long names
// and the reasons a save gives.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "settings/Fields.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsFileIo.h"
#include "settings/ShortName.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ImageOf(const SettingsRecord& record) {
    const SettingsFileImage image = EncodeSettingsFile(record);
    return Bytes(image.begin(), image.end());
}

SettingsRecord SampleRecord() {
    SettingsRecord r = FactoryRecord();
    r[field::kMsw1] = ',';
    r[179] = 0xFF;
    return r;
}

void WriteRaw(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadRaw(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::set<std::string> NamesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

bool IsLink(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

class SettingsFileIoPosixTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "kw-io-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern + "/";
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }
    std::string m_folder;
};

// A read that blocks would hang the whole test run, so it runs on a thread of its own; a FIFO
// that it waits on is opened for writing, which lets it go, and the case fails.
bool ReadsWithin(const std::string& path, SettingsRecord& record, bool& blocked) {
    std::packaged_task<bool()> task([&] { return ReadSettingsFile(path, record); });
    std::future<bool> result = task.get_future();
    std::thread reader(std::move(task));
    blocked = result.wait_for(std::chrono::seconds(5)) != std::future_status::ready;
    if (blocked) ::close(::open(path.c_str(), O_WRONLY | O_NONBLOCK));
    reader.join();
    return result.get();
}

TEST_F(SettingsFileIoPosixTest, NamesThatAreNoRegularFileAreNoSettingsFile) {
    const std::string fifo = m_folder + "fifo.dat";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = m_folder + "folder.dat";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    const std::string socketPath = m_folder + "socket.dat";
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof(address.sun_path));
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    const std::string linkToFifo = m_folder + "fifo-link.dat";
    ASSERT_EQ(::symlink("fifo.dat", linkToFifo.c_str()), 0);

    for (const std::string& path : {fifo, folder, socketPath, linkToFifo, std::string("/dev/null"),
                                    std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        SettingsRecord record = SampleRecord();
        bool blocked = false;
        EXPECT_FALSE(ReadsWithin(path, record, blocked));
        EXPECT_FALSE(blocked) << "the read waited";
        EXPECT_EQ(record, SampleRecord()) << "record changed by a refused file";
        if (path.starts_with(m_folder)) {
            SaveDetail detail;
            EXPECT_EQ(WriteSettingsFile(path, SampleRecord(), &detail), SaveResult::AccessDenied);
            EXPECT_EQ(detail.problem, SaveProblem::NotAFile);
        }
    }
    ::close(listener);
    struct stat info;
    ASSERT_EQ(::lstat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "the FIFO was replaced";
}

TEST_F(SettingsFileIoPosixTest, SavingThroughALinkWritesItsTargetAndKeepsTheLink) {
    ASSERT_EQ(::mkdir((m_folder + "real").c_str(), 0700), 0);
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> links;  // link, what it holds
        std::string saved;                                       // the name given to the save
        std::string target;                                      // where the bytes must land
    } cases[] = {
        {"relative", {{"rel.dat", "real/a.dat"}}, "rel.dat", "real/a.dat"},
        {"absolute", {{"abs.dat", m_folder + "real/b.dat"}}, "abs.dat", "real/b.dat"},
        {"chain", {{"real/c2.dat", "c.dat"}, {"c1.dat", "real/c2.dat"}}, "c1.dat", "real/c.dat"},
        {"up", {{"real/up.dat", "../d.dat"}}, "real/up.dat", "d.dat"},
        {"dangling", {{"new.dat", "real/new-target.dat"}}, "new.dat", "real/new-target.dat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string target = m_folder + c.target;
        if (std::string(c.name) != "dangling") WriteRaw(target, Bytes(300, 'o'));
        for (const auto& [link, text] : c.links) {
            ASSERT_EQ(::symlink(text.c_str(), (m_folder + link).c_str()), 0) << link;
        }
        ASSERT_EQ(WriteSettingsFile(m_folder + c.saved, SampleRecord()), SaveResult::Saved);
        EXPECT_EQ(ReadRaw(target), ImageOf(SampleRecord()));
        for (const auto& link : c.links)
            EXPECT_TRUE(IsLink(m_folder + link.first)) << link.first;

        SettingsRecord loaded = FactoryRecord();
        EXPECT_TRUE(ReadSettingsFile(m_folder + c.saved, loaded));
        EXPECT_EQ(loaded, SampleRecord());
    }
    // Nothing but the links and their targets.
    EXPECT_EQ(NamesIn(m_folder),
              (std::set<std::string>{"abs.dat", "c1.dat", "d.dat", "new.dat", "real", "rel.dat"}));
    EXPECT_EQ(
        NamesIn(m_folder + "real"),
        (std::set<std::string>{"a.dat", "b.dat", "c.dat", "c2.dat", "new-target.dat", "up.dat"}));
}

// kwctl prints the reason after the program's text; a read-only file is the case the program's
// access text does not tell apart. Root writes any file, so that case needs another user.
TEST_F(SettingsFileIoPosixTest, FailedSavesSayWhy) {
    const std::string readOnly = m_folder + "read-only.dat";
    WriteRaw(readOnly, Bytes(10, 'r'));
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    SaveDetail detail;
    if (::geteuid() != 0) {
        EXPECT_EQ(WriteSettingsFile(readOnly, SampleRecord(), &detail), SaveResult::AccessDenied);
        EXPECT_EQ(detail.problem, SaveProblem::ReadOnlyFile);
        EXPECT_EQ(ReadRaw(readOnly), Bytes(10, 'r'));
    }
    EXPECT_EQ(WriteSettingsFile(m_folder + "nowhere/x.dat", SampleRecord(), &detail),
              SaveResult::Failed);
    EXPECT_EQ(detail.problem, SaveProblem::FolderMissing);

    // The files kept are named without their folder, which the message names already.
    detail = {SaveProblem::NotPutBack, 0, m_folder + "~kw1", m_folder + "~kw0"};
    const std::string text = SaveProblemText(detail);
    EXPECT_NE(text.find("old settings are kept in ~kw1; the new settings are kept in ~kw0"),
              std::string::npos)
        << text;
}

// The names a save gives its files beside the target: never longer than the target's own name,
// all different, as many as the length allows up to the hundred a save tries.
TEST(ShortNameTest, NamesFitTheTargetsLengthAndDiffer) {
    for (std::size_t length : {1u, 2u, 3u, 4u, 5u, 12u, 255u}) {
        std::set<std::string> names;
        for (std::size_t n = 0; n < 100; ++n) {
            const std::string name = ShortName(n, length);
            if (name.empty()) break;
            EXPECT_LE(name.size(), length) << name;
            EXPECT_EQ(name.find_first_of("/\\:*?\"<>|"), std::string::npos) << name;
            names.insert(name);
            EXPECT_EQ(names.size(), n + 1) << name << " came twice";
        }
        EXPECT_GE(names.size(), length == 1 ? 36u : 2u) << length;
    }
    EXPECT_EQ(ShortName(0, 12), "~kw0");
}

// A name as long as the file system takes still saves: the temporary file's name is no longer.
TEST_F(SettingsFileIoPosixTest, LongestNameSaves) {
    const std::string path = m_folder + std::string(NAME_MAX - 4, 'n') + ".dat";
    ASSERT_EQ(WriteSettingsFile(path, FactoryRecord()), SaveResult::Saved);
    ASSERT_EQ(WriteSettingsFile(path, SampleRecord()), SaveResult::Saved);
    EXPECT_EQ(ReadRaw(path), ImageOf(SampleRecord()));
    EXPECT_EQ(NamesIn(m_folder).size(), 1u);
}

}  // namespace
