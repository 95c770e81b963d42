// The monitor program's rules without widgets: settings file, command-line key, text monitor
// filters and save entries, console history, communication states, warning events, catalogue.
#include "monitor/core/DevModel.h"
#include "monitor/core/DevTime.h"
#include "monitor/model/Catalogue.h"
#include "monitor/model/CommStates.h"
#include "monitor/model/HistoryQuery.h"
#include "monitor/model/NetCfg.h"
#include "monitor/model/TextMonitor.h"
#include "monitor/model/WarnEvents.h"
#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "platform/Profile.h"
#include "tests/support/FaultSweep.h"
#include "tests/support/Found.h"
#include "tests/support/TestFiles.h"

#include <functional>
#include <gtest/gtest.h>

using namespace marindle;

TEST(NetCfgTest, LoginKeyFromCommandLine) {
    EXPECT_EQ(ParseLoginKey(""), 30517);
    EXPECT_EQ(ParseLoginKey("12345"), 12345);
    EXPECT_EQ(ParseLoginKey("65537"), 1);
    EXPECT_EQ(ParseLoginKey("abc"), 0);
}

TEST(NetCfgTest, FrameFiltersDefaultAndRoundTrip) {
    testsupport::TempDir dir;
    CNetCfg cfg(dir.Path());
    EXPECT_EQ(cfg.IpAddress(), "0.0.0.0");
    FrameSettings s = cfg.FrameFilters();
    EXPECT_EQ(s.devIpFilter + s.destIpFilter + s.devAddrFilter, 0);
    EXPECT_EQ(s.deviceIp, 0u);
    EXPECT_EQ(s.deviceAddress, 0);
    EXPECT_FALSE(cfg.TelecontrolPermitted());

    s.devIpFilter = 1;
    s.deviceIp = 0xC0A80102;
    s.devAddrFilter = 1;
    s.deviceAddress = 17;
    cfg.SetFrameFilters(s);
    cfg.SetIpAddress("10.1.2.3");
    const FrameSettings back = cfg.FrameFilters();
    EXPECT_EQ(back.devIpFilter, 1);
    EXPECT_EQ(back.destIpFilter, 0);
    EXPECT_EQ(back.deviceIp, 0xC0A80102u);
    EXPECT_EQ(back.deviceAddress, 17);
    EXPECT_EQ(cfg.IpAddress(), "10.1.2.3");
    const std::string text = testsupport::ReadGbkText(cfg.File());
    for (const char* key : {"IF_DEV_IP=1", "IF_DEST_IP=0", "IF_DEV_ADDR=1", "DEV_IP=192.168.1.2",
                            "DEST_IP=0.0.0.0", "DEV_ADDR=17"})
        EXPECT_NE(text.find(key), std::string::npos) << key;
}

TEST(TextMonitorTest, FramesPassTheFilters) {
    FrameSettings s;
    TraceItem tcp{1, 2, 1, 2, 5, "h ", "eb 90"};
    TraceItem udp{0, 1, 1, 2, 6, "h ", "eb 90"};
    EXPECT_TRUE(FramePasses(s, tcp));
    s.tcp = 0;
    EXPECT_FALSE(FramePasses(s, tcp));
    EXPECT_TRUE(FramePasses(s, udp));
    s.devAddrFilter = 1;
    s.deviceAddress = 5;
    EXPECT_FALSE(FramePasses(s, udp));
    udp.deviceAddress = 5;
    EXPECT_TRUE(FramePasses(s, udp));
    s.destIpFilter = 1;
    s.destinationIp = 9;
    EXPECT_FALSE(FramePasses(s, udp));
}

TEST(TextMonitorTest, TraceTextsAndSaveEntries) {
    FrameSettings s;
    const TraceItem sent{1, 2, 0, 0, 0, "12:00 心跳\r\n", "eb 90 "};
    EXPECT_EQ(TraceDisplayText(s, sent), "12:00 心跳\r\neb 90 \r\n");
    EXPECT_EQ(TraceSaveEntry(s, sent), "数据发： 12:00 心跳\r\neb 90 \r\n");
    s.printHeader = 0;
    EXPECT_EQ(TraceDisplayText(s, sent), "eb 90 \r\n");
    const TraceItem received{0, 2, 0, 0, 0, "x", "01 "};
    EXPECT_EQ(TraceSaveEntry(s, received), "数据收： 01 \r\n");
    const TraceItem odd{3, 2, 0, 0, 0, "x", "01 "};
    EXPECT_EQ(TraceSaveEntry(s, odd), "");
}

TEST(TextMonitorTest, SaveNamesOfPortsAndDevices) {
    CDevModel model;
    CPortRecord* p = model.AddPort(1, 3, CPortRecord::kSerial);
    p->name = "串口3";
    model.SetDeviceKey(*p->AddDevice(9), 4);
    CDeviceRecord* d = testsupport::Found(model.FindDevice(9));
    d->name = "线路保护";
    EXPECT_EQ(ProtocolSaveName(model, p->key), "PRC_板卡2_串口3.txt");
    EXPECT_EQ(TraceSaveName(model, 1, 0, 0), "MSG_主通讯.txt");
    EXPECT_EQ(TraceSaveName(model, 0, 1, d->key), "MSG_线路保护.txt");
    EXPECT_EQ(TraceSaveName(model, 0, 0, p->key), "MSG_板卡2_串口3.txt");
}

TEST(TextMonitorTest, SaveFileIsAppendedInGbkWithCrLf) {
    testsupport::TempDir dir;
    const auto file = dir.Path() / "DBG.txt";
    ASSERT_TRUE(AppendSaveText(file, "调试\n"));
    ASSERT_TRUE(AppendSaveText(file, "a\r\nb"));
    EXPECT_EQ(testsupport::ReadBytes(file), platform::ToGbk("调试\r\na\r\nb"));
    EXPECT_FALSE(AppendSaveText(dir.Path() / "no" / "such" / "x.txt", "a"));
}

// A disk that fills, frees and fills again under a saving window: each gap is marked in the file
// where it is, and the failure is to be told once for the file, not once per time it fills.
TEST(TextMonitorTest, GapsOfAFullDiskAreMarkedAndToldOncePerFile) {
    testsupport::TempDir dir;
    const auto file = dir.Path() / "DBG.txt";
    CSaveFileAppender save(file);
    using R = CSaveFileAppender::Result;
    EXPECT_EQ(save.Append("一\n"), R::Written);
    std::vector<R> results;
    for (int round = 0; round < 3; ++round) {
        {
            platform::CFileFaults full;
            full.FailFrom(platform::FileStep::Write, 1);
            results.push_back(save.Append("丢失的较长文本\n"));
            results.push_back(save.Append("丢\n"));
        }
        EXPECT_TRUE(save.GapPending());
        results.push_back(save.Append(std::to_string(round) + "\n"));
        EXPECT_FALSE(save.GapPending());
    }
    EXPECT_EQ(results, (std::vector<R>{R::FailedFirst, R::Failed, R::Written, R::Failed, R::Failed,
                                       R::Written, R::Failed, R::Failed, R::Written}));
    const std::string mark = std::string("\r\n") + kSaveGapMark + "\r\n";
    EXPECT_EQ(testsupport::ReadBytes(file),
              platform::ToGbk("一\r\n" + mark + "0\r\n" + mark + "1\r\n" + mark + "2\r\n"));
}

namespace {

// Sweeps one write of the monitor's files: each of its file-system calls fails in turn; the write
// then reports false (which its caller tells) and every file of the folder is as it was, or it
// wrote what it should.
testsupport::SweepResult SweepWrite(const std::filesystem::path& folder, const testsupport::TreeBytes& start,
                                    const std::function<bool()>& write,
                                    const std::function<std::string()>& whole) {
    testsupport::SweepRoad road;
    road.setup = [&] {
        testsupport::RestoreTree(folder, start);
        platform::FlushProfileCache();
    };
    road.run = [&] {
        const bool ok = write();
        return testsupport::RoadOutcome{ok, !ok};
    };
    road.kept = {folder};
    road.whole = whole;
    return testsupport::RunFaultSweep(road);
}

} // namespace

// The monitor's settings, its saving text windows and its exports swept.
TEST(MonitorFilesTest, EveryFailedStepOfASettingsSaveOrAnExportLeavesTheFilesAsTheyWere) {
    testsupport::TempDir dir;
    const CNetCfg cfg(dir.Path());
    const testsupport::TreeBytes start = {
        {"sav/NetCfg.dbg", "[TCP Config]\r\nIP_ADDR=10.0.0.1\r\nDEV_IP=1.2.3.4\r\n"},
        {"sav/DBG.txt", "一\r\n"},
        {"sav/EVT_装置.txt", "earlier"}};
    FrameSettings filters;
    filters.devIpFilter = 1;
    filters.deviceIp = 0x0A000002;
    filters.deviceAddress = 9;
    CSaveFileAppender save(dir.Path() / "sav" / "DBG.txt");
    struct Road {
        const char* what;
        std::function<bool()> write;
        std::function<std::string()> whole;
    };
    const std::vector<Road> roads = {
        {"address", [&] { return cfg.SetIpAddress("10.0.0.9"); },
         [&] { return cfg.IpAddress() == "10.0.0.9" ? "" : "address not written"; }},
        {"frame filters", [&] { return cfg.SetFrameFilters(filters); },
         [&]() -> std::string {
             const FrameSettings f = cfg.FrameFilters();
             return f.devIpFilter == 1 && f.deviceIp == filters.deviceIp && f.deviceAddress == 9
                        ? ""
                        : "filters missing";
         }},
        {"save file",
         [&] { return save.Append("二\n") != CSaveFileAppender::Result::FailedFirst && !save.GapPending(); },
         [&] {
             return testsupport::ReadBytes(dir.Path() / "sav" / "DBG.txt").size() > 3 ? "" : "entry missing";
         }},
        {"export", [&] { return WriteExport(dir.Path() / "sav" / "EVT_装置.txt", "序号\n1\n"); },
         [&] {
             return testsupport::ReadBytes(dir.Path() / "sav" / "EVT_装置.txt") ==
                            platform::ToGbk("序号\r\n1\r\n")
                        ? ""
                        : "export not whole";
         }},
    };
    for (const Road& r : roads) {
        SCOPED_TRACE(r.what);
        const testsupport::SweepResult sweep = SweepWrite(dir.Path(), start, r.write, r.whole);
        std::printf("monitor %s sweep: %s\n", r.what, sweep.Summary().c_str());
        EXPECT_GT(sweep.calls, 0);
        EXPECT_TRUE(sweep.faults.empty()) << testing::PrintToString(sweep.faults);
        EXPECT_GT(sweep.told, 0);
    }
}

TEST(TextMonitorTest, ConsoleLineIsCutAndCleaned) {
    EXPECT_EQ(ConsoleLine("ls\r\n"), "ls");
    EXPECT_EQ(ConsoleLine(std::string(300, 'x')).size(), 255u);
    EXPECT_EQ(ConsoleLine(""), "");
}

TEST(CommStatesTest, StateTexts) {
    std::string a, b, run;
    CommStateTexts(1, 0x91, a, b, run);
    EXPECT_EQ(a, "断");
    EXPECT_EQ(b, "通");
    EXPECT_EQ(run, "投运");
    CommStateTexts(1, 0x23, a, b, run);
    EXPECT_EQ(a, "通");
    EXPECT_EQ(run, "");
    CommStateTexts(0, 1, a, b, run);
    EXPECT_EQ(a, "断");
    CommStateTexts(0, 2, a, b, run);
    EXPECT_EQ(a, "通");
}

TEST(CommStatesTest, RowsFollowTheModel) {
    CDevModel model;
    CPortRecord* p = model.AddPort(0, 1, CPortRecord::kSerial);
    p->name = "COM1";
    p->AddDevice(5)->name = "保护A";
    const auto rows = BuildCommRows(model);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].cells[0], "板卡1_COM1");
    EXPECT_EQ(rows[1].deviceFlag, 1);
    EXPECT_EQ(rows[1].cells[1], "保护A");
    EXPECT_EQ(rows[1].cells[2], "5");
}

TEST(WarnEventsTest, SortAndRows) {
    CWarnEventList list;
    EXPECT_FALSE(list.Add({3, 0, 0, "x", 0, "", ""}));
    list.Add({0, 100, 500, "A", 7, "d1", "合"});
    list.Add({2, 100, 200, "B", 3, "", "断"});
    list.Add({1, 50, 0, "C", 9, "d3", ""});
    ASSERT_TRUE(list.Sort(2)); // ascending by time, then milliseconds
    EXPECT_EQ(list.Events()[0].name, "C");
    EXPECT_EQ(list.Events()[1].name, "B");
    EXPECT_EQ(list.Events()[2].name, "A");
    ASSERT_TRUE(list.Sort(2)); // descending
    EXPECT_EQ(list.Events()[0].name, "A");
    ASSERT_TRUE(list.Sort(4));
    EXPECT_EQ(list.Events()[0].name, "B"); // a system event sorts by its stored address
    EXPECT_FALSE(list.Sort(3));
    const auto cells = list.RowTexts(0);
    EXPECT_EQ(cells[0], "1");
    EXPECT_EQ(cells[1], "系统事件");
    EXPECT_EQ(cells[4], "");
    EXPECT_NE(cells[2].find(".200"), std::string::npos);
}

TEST(CatalogueTest, ListingAndPaths) {
    std::vector<CatalogueEntry> e;
    EXPECT_FALSE(AddCatalogueEntry(e, ".", 2, 0, 0));
    AddCatalogueEntry(e, "b.txt", 1, 10, 0);
    AddCatalogueEntry(e, "..", 2, 0, 0);
    AddCatalogueEntry(e, "a", 2, 0, 0);
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[1].name, "向上...");
    EXPECT_EQ(CatalogueRowTexts(e[1])[1], "");
    EXPECT_EQ(OpenFolderPath("a/b/c", e[1]), "a/b");
    EXPECT_EQ(OpenFolderPath("a", e[1]), "<root>");
    EXPECT_EQ(OpenFolderPath("<root>", e[2]), "a");
    EXPECT_EQ(OpenFolderPath("x", e[2]), "x/a");

    SortCatalogue(e, 0, true);
    EXPECT_EQ(e[0].up, 1);
    EXPECT_EQ(e[1].name, "a");
    SortCatalogue(e, 0, false);
    EXPECT_EQ(e[0].up, 1);
    EXPECT_EQ(e[1].name, "b.txt");
    EXPECT_EQ(e[2].position, 2);
}

// Chinese names in the order of their GBK bytes, as the unit lists them: "啊" (B0 A1) before "中"
// (D6 D0), although their UTF-8 bytes order them the other way; GBK bytes above 0x7F count as
// signed characters, so they come before ASCII names.
TEST(CatalogueTest, NamesSortByTheirGbkBytes) {
    std::vector<CatalogueEntry> e;
    for (const char* name : {"b", "中", "..", "啊", "a", "中文"})
        AddCatalogueEntry(e, name, 1, 0, 0);
    SortCatalogue(e, 0, true);
    std::vector<std::string> names;
    for (const auto& entry : e)
        names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{"向上...", "啊", "中", "中文", "a", "b"}));
    SortCatalogue(e, 0, false);
    names.clear();
    for (const auto& entry : e)
        names.push_back(entry.name);
    // A prefix stays before the longer name in both directions.
    EXPECT_EQ(names, (std::vector<std::string>{"向上...", "b", "a", "中", "中文", "啊"}));
    for (std::size_t i = 0; i < e.size(); ++i)
        EXPECT_EQ(e[i].position, i);
}

TEST(WarnEventsTest, InvalidTimeShowsWithoutMilliseconds) {
    CWarnEventList list;
    list.Add({0, kInvalidTime, 120, "A", 7, "d1", "合"});
    EXPECT_EQ(list.RowTexts(0)[2], "时间有误");
}

TEST(CatalogueTest, ChunksOfADownload) {
    ChunkPlan c = NextChunk(0, 2048);
    EXPECT_EQ(c.size, 1024u);
    EXPECT_EQ(c.more, 1);
    c = NextChunk(1024, 2048);
    EXPECT_EQ(c.size, 1024u);
    EXPECT_EQ(c.more, 0);
    c = NextChunk(0, 10);
    EXPECT_EQ(c.size, 10u);
    EXPECT_EQ(c.more, 0);
    EXPECT_EQ(ProgressOf(0, 0), 0);
    EXPECT_EQ(ProgressOf(1024, 2048), 50);
}
