#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "printer/FakePrinterSpooler.h"
#include "printer/PrinterDiscovery.h"

namespace {

using Rows = std::vector<PrinterEntry>;
using Call = FakePrinterSpooler::EnumCall;

constexpr bool kNt = true;
constexpr bool k9x = false;

TEST(DiscoveryNtTest, AsksForLocalQueuesAndConnectionsThenEachByItsServer) {
    FakePrinterSpooler fake;
    fake.AddLocal(L"Local", L"LPT1:");
    fake.AddConnection(L"\\\\host", L"\\\\host\\Shared", L"LPT2:", 0x10);
    EXPECT_EQ(EnumerateModelPrinters(fake, kNt),
              (Rows{{L"Local", L"LPT1:"}, {L"\\\\host\\Shared", L"\\\\host"}}));
    EXPECT_EQ(fake.enumCalls,
              (std::vector<Call>{
                  {4, 0x2 | 0x4, std::nullopt}, {2, 0x8, std::nullopt}, {2, 0x8, L"\\\\host"}}));
    EXPECT_EQ(fake.openCalls, (std::vector<std::wstring>{L"Local", L"\\\\host\\Shared"}));
}

TEST(DiscoveryNtTest, EachServerIsAskedOnceHoweverManyOfItsQueuesAreListed) {
    FakePrinterSpooler fake;
    fake.AddLocal(L"Local 1", L"LPT1:");
    fake.AddConnection(L"\\\\a", L"\\\\a\\P1", L"LPT1:", 0x10);
    fake.AddLocal(L"Local 2", L"LPT2:");
    fake.AddConnection(L"\\\\b", L"\\\\b\\P", L"LPT1:", 0x10);
    fake.AddConnection(L"\\\\a", L"\\\\a\\P2", L"LPT2:", 0x10);
    EXPECT_EQ(EnumerateModelPrinters(fake, kNt), (Rows{{L"Local 1", L"LPT1:"},
                                                       {L"\\\\a\\P1", L"\\\\a"},
                                                       {L"Local 2", L"LPT2:"},
                                                       {L"\\\\b\\P", L"\\\\b"},
                                                       {L"\\\\a\\P2", L"\\\\a"}}));
    EXPECT_EQ(fake.enumCalls, (std::vector<Call>{{4, 0x2 | 0x4, std::nullopt},
                                                 {2, 0x8, std::nullopt},
                                                 {2, 0x8, L"\\\\a"},
                                                 {2, 0x8, L"\\\\b"}}));
}

TEST(DiscoveryNtTest, OnlyAPureNetworkAttributeShowsTheServer) {
    FakePrinterSpooler fake;
    fake.AddConnection(L"\\\\a", L"\\\\a\\P", L"LPT1:", 0x10);
    fake.AddConnection(L"\\\\b", L"\\\\b\\P", L"LPT2:", 0x10 | 0x40);
    fake.AddConnection(L"\\\\c", L"\\\\c\\P", L"LPT3:", 0x10 | 0x200);
    fake.AddLocal(L"Local network flag", L"COM1:", kModelDriverName, 0x10);
    EXPECT_EQ(EnumerateModelPrinters(fake, kNt), (Rows{{L"\\\\a\\P", L"\\\\a"},
                                                       {L"\\\\b\\P", L"LPT2:"},
                                                       {L"\\\\c\\P", L"LPT3:"},
                                                       {L"Local network flag", L""}}));
}

TEST(DiscoveryNtTest, OnlyTheExactModelDriverQualifies) {
    FakePrinterSpooler fake;
    fake.AddLocal(L"Model", L"LPT1:");
    fake.AddLocal(L"Successor", L"LPT1:", L"Vek Brelvistoka 410ZQ II");
    fake.AddLocal(L"Shorter", L"LPT1:", L"Vek Brelvistoka 410Z");
    fake.AddLocal(L"Lower case", L"LPT1:", L"vek brelvistoka 410zq");
    fake.AddLocal(L"Other maker", L"LPT1:", L"Generic / Text Only");
    EXPECT_EQ(EnumerateModelPrinters(fake, kNt), (Rows{{L"Model", L"LPT1:"}}));
    EXPECT_EQ(EnumerateModelPrinters(fake, k9x), (Rows{{L"Model", L"LPT1:"}}));
}

TEST(DiscoveryNtTest, AQueueThatDoesNotOpenForUseIsLeftOut) {
    FakePrinterSpooler fake;
    fake.AddLocal(L"Open", L"LPT1:");
    fake.AddLocal(L"Closed", L"LPT2:");
    fake.AddConnection(L"\\\\host", L"\\\\host\\Closed", L"LPT1:", 0x10);
    fake.closedToUser = {L"Closed", L"\\\\host\\Closed"};
    EXPECT_EQ(EnumerateModelPrinters(fake, kNt), (Rows{{L"Open", L"LPT1:"}}));
}

TEST(DiscoveryNtTest, OnlyTheFirstMatchingLevel2EntryOfANameCounts) {
    FakePrinterSpooler fake;
    fake.level4 = {{L"Twice", std::nullopt, 0x40}};
    fake.level2[std::nullopt] = {
        {L"", L"Other", L"LPT9:", kModelDriverName, 0, 0x40, L"RAW"},  // another name: skipped
        {L"", L"Twice", L"LPT8:", L"Vek Brelvistoka 410ZQ II", 0, 0x40,
         L"RAW"},                                                      // another driver: skipped
        {L"", L"Twice", L"LPT1:", kModelDriverName, 0, 0x40, L"RAW"},  // the one that counts
        {L"", L"Twice", L"LPT2:", kModelDriverName, 0, 0x40, L"RAW"},
    };
    EXPECT_EQ(EnumerateModelPrinters(fake, kNt), (Rows{{L"Twice", L"LPT1:"}}));
    EXPECT_EQ(fake.openCalls, (std::vector<std::wstring>{L"Twice"}));

    // When that entry does not open, no later one is tried.
    fake.closedToUser = {L"Twice"};
    fake.openCalls.clear();
    EXPECT_TRUE(EnumerateModelPrinters(fake, kNt).empty());
    EXPECT_EQ(fake.openCalls.size(), 1u);
}

// The caller may run the opens for use in any order and at once: each result stays with its
// queue, and the queues and their order stay those of a discovery that runs them in turn.
TEST(DiscoveryNtTest, OpensForUseRunByTheCallerKeepEachResultWithItsQueue) {
    FakePrinterSpooler fake;
    for (int i = 0; i < 12; ++i)
        fake.AddLocal(L"Q" + std::to_wstring(i), L"LPT" + std::to_wstring(i + 1) + L":");
    fake.AddConnection(L"\\\\down", L"\\\\down\\P", L"LPT1:", 0x10);
    fake.level2Fails = {L"\\\\down"};
    fake.closedToUser = {L"Q1", L"Q4", L"Q5", L"Q11"};
    std::vector<std::wstring> unlistedInTurn, unlistedAtOnce;
    const std::vector<ModelQueue> inTurn = DescribeModelPrinters(fake, &unlistedInTurn);

    fake.openCalls.clear();
    std::vector<ModelQueue> parallel = FindModelQueues(fake, &unlistedAtOnce);
    EXPECT_TRUE(fake.openCalls.empty());
    std::vector<std::thread> threads;
    for (std::size_t i = parallel.size(); i-- > 0;)
        threads.emplace_back([&, i] { CheckOpensForUse(fake, parallel[i]); });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(fake.openCalls.size(), 12u);
    EXPECT_EQ(unlistedAtOnce, unlistedInTurn);
    ASSERT_EQ(parallel.size(), inTurn.size());
    for (std::size_t i = 0; i < inTurn.size(); ++i) {
        EXPECT_EQ(parallel[i].entry, inTurn[i].entry);
        EXPECT_EQ(parallel[i].opensForUse, inTurn[i].opensForUse) << i;
        EXPECT_EQ(parallel[i].opensForUse, !fake.closedToUser.count(inTurn[i].entry.name)) << i;
    }
}

TEST(DiscoveryNtTest, AFailedEnumerationContributesNoRows) {
    FakePrinterSpooler fake;
    fake.AddLocal(L"Local", L"LPT1:");
    fake.AddConnection(L"\\\\down", L"\\\\down\\P", L"LPT1:", 0x10);
    fake.AddConnection(L"\\\\up", L"\\\\up\\P", L"LPT1:", 0x10);
    fake.level2Fails = {L"\\\\down"};
    EXPECT_EQ(EnumerateModelPrinters(fake, kNt),
              (Rows{{L"Local", L"LPT1:"}, {L"\\\\up\\P", L"\\\\up"}}));

    fake.level4Fails = true;
    EXPECT_TRUE(EnumerateModelPrinters(fake, kNt).empty());
    fake.level4Fails = false;
    fake.level2Fails = {std::nullopt};
    EXPECT_TRUE(EnumerateModelPrinters(fake, k9x).empty());
}

TEST(Discovery9xTest, LocalLevel2OnlyWithoutOpenTestAndWithoutQueuesAwaitingTheOperator) {
    FakePrinterSpooler fake;
    fake.AddLocal(L"Ready", L"LPT1:");
    fake.AddLocal(L"Paper out", L"LPT2:", kModelDriverName, 0x40, 0x00000010);
    fake.AddLocal(L"Needs operator", L"LPT3:", kModelDriverName, 0x40, 0x00100000);
    fake.AddLocal(L"Needs operator too", L"LPT3:", kModelDriverName, 0x40, 0x00100008);
    fake.AddLocal(L"Closed", L"FILE:");
    fake.closedToUser = {L"Closed"};
    EXPECT_EQ(EnumerateModelPrinters(fake, k9x),
              (Rows{{L"Ready", L"LPT1:"}, {L"Paper out", L"LPT2:"}, {L"Closed", L"FILE:"}}));
    EXPECT_EQ(fake.enumCalls, (std::vector<Call>{{2, 0x2, std::nullopt}}));
    EXPECT_TRUE(fake.openCalls.empty());
}

TEST(DiscoveryNtTest, TheUserInterventionBitDoesNotMatterOnNt) {
    FakePrinterSpooler fake;
    fake.AddLocal(L"Needs operator", L"LPT3:", kModelDriverName, 0x40, 0x00100000);
    EXPECT_EQ(EnumerateModelPrinters(fake, kNt), (Rows{{L"Needs operator", L"LPT3:"}}));
}

}  // namespace
