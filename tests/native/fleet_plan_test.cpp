// Planning a fleet send from the log, the targets file, and the parallel runner's order.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <numeric>
#include <optional>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "kwctl/Kwctl.h"
#include "kwctl/Parallel.h"
#include "kwctl/Plan.h"
#include "kwctl/Targets.h"
#include "settings/SettingsCatalog.h"

namespace {

using kwctl::PlanState;

SettingsRecord With(std::vector<catalog::Assignment> changes) {
    SettingsRecord record = FactoryRecord();
    EXPECT_TRUE(catalog::Apply(record, changes).ok);
    return record;
}

TEST(FleetPlan, AChangedSwitchMakesEveryQueueThatHadTheRecordDifferAndNamesIt) {
    const SettingsRecord office = With({{"font1", "2"}, {"msw2-7", "136"}});
    kwctl::LastSends last;
    const auto send = [&](const char* printer, const char* outcome, const SettingsRecord& r) {
        last.Add(kwctl::MakeLogEntry(r, printer, "office.dat", 1, *kwctl::LoggedOutcome(outcome),
                                     std::nullopt));
    };
    send("Vek 1F", "failed", office);  // then sent again, below
    send("Vek 1F", "printed", office);
    send("Vek 2F", "sent", FactoryRecord());
    send("VEK 2F", "done", office);  // the same queue in other case
    send("Vek 3F", "held", office);
    send("Vek 4F", "dry-run", office);  // no send
    const std::vector<std::string> queues = {"Vek 1F", "Vek 2F", "Vek 3F", "Vek 4F"};

    const auto states = [&](const std::vector<kwctl::QueuePlan>& plan) {
        std::vector<PlanState> s;
        for (const auto& q : plan)
            s.push_back(q.state);
        return s;
    };
    const auto same = kwctl::MakePlan(office, queues, last);
    EXPECT_EQ(states(same), (std::vector{PlanState::UpToDate, PlanState::UpToDate,
                                         PlanState::NotFinished, PlanState::NeverSent}));
    EXPECT_EQ(kwctl::PlanExitStatus(same), kwctl::kDiffers);
    EXPECT_EQ(kwctl::PlanExitStatus({same[0], same[1]}), kwctl::kSuccess);

    const SettingsRecord changed = With({{"font1", "2"}, {"msw2-7", "80"}});
    const auto plan = kwctl::MakePlan(changed, queues, last);
    EXPECT_EQ(states(plan), (std::vector{PlanState::Differs, PlanState::Differs,
                                         PlanState::NotFinished, PlanState::NeverSent}));
    for (int q : {0, 1}) {
        ASSERT_EQ(plan[q].changes.size(), 1u) << plan[q].printer;
        EXPECT_EQ(plan[q].changes[0].key, "msw2-7");
        EXPECT_EQ(plan[q].changes[0].from, "１３６桁 (0)");
        EXPECT_EQ(plan[q].changes[0].to, "８０桁 (1)");
    }
    EXPECT_EQ(kwctl::PlanExitStatus({plan[0]}), kwctl::kDiffers);

    // A byte that no setting shows is named by its offset and role.
    SettingsRecord trailer = office;
    trailer[179] ^= 0x01;
    const auto bytes = kwctl::RecordChanges(office, trailer);
    ASSERT_EQ(bytes.size(), 1u);
    EXPECT_EQ(bytes[0].key, "offset 179");
}

TEST(FleetTargets, NamesCommentsDuplicatesAndBadText) {
    const struct {
        std::string text;
        std::vector<std::string> names;
        std::string error;
    } cases[] = {
        {"\xEF\xBB\xBFVek 1F\r\n  # all of 2F\r\n\r\n\tVek 2F#north  \nvek 1f\n\\\\srv\\Vek 3F",
         {"Vek 1F", "Vek 2F#north", "\\\\srv\\Vek 3F"},
         ""},
        {"", {}, ""},
        {"Vek 1F\nVek \xE9\n", {}, "line 2: not valid UTF-8"},
        {"Vek \xED\xA0\x80\n", {}, "line 1: not valid UTF-8"},  // a surrogate
        {"Vek \xC0\xAF\n", {}, "line 1: not valid UTF-8"},      // overlong '/'
        {std::string("Vek\0 1F", 7), {}, "line 1: holds a NUL character"},
        {"本社 ３階\n", {"本社 ３階"}, ""},
        {"Vek 1F\n" + std::string(64 * 1024 + 1, 'x'), {}, "line 2: longer than 64 KiB"},
        {std::string(16 * 1024 * 1024 + 1, '\n'), {}, "the list is over 16 MiB"},
    };
    for (const auto& c : cases) {
        const kwctl::TargetList list = kwctl::ParseTargets(c.text);
        const std::string shown = c.text.substr(0, 80);
        EXPECT_EQ(list.ok, c.error.empty()) << shown;
        EXPECT_EQ(list.names, c.names) << shown;
        EXPECT_EQ(list.error, c.error) << shown;
    }
}

TEST(FleetParallel, ResultsComeInListOrderEachOnceAsSoonAsTheirTurnComes) {
    constexpr std::size_t kCount = 60;
    std::vector<std::size_t> order(kCount);
    std::iota(order.begin(), order.end(), 0);
    for (int threads : {1, 2, 8, 64, 0, 1000}) {
        SCOPED_TRACE(threads);
        std::mt19937 random(threads + 1);
        std::vector<int> delays(kCount);
        for (int& d : delays)
            d = static_cast<int>(random() % 4000);
        delays.back() = 20000;  // the first results come long before the last is done
        std::vector<std::atomic<int>> worked(kCount);
        std::atomic<int> done{0}, doneAtFirst{-1};
        std::vector<std::size_t> delivered;
        std::vector<std::size_t> started;  // under the runner's lock
        std::set<std::thread::id> workers;
        std::mutex seen;
        const auto work = [&](std::size_t i) {
            std::this_thread::sleep_for(std::chrono::microseconds(delays[i]));
            ++worked[i], ++done;
            std::lock_guard<std::mutex> guard(seen);
            workers.insert(std::this_thread::get_id());
        };
        const auto deliver = [&](std::size_t i, std::exception_ptr failure) {
            EXPECT_FALSE(failure);
            for (std::size_t j = 0; j <= i; ++j)
                EXPECT_EQ(worked[j], 1) << "early " << i;
            if (i == 0) doneAtFirst = done.load();
            delivered.push_back(i);
        };
        kwctl::RunInOrder(kCount, threads, work, deliver, [&](std::size_t i) {
            EXPECT_EQ(worked[i], 0) << "started after its work";
            started.push_back(i);
        });
        EXPECT_EQ(delivered, order);
        EXPECT_EQ(started, order) << "not started in list order";
        EXPECT_LT(doneAtFirst, static_cast<int>(kCount)) << "held back";
        if (threads <= 1) {
            EXPECT_EQ(workers, std::set{std::this_thread::get_id()}) << "not on the caller";
        }
    }
    // A piece of work that throws after the others have finished is delivered in its place as
    // a failure, and every other one is done and delivered as well; a delivery that throws
    // stops the run and reaches the caller.
    for (int threads : {1, 4}) {
        SCOPED_TRACE(threads);
        std::vector<std::size_t> delivered, failed;
        const auto work = [](std::size_t i) {
            if (i != 5) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            throw std::runtime_error("no");
        };
        kwctl::RunInOrder(20, threads, work, [&](std::size_t i, std::exception_ptr failure) {
            delivered.push_back(i);
            if (failure) failed.push_back(i);
        });
        EXPECT_EQ(delivered, std::vector<std::size_t>(order.begin(), order.begin() + 20));
        EXPECT_EQ(failed, std::vector<std::size_t>{5});
        EXPECT_THROW(kwctl::RunInOrder(
                         20, threads, [](std::size_t) {},
                         [](std::size_t i, std::exception_ptr) {
                             if (i == 5) throw std::runtime_error("no");
                         }),
                     std::runtime_error);
    }
}

}  // namespace
