// The SCD import: the walk of the sample station, the device models built from it, the merge into
// the library and device table, and the cache file written and read back.
#include "points/SCDImport.h"
#include "platform/FileFaults.h"
#include "tests/support/Found.h"

#include "platform/Archive.h"
#include "platform/Gbk.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/InfoModel.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/ScdCacheBound.h"
#include "projectmodel/TextHelpers.h"
#include "tests/support/CpuTime.h"
#include "tests/support/PeakMemory.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <map>

#include <optional>
#include <utility>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <tuple>

using namespace points;

using namespace projectmodel;
namespace fs = std::filesystem;

namespace {

std::string StationScd() {
    return (testsupport::TestDataDir() / "scl" / "station.scd").string();
}

// A model "BIG_T" of one group "遥信" holding the entries in the order given.
CDeviceTemplate BigModel(std::vector<CInfoEntry> entries) {
    CDeviceTemplate tpl;
    tpl.m_strName = "BIG_T";
    tpl.m_nFlag = 1;
    CInfoGroup group;
    group.m_nGroupNo = 1;
    group.m_strName = "遥信";
    group.m_entries.Items() = std::move(entries);
    tpl.m_groups.Add(std::move(group));
    return tpl;
}

// Writes the import's cache file holding the models, in that order, made from an SCD file of
// scdBytes (0: of unknown size).
void WriteCache(std::initializer_list<CDeviceTemplate*> models, std::uint64_t scdBytes = 0) {
    platform::CArchive ar;
    ar.WriteU8(0);
    ar.WriteI32(static_cast<std::int32_t>(models.size()));
    for (CDeviceTemplate* model : models)
        SerializeSCDIED(ar, *model);
    CScdCacheBound bound;
    bound.scdBytes = scdBytes;
    bound.cacheBytes = ar.Bytes().size();
    ar.WriteBytes(bound.Trailer());
    fs::create_directories(CSCDImport::CacheFilePath().parent_path());
    ASSERT_TRUE(ar.SaveToFile(CSCDImport::CacheFilePath()));
}

class SCDImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        CProjectContext::Reset();
        CProjectContext::Instance().SetLibraryFolder(tmp.Path());
    }
    void TearDown() override { CProjectContext::Reset(); }

    const CInfoModel* Model(const CConfigDoc& doc, const std::string& name) {
        for (const auto& m : doc.m_infoModels)
            if (m->m_strName == name)
                return m.get();
        return nullptr;
    }
    static std::vector<std::string> Descs(const CInfoModel::RefList& list) {
        std::vector<std::string> out;
        for (const auto& r : list)
            out.push_back(r->m_strDesc);
        return out;
    }

    testsupport::TempDir tmp;
    testsupport::PromptRecorder prompts;
};

TEST_F(SCDImportTest, StationPointsAreClassifiedAndFilteredByDataSets) {
    CConfigDoc doc;
    CSCDImport import;
    ASSERT_EQ(import.LoadSCDFile(doc, StationScd()), 1);
    ASSERT_EQ(doc.m_infoModels.size(), 4u);

    const CInfoModel* pl = Model(doc, "PL2201");
    ASSERT_TRUE(pl);
    EXPECT_EQ(pl->m_bRecorder, 1);
    EXPECT_EQ(pl->m_strConfigVersion, "V2.10");
    EXPECT_EQ(Descs(pl->m_indications), (std::vector<std::string>{"接地距离Ⅰ段动作", "零序过流Ⅰ段动作",
                                                                  "A相零序过流Ⅰ段动作", "零序过流启动"}));
    EXPECT_EQ(pl->m_indications[2]->m_strFCDA, "PROT/PTOC1$ST$Op$phsA");
    EXPECT_EQ(Descs(pl->m_measurands), (std::vector<std::string>{"保护A相电流幅值", "保护B相电流幅值"}));
    EXPECT_EQ(pl->m_measurands[0]->m_strFCDA, "PROT/ProtMMXU1$MX$A$phsA$cVal$mag$f");
    ASSERT_EQ(pl->m_others.size(), 2u);
    EXPECT_EQ(pl->m_others[0]->m_strFCDA, "PROT/LLN0$SP$SGCB$ActSG");
    EXPECT_EQ(pl->m_others[1]->m_strDesc, "编辑区定值区号");
    EXPECT_TRUE(pl->m_controls.empty());

    const CInfoModel* cl = Model(doc, "CL2201");
    ASSERT_TRUE(cl);
    EXPECT_EQ(cl->m_bRecorder, 0);
    EXPECT_EQ(Descs(cl->m_measurands),
              (std::vector<std::string>{"有功功率", "频率", "Ua幅值", "Ub幅值", "Uc幅值"}));
    EXPECT_EQ(Descs(cl->m_indications), (std::vector<std::string>{"断路器位置", "1刀闸位置", "开入1"}));
    ASSERT_EQ(cl->m_controls.size(), 1u);
    EXPECT_EQ(cl->m_controls[0]->m_strRefText,
              "FCDA=CTRL/Q0CSWI1$CO$Pos$Oper$ctlVal;CDC=DPC;ctlModel=sbo-with-enhanced-security");

    const CInfoModel* ct = Model(doc, "CT1");
    ASSERT_TRUE(ct);
    EXPECT_EQ(ct->m_strType, "CT1");
    ASSERT_EQ(ct->m_controls.size(), 1u);
    EXPECT_TRUE(IsTapChangerReference(ct->m_controls[0]->m_strFCDA));

    // Only in the GOOSE subnetwork: no points.
    const CInfoModel* il = Model(doc, "IL2201");
    ASSERT_TRUE(il);
    EXPECT_TRUE(il->m_allPoints.empty());
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST_F(SCDImportTest, GoosePointsSwitchReadsEveryAccessPoint) {
    CProjectContext::Instance().m_bGetGoosePoints = true;
    CConfigDoc doc;
    CSCDImport import;
    ASSERT_EQ(import.LoadSCDFile(doc, StationScd()), 1);
    const CInfoModel* il = Model(doc, "IL2201");
    ASSERT_TRUE(il);
    EXPECT_EQ(Descs(il->m_indications), (std::vector<std::string>{"断路器位置"}));
}

TEST_F(SCDImportTest, DescriptionsWithoutDuTakeTheDescAttribute) {
    CProjectContext::Instance().m_bGetDescFromDu = false;
    CConfigDoc doc;
    CSCDImport import;
    ASSERT_EQ(import.LoadSCDFile(doc, StationScd()), 1);
    const CInfoModel* pl = Model(doc, "PL2201");
    ASSERT_TRUE(pl);
    EXPECT_EQ(pl->m_indications[0]->m_strDesc, "距离Ⅰ段动作");
    EXPECT_EQ(pl->m_measurands[1]->m_strDesc, "保护电流幅值"); // the SDI has no desc of its own
}

TEST_F(SCDImportTest, ImportBuildsModelsDevicesAndTheCacheFile) {
    CConfigDoc doc;
    CSCDImport import;
    EXPECT_EQ(import.ImportSCD(doc, StationScd()), 0);

    const CDeviceTemplate* pl = doc.m_deviceModels.FindByName("PL2201_QXL811");
    ASSERT_TRUE(pl);
    EXPECT_EQ(pl->m_strType, "保护");
    EXPECT_EQ(pl->m_strVersion, "V2.10");
    EXPECT_EQ(pl->m_nFlag, 1);
    std::vector<int> numbers;
    for (const CInfoGroup& g : pl->m_groups)
        numbers.push_back(g.m_nGroupNo);
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 4, 255}));
    const CInfoEntry* e = pl->FindEntry(1, 1);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->m_strDesc, "接地距离Ⅰ段动作");
    EXPECT_EQ(e->m_strField7, "合");
    EXPECT_EQ(e->m_strReference, "PROT/PDIS1$ST$Op$general");
    EXPECT_EQ(e->m_strExtra, ",CDC=ACT");
    EXPECT_EQ(testsupport::Found(pl->FindEntry(4, 2))->m_strGroupName, "定值区号");
    EXPECT_EQ(testsupport::Found(pl->FindEntry(255, 4))->m_strDesc, "检修状态");

    const CDeviceTemplate* ct = doc.m_deviceModels.FindByName("CT1_CT1");
    ASSERT_TRUE(ct);
    EXPECT_EQ(ct->m_strType, "测控");
    ASSERT_EQ(ct->m_groups.GetSize(), 2);
    EXPECT_EQ(ct->m_groups[0].m_nGroupNo, 18);
    EXPECT_EQ(testsupport::Found(ct->FindEntry(18, 1))->m_strDesc, "档位-升降");
    EXPECT_EQ(testsupport::Found(ct->FindEntry(18, 2))->m_strExtra,
              ",CDC=BSC;ctlModel=direct-with-normal-security;TapChgDir=STOP");

    ASSERT_EQ(doc.m_devices.GetSize(), 4);
    EXPECT_EQ(doc.m_devices[0].m_strModelName, "PL2201_QXL811");
    EXPECT_EQ(doc.m_devices[0].m_strDescription, "220kV线路一保护");
    EXPECT_EQ(doc.m_devices[3].m_nAddress, 4);
    // Each device holds its model's points without a copy of its own, until one of them changes.
    const auto sharesWithItsModel = [&doc](int i) {
        const CDevice& device = std::as_const(doc.m_devices)[i];
        const CDeviceTemplate* model = std::as_const(doc.m_deviceModels).FindByName(device.m_strModelName);
        return model && device.m_model.m_groups.SharesWith(model->m_groups) &&
               device.m_model.m_groups == model->m_groups;
    };
    for (int i = 0; i < doc.m_devices.GetSize(); ++i)
        EXPECT_TRUE(sharesWithItsModel(i)) << i;
    testsupport::Found(doc.m_devices[0].m_model.FindEntry(1, 1))->m_strDesc = "改过";
    EXPECT_FALSE(sharesWithItsModel(0));
    EXPECT_EQ(pl->FindEntry(1, 1)->m_strDesc, "接地距离Ⅰ段动作");

    // The cache holds the models in import order and reads back into the same bytes.
    const std::string bytes = testsupport::ReadBytes(CSCDImport::CacheFilePath());
    ASSERT_GT(bytes.size(), 5u);
    EXPECT_EQ(bytes[0], '\0');
    EXPECT_EQ(bytes.substr(1, 4), std::string("\x04\0\0\0", 4));
    CConfigDoc other;
    ASSERT_EQ(other.LoadIEDListFromSCD(), 1);
    ASSERT_EQ(other.m_deviceModels.GetSize(), 4);
    platform::CArchive again;
    again.WriteU8(0);
    again.WriteI32(4);
    for (int i = 0; i < 4; ++i)
        SerializeSCDIED(again, other.m_deviceModels[i]);
    CScdCacheBound bound;
    bound.scdBytes = fs::file_size(StationScd());
    bound.cacheBytes = again.Bytes().size();
    EXPECT_EQ(again.Bytes() + bound.Trailer(), bytes);
    EXPECT_EQ(other.m_devices.GetSize(), 0);
    EXPECT_EQ(prompts.Count(), 0u);
}

// The cache is written to a temporary file while the models are filed; a write that fails part way
// (a full disk) is reported, the old cache stays and the temporary file goes.
TEST_F(SCDImportTest, CacheThatCannotBeWrittenLeavesTheOldOne) {
    CConfigDoc first;
    CSCDImport import;
    import.ImportSCD(first, StationScd());
    const std::string cache = testsupport::ReadBytes(CSCDImport::CacheFilePath());
    ASSERT_GT(cache.size(), 5u);
    ASSERT_EQ(prompts.Count(), 0u);

    std::optional<platform::CFileFaults> faults;
    faults.emplace().FailFrom(platform::FileStep::Write, 1);
    CConfigDoc second;
    import.ImportSCD(second, StationScd());
    faults.reset();
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{"保存文件" + CSCDImport::CacheFilePath().string() + "失败!"});
    EXPECT_EQ(testsupport::ReadBytes(CSCDImport::CacheFilePath()), cache);
    fs::path temp = CSCDImport::CacheFilePath();
    temp += ".tmp";
    EXPECT_FALSE(fs::exists(temp));
    EXPECT_EQ(second.m_devices.GetSize(), 4); // the models are filed all the same
}

TEST_F(SCDImportTest, ModelsBuiltWhileReadingEqualThoseBuiltAfterTheWalk) {
    // After the walk, from the kept points.
    CConfigDoc kept;
    CSCDImport first;
    ASSERT_EQ(first.LoadSCDFile(kept, StationScd()), 1);
    std::size_t keptPoints = 0;
    for (const auto& m : kept.m_infoModels)
        keptPoints += m->m_allPoints.size();
    ASSERT_GT(keptPoints, 0u);
    ASSERT_EQ(first.BuildIEDListFromSCD(kept), 1);
    const std::string keptCache = testsupport::ReadBytes(CSCDImport::CacheFilePath());

    // While reading, as ImportSCD does: the observer sees every IED's points before they go.
    CConfigDoc streamed;
    CSCDImport second;
    std::size_t seenPoints = 0;
    std::vector<std::string> seenNames;
    second.SetIedObserver([&](const CInfoModel& m) {
        seenPoints += m.m_allPoints.size();
        seenNames.push_back(m.m_strName);
    });
    EXPECT_EQ(second.ImportSCD(streamed, StationScd()), 0);
    EXPECT_EQ(seenPoints, keptPoints);
    EXPECT_EQ(seenNames, (std::vector<std::string>{"PL2201", "CL2201", "CT1", "IL2201"}));
    for (const auto& m : streamed.m_infoModels)
        EXPECT_TRUE(m->m_allPoints.empty()) << m->m_strName;

    EXPECT_EQ(testsupport::ReadBytes(CSCDImport::CacheFilePath()), keptCache);
    ASSERT_EQ(streamed.m_deviceModels.GetSize(), kept.m_deviceModels.GetSize());
    for (int i = 0; i < kept.m_deviceModels.GetSize(); ++i)
        EXPECT_TRUE(streamed.m_deviceModels[i] == kept.m_deviceModels[i]) << i;
    ASSERT_EQ(streamed.m_devices.GetSize(), kept.m_devices.GetSize());
    for (int i = 0; i < kept.m_devices.GetSize(); ++i)
        EXPECT_TRUE(streamed.m_devices[i] == kept.m_devices[i]) << i;

    // Without an observer no point is made at all, only the records the models are built from.
    CConfigDoc bare;
    CSCDImport third;
    EXPECT_EQ(third.ImportSCD(bare, StationScd()), 0);
    EXPECT_EQ(third.PointsRead(), keptPoints);
    EXPECT_EQ(testsupport::ReadBytes(CSCDImport::CacheFilePath()), keptCache);
    ASSERT_EQ(bare.m_deviceModels.GetSize(), kept.m_deviceModels.GetSize());
    for (int i = 0; i < kept.m_deviceModels.GetSize(); ++i)
        EXPECT_TRUE(bare.m_deviceModels[i] == kept.m_deviceModels[i]) << i;
    ASSERT_EQ(bare.m_devices.GetSize(), kept.m_devices.GetSize());
    for (int i = 0; i < kept.m_devices.GetSize(); ++i)
        EXPECT_TRUE(bare.m_devices[i] == kept.m_devices[i]) << i;
}

TEST_F(SCDImportTest, NewDevicesTakeTheLowestFreeAddresses) {
    CConfigDoc doc;
    for (int address : {3, 1}) {
        CDevice d(kDeviceOrdinary);
        d.m_nAddress = d.m_nMappedAddress = address;
        ASSERT_GE(doc.m_devices.Insert(std::move(d)), 0);
    }
    CSCDImport import;
    import.ImportSCD(doc, StationScd());
    std::vector<std::pair<int, std::string>> table;
    for (const CDevice& d : doc.m_devices)
        table.emplace_back(d.m_nAddress, d.m_strModelName);
    EXPECT_EQ(table, (std::vector<std::pair<int, std::string>>{{1, "未选型号"},
                                                               {2, "PL2201_QXL811"},
                                                               {3, "未选型号"},
                                                               {4, "CL2201_QXC901"},
                                                               {5, "CT1_CT1"},
                                                               {6, "IL2201_QXI100"}}));
}

struct ViewsRecorder : IProjectViews {
    void RefreshPortNode(int, int, int) override {}
    void RefreshPortChildNodes(int, int, int) override {}
    void FillPointList() override { calls.push_back("points"); }
    void RefreshDeviceNodes() override { calls.push_back("devices"); }
    void FillDeviceList() override { calls.push_back("list"); }
    std::vector<std::string> calls;
};

TEST_F(SCDImportTest, TheDocumentsImportRefreshesTheViews) {
    CSCDImport import;
    CProjectContext::Instance().SetScdImport(&import);
    CConfigDoc doc;
    ViewsRecorder views;
    doc.SetViews(&views);
    EXPECT_EQ(doc.ImportSCD(StationScd()), 0);
    EXPECT_EQ(views.calls, (std::vector<std::string>{"points", "devices", "list"}));
    EXPECT_EQ(doc.m_devices.GetSize(), 4);
    // A new project reads the cache back into its library.
    CConfigDoc other;
    EXPECT_EQ(other.LoadIEDListFromSCD(), 1);
    EXPECT_TRUE(other.m_deviceModels.FindByName("CL2201_QXC901"));
    doc.SetViews(nullptr);
}

TEST_F(SCDImportTest, DamagedCacheChangesNothing) {
    CConfigDoc doc;
    CSCDImport import;
    import.ImportSCD(doc, StationScd());
    const std::string bytes = testsupport::ReadBytes(CSCDImport::CacheFilePath());
    for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{3}, std::size_t{5}, std::size_t{40},
                            bytes.size() / 2, bytes.size() - 1}) {
        testsupport::WriteBytes(CSCDImport::CacheFilePath(), bytes.substr(0, cut));
        CConfigDoc other;
        EXPECT_EQ(other.LoadIEDListFromSCD(), 0) << cut;
        EXPECT_EQ(other.m_deviceModels.GetSize(), 0) << cut;
    }
    std::string huge = bytes;
    huge.replace(1, 4, std::string("\xff\xff\xff\x7f", 4));
    testsupport::WriteBytes(CSCDImport::CacheFilePath(), huge);
    CConfigDoc other;
    EXPECT_EQ(other.LoadIEDListFromSCD(), 0);
    EXPECT_EQ(other.m_deviceModels.GetSize(), 0);
}

// An SCD file that is there but cannot be looked at, opened or read is told with its name and
// the reason, never taken for a file without IEDs or one that does not parse; the cache already
// written stays as it was.
TEST_F(SCDImportTest, UnreadableScdFileIsToldWithItsReason) {
    CConfigDoc first;
    CSCDImport import;
    import.ImportSCD(first, StationScd());
    const std::string cache = testsupport::ReadBytes(CSCDImport::CacheFilePath());
    ASSERT_EQ(prompts.Count(), 0u);
    const fs::path scd = StationScd();
    const auto isScd = [&](const fs::path& p) { return p == scd; };
    for (platform::FileStep step :
         {platform::FileStep::Stat, platform::FileStep::Open, platform::FileStep::Read}) {
        SCOPED_TRACE(platform::FileStepName(step));
        prompts.Clear();
        CConfigDoc doc;
        {
            platform::CFileFaults faults;
            faults.FailFrom(step, 1, isScd, EACCES);
            import.ImportSCD(doc, scd.string());
            EXPECT_GT(faults.Failed(step), 0);
        }
        ASSERT_EQ(prompts.Count(), 1u);
        const std::string text = prompts.Texts()[0];
        EXPECT_EQ(text.rfind("导入SCD失败：", 0), 0u) << text;
        EXPECT_NE(text.find(scd.string()), std::string::npos) << text;
        EXPECT_NE(text.find(platform::ErrorText(EACCES)), std::string::npos) << text;
        EXPECT_EQ(doc.m_devices.GetSize(), 0);
        EXPECT_EQ(testsupport::ReadBytes(CSCDImport::CacheFilePath()), cache);
    }
}

// A cache that is there but cannot be looked at or read is told on open (with its name and the
// reason) and counted as an unread library file, not taken for no cache; it stays as it was.
TEST_F(SCDImportTest, UnreadableCacheIsToldOnOpen) {
    CConfigDoc first;
    CSCDImport import;
    import.ImportSCD(first, StationScd());
    const fs::path file = CSCDImport::CacheFilePath();
    const std::string cache = testsupport::ReadBytes(file);
    ASSERT_GT(cache.size(), 5u);
    const auto isCache = [&](const fs::path& p) { return p == file; };
    // The cache's own look (the folder's lookup before it may look too: every look fails), the
    // tail's open and read, then the whole file's.
    struct Case {
        platform::FileStep step;
        int nth;
        bool onward;
    };
    for (const Case c : {Case{platform::FileStep::Stat, 1, true}, Case{platform::FileStep::Open, 1, false},
                         Case{platform::FileStep::Read, 1, false}, Case{platform::FileStep::Open, 2, false},
                         Case{platform::FileStep::Read, 2, false}}) {
        SCOPED_TRACE(std::string(platform::FileStepName(c.step)) + " " + std::to_string(c.nth));
        prompts.Clear();
        CConfigDoc other;
        projectmodel::CUnreadFiles unread;
        {
            platform::CFileFaults faults;
            if (c.onward)
                faults.FailFrom(c.step, c.nth, isCache, EIO);
            else
                faults.FailNth(c.step, c.nth, isCache, EIO);
            EXPECT_EQ(other.LoadIEDListFromSCD(), 0);
            EXPECT_GE(faults.Failed(c.step), 1);
        }
        EXPECT_EQ(unread.Count(), 1);
        ASSERT_EQ(prompts.Count(), 1u);
        EXPECT_EQ(prompts.Texts()[0], "读取文件 " + file.string() + " 失败!\n" + platform::ErrorText(EIO));
        EXPECT_EQ(other.m_deviceModels.GetSize(), 0);
        EXPECT_EQ(testsupport::ReadBytes(file), cache);
    }
    // Absent is no failure: nothing is told.
    prompts.Clear();
    fs::remove(file);
    CConfigDoc none;
    projectmodel::CUnreadFiles unread;
    EXPECT_EQ(none.LoadIEDListFromSCD(), 0);
    EXPECT_EQ(unread.Count(), 0);
    EXPECT_EQ(prompts.Count(), 0u);
}

// A cache whose entries stand in descending order (1.2 MB) loads in linear time: read all, sort
// once; of two entries of one number the first stays, and models merge by name.
TEST_F(SCDImportTest, CacheInDescendingOrderLoadsQuickly) {
    constexpr int kEntries = 20000;
    std::vector<CInfoEntry> entries;
    for (int n = kEntries; n >= 1; --n) {
        CInfoEntry e;
        e.m_nGroup = 1;
        e.m_nEntry = n;
        e.m_strDesc = "点" + std::to_string(n);
        e.m_strReference = "PROT/GGIO1$ST$Ind" + std::to_string(n) + "$stVal";
        entries.push_back(e);
        if (n == 5) {
            e.m_strDesc = "重复";
            entries.push_back(e);
        }
    }
    CDeviceTemplate tpl = BigModel(std::move(entries));
    CDeviceTemplate small; // replaced by the big model of the same name read after it
    small.m_strName = "big_t";
    small.m_groups.Add(CInfoGroup());
    WriteCache({&small, &tpl});
    ASSERT_GT(fs::file_size(CSCDImport::CacheFilePath()), 1000000u);

    CConfigDoc doc;
    const auto start = testsupport::ProcessCpuSeconds();
    ASSERT_EQ(doc.LoadIEDListFromSCD(), 1);
    EXPECT_LT(testsupport::ProcessCpuSeconds() - start, 6.0) << "CPU seconds";
    ASSERT_EQ(doc.m_deviceModels.GetSize(), 1);
    const CInfoGroup& g = doc.m_deviceModels[0].m_groups[0];
    EXPECT_EQ(doc.m_deviceModels[0].m_strName, "BIG_T");
    EXPECT_EQ(g.m_strName, "遥信");
    ASSERT_EQ(g.m_entries.GetSize(), kEntries);
    for (int i = 0; i < kEntries; ++i)
        ASSERT_EQ(g.m_entries[i].m_nEntry, i + 1);
    EXPECT_EQ(g.m_entries.GetByEntryNo(5)->m_strDesc, "点5");
}

// The cache is read within what an import may write under the walk's ceilings, with or without the
// trailer (caches written before it, or by other tools), whatever SCD file lies in the project's
// folder: a model within an IED's ceiling is read whatever size of SCD file the cache names; a
// model beyond it, more models than a file may hold, bytes after the models, bytes the trailer does
// not record and a file beyond what the ceilings allow are not read and change nothing; each
// refusal is told once.
TEST_F(SCDImportTest, CacheIsReadWithinTheCeilings) {
    constexpr int kEntries = 110000;
    std::vector<CInfoEntry> entries(kEntries);
    for (int n = 1; n <= kEntries; ++n) {
        entries[n - 1].m_nGroup = 1;
        entries[n - 1].m_nEntry = n;
    }
    CDeviceTemplate tpl = BigModel(entries);
    const std::uint64_t stationBytes = fs::file_size(StationScd());
    const std::string refusedText = "SCD导入的装置模型缓存文件" + CSCDImport::CacheFilePath().string();
    const auto refusals = [&] {
        std::size_t n = 0;
        for (const std::string& text : prompts.Texts())
            n += text.rfind(refusedText, 0) == 0 ? 1 : 0;
        return n;
    };
    // A small SCD file in the project's folder bounds nothing.
    testsupport::WriteBytes(tmp / "其他" / "small.scd", "<SCL/>");
    const auto withoutTrailer = [](const std::string& tail) {
        const std::string bytes = testsupport::ReadBytes(CSCDImport::CacheFilePath());
        testsupport::WriteBytes(CSCDImport::CacheFilePath(),
                                bytes.substr(0, bytes.size() - CScdCacheBound::kTrailerBytes) + tail);
    };
    // A cache of this size, of zeros (sparse), with the trailer of bound when it has one.
    const auto sparse = [](std::uint64_t bytes, const CScdCacheBound* bound) {
        std::FILE* f = std::fopen(CSCDImport::CacheFilePath().string().c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
        fs::resize_file(CSCDImport::CacheFilePath(), bytes);
        if (!bound)
            return;
        std::FILE* a = std::fopen(CSCDImport::CacheFilePath().string().c_str(), "ab");
        ASSERT_NE(a, nullptr);
        const std::string trailer = bound->Trailer();
        std::fwrite(trailer.data(), 1, trailer.size(), a);
        std::fclose(a);
    };

    struct Case {
        const char* what;
        std::function<void()> write;
        const char* refusal; // what the refusal says; null: read
    };
    constexpr const char* kDamaged = "已损坏";
    constexpr const char* kBeyond = "超出了SCD导入所能产生的内容";
    // The models of the cache, then extra bytes, and a trailer recording both.
    const auto withBytesAfterTheModels = [&](const std::string& extra) {
        WriteCache({&tpl});
        const std::string bytes = testsupport::ReadBytes(CSCDImport::CacheFilePath());
        CScdCacheBound bound;
        bound.cacheBytes = bytes.size() - CScdCacheBound::kTrailerBytes + extra.size();
        testsupport::WriteBytes(CSCDImport::CacheFilePath(),
                                bytes.substr(0, bytes.size() - CScdCacheBound::kTrailerBytes) + extra +
                                    bound.Trailer());
    };
    const Case cases[] = {
        {"made from a big file", [&] { WriteCache({&tpl}, 300u << 20); }, nullptr},
        {"made from a file of unknown size", [&] { WriteCache({&tpl}); }, nullptr},
        {"made from its 15 KB file", [&] { WriteCache({&tpl}, stationBytes); }, nullptr},
        {"without a trailer",
         [&] {
             WriteCache({&tpl}, 300u << 20);
             withoutTrailer("");
         },
         nullptr},
        {"without a trailer, with bytes after the models",
         [&] {
             WriteCache({&tpl});
             withoutTrailer("x");
         },
         kDamaged},
        {"with bytes after the models that the trailer records", [&] { withBytesAfterTheModels("xyz"); },
         kDamaged},
        {"with bytes the trailer does not record",
         [&] {
             WriteCache({&tpl}, 300u << 20);
             std::string bytes = testsupport::ReadBytes(CSCDImport::CacheFilePath());
             bytes.insert(bytes.size() - CScdCacheBound::kTrailerBytes, "x");
             testsupport::WriteBytes(CSCDImport::CacheFilePath(), bytes);
         },
         kDamaged},
        {"of a model beyond an IED's ceiling (60,000 points, twice as many entries and four)",
         [&] {
             std::vector<CInfoEntry> more = entries;
             for (int n = kEntries + 1; n <= 120'005; ++n) {
                 more.emplace_back();
                 more.back().m_nGroup = 2;
                 more.back().m_nEntry = n;
             }
             CDeviceTemplate big = BigModel(std::move(more));
             WriteCache({&big});
         },
         kBeyond},
        {"of more models than a file may hold (20,000)",
         [&] {
             platform::CArchive ar;
             ar.WriteU8(0);
             ar.WriteU32(20'001);
             ar.WriteBytes(std::string(64, '\0'));
             testsupport::WriteBytes(CSCDImport::CacheFilePath(), ar.Bytes());
         },
         kBeyond},
        {"beyond what the ceilings allow (sparse, without a trailer)",
         [&] { sparse(CScdCacheBound().MaxFileBytes() + 1, nullptr); }, kBeyond},
        {"beyond what its 15 KB file allows (sparse)",
         [&] {
             CScdCacheBound bound;
             bound.scdBytes = stationBytes;
             bound.cacheBytes = bound.MaxFileBytes();
             sparse(bound.cacheBytes, &bound);
         },
         kBeyond},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompts.Clear();
        c.write();
        const int loaded = c.refusal ? 0 : 1;
        for (int load = 0; load < 2; ++load) {
            CConfigDoc doc;
            EXPECT_EQ(doc.LoadIEDListFromSCD(), loaded);
            ASSERT_EQ(doc.m_deviceModels.GetSize(), loaded);
            if (loaded) {
                EXPECT_EQ(doc.m_deviceModels[0].m_groups[0].m_entries.GetSize(), kEntries);
            }
        }
        EXPECT_EQ(refusals(), loaded ? 0u : 1u) << (prompts.Texts().empty() ? "" : prompts.Texts()[0]);
        EXPECT_EQ(prompts.Count(), refusals());
        if (c.refusal && prompts.Count() == 1) {
            EXPECT_NE(prompts.Texts()[0].find(c.refusal), std::string::npos) << prompts.Texts()[0];
        }
        fs::remove(CSCDImport::CacheFilePath());
    }

    // The cache an import writes is read whatever SCD file lies in the folder.
    prompts.Clear();
    CConfigDoc doc;
    CSCDImport import;
    import.ImportSCD(doc, StationScd());
    CConfigDoc other;
    EXPECT_EQ(other.LoadIEDListFromSCD(), 1);
    EXPECT_EQ(other.m_deviceModels.GetSize(), 4);
    EXPECT_EQ(prompts.Count(), 0u);
}

// An SCD whose recorder node's type refers to itself, as a structure and as a sub-data-object.
std::string ScdWithTypes(const std::string& doTypeBody, const std::string& daTypes) {
    return "<?xml version=\"1.0\"?>\n<SCL><IED name=\"R\" type=\"T\"><AccessPoint name=\"S1\"><Server>"
           "<LDevice inst=\"LD\"><LN lnClass=\"RDRE\" inst=\"1\" lnType=\"R\"><DataSet name=\"ds\">"
           "<FCDA ldInst=\"LD\" lnClass=\"RDRE\" lnInst=\"1\" doName=\"Rcd\" fc=\"ST\"/></DataSet></LN>"
           "</LDevice></Server>"
           "</AccessPoint></IED><DataTypeTemplates>"
           "<LNodeType id=\"R\" lnClass=\"RDRE\"><DO name=\"Rcd\" type=\"D\"/></LNodeType>"
           "<DOType id=\"D\" cdc=\"SPS\">" +
           doTypeBody + "</DOType>" + daTypes + "</DataTypeTemplates></SCL>\n";
}

// The 900-byte SCD that ran for hours: refused at once with a message naming the type; nothing
// of the project or the cache changes.
TEST_F(SCDImportTest, SelfReferencingTypeIsRefusedNamingIt) {
    CProjectContext::Instance().m_bGetGoosePoints = true;
    const fs::path scd = tmp / "loop.scd";
    const std::string text = ScdWithTypes(
        "<DA name=\"x\" bType=\"Struct\" type=\"L\" fc=\"ST\"/><DA name=\"y\" bType=\"BOOLEAN\" fc=\"ST\"/>",
        "<DAType id=\"L\"><BDA name=\"a\" bType=\"Struct\" type=\"L\"/><BDA name=\"b\" bType=\"Struct\" "
        "type=\"L\"/><BDA name=\"c\" bType=\"Struct\" type=\"L\"/></DAType>");
    ASSERT_LT(text.size(), 1100u);
    testsupport::WriteBytes(scd, text);
    CConfigDoc doc;
    CSCDImport import;
    const auto start = testsupport::ProcessCpuSeconds();
    EXPECT_EQ(import.LoadSCDFile(doc, scd.string()), 0);
    EXPECT_LT(testsupport::ProcessCpuSeconds() - start, 8.0) << "CPU seconds";
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(prompts.Texts()[0], "导入SCD失败：装置(R)的数据类型(L)引用自身!");
    EXPECT_TRUE(doc.m_infoModels.empty());

    // The same through a sub-data-object of the data object's own type; the whole import keeps
    // the library, the devices and the cache as they were.
    testsupport::WriteBytes(scd, ScdWithTypes("<DA name=\"y\" bType=\"BOOLEAN\" fc=\"ST\"/>"
                                              "<SDO name=\"s\" type=\"D\"/><SDO name=\"t\" type=\"D\"/>",
                                              ""));
    import.ImportSCD(doc, StationScd());
    const std::string cache = testsupport::ReadBytes(CSCDImport::CacheFilePath());
    const int models = doc.m_deviceModels.GetSize();
    prompts.Clear();
    import.ImportSCD(doc, scd.string());
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(prompts.Texts()[0], "导入SCD失败：装置(R)的数据类型(D)引用自身!");
    EXPECT_EQ(doc.m_deviceModels.GetSize(), models);
    EXPECT_EQ(testsupport::ReadBytes(CSCDImport::CacheFilePath()), cache);
    CProjectContext::Instance().m_bGetGoosePoints = false;
}

// Types that fan out without a loop stop at the budget of walked nodes, naming the type where it
// ran out; within the budget a type used side by side twice is walked twice.
TEST_F(SCDImportTest, TypeFanOutStopsAtTheBudget) {
    CProjectContext::Instance().m_bGetGoosePoints = true;
    std::string types;
    for (int i = 0; i < 12; ++i) {
        types += "<DAType id=\"F" + std::to_string(i) + "\">";
        for (const char* n : {"a", "b", "c"})
            types += std::string("<BDA name=\"") + n + "\" bType=\"Struct\" type=\"F" +
                     std::to_string(i + 1) + "\"/>";
        types += "</DAType>";
    }
    types += "<DAType id=\"F12\"><BDA name=\"v\" bType=\"BOOLEAN\"/></DAType>";
    const fs::path scd = tmp / "fan.scd";
    testsupport::WriteBytes(scd,
                            ScdWithTypes("<DA name=\"x\" bType=\"Struct\" type=\"F0\" fc=\"ST\"/>", types));
    CConfigDoc doc;
    CSCDImport import;
    platform::scl::TypeWalkLimits limits;
    limits.nodesPerIed = 5000;
    import.SetWalkLimits(limits);
    EXPECT_EQ(import.LoadSCDFile(doc, scd.string()), 0);
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(prompts.Texts()[0].rfind("导入SCD失败：装置(R)的数据类型(F", 0), 0u) << prompts.Texts()[0];
    EXPECT_NE(prompts.Texts()[0].find("展开的数据超出上限"), std::string::npos) << prompts.Texts()[0];

    prompts.Clear();
    testsupport::WriteBytes(scd,
                            ScdWithTypes("<DA name=\"x\" bType=\"Struct\" type=\"F0\" fc=\"ST\"/>",
                                         "<DAType id=\"F0\"><BDA name=\"a\" bType=\"Struct\" type=\"F1\"/>"
                                         "<BDA name=\"b\" bType=\"Struct\" type=\"F1\"/></DAType>"
                                         "<DAType id=\"F1\"><BDA name=\"v\" bType=\"BOOLEAN\"/></DAType>"));
    EXPECT_EQ(import.LoadSCDFile(doc, scd.string()), 1);
    EXPECT_TRUE(prompts.Texts().empty());
    ASSERT_EQ(doc.m_infoModels.size(), 1u);
    ASSERT_EQ(doc.m_infoModels[0]->m_allPoints.size(), 2u);
    EXPECT_EQ(doc.m_infoModels[0]->m_allPoints[1]->m_strReference, "LD/RDRE1$ST$Rcd$x$b$v");
    CProjectContext::Instance().m_bGetGoosePoints = false;
}

// Fan-out types at the default budget, as a structure and as sub-data-objects, 3^12 leaves each:
// refused within a second or two and without building half a million points first; the message
// names the type where the walk ran out.
TEST_F(SCDImportTest, TypeFanOutAtTheDefaultBudgetEndsQuickly) {
    CProjectContext::Instance().m_bGetGoosePoints = true;
    std::string structures, objects;
    for (int i = 0; i < 12; ++i) {
        const std::string next = std::to_string(i + 1);
        structures += "<DAType id=\"F" + std::to_string(i) + "\">";
        objects += "<DOType id=\"D" + std::to_string(i) + "\" cdc=\"SPS\">";
        for (const char* n : {"a", "b", "c"}) {
            structures += std::string("<BDA name=\"") + n + "\" bType=\"Struct\" type=\"F" + next + "\"/>";
            objects += std::string("<SDO name=\"") + n + "\" type=\"D" + next + "\"/>";
        }
        structures += "</DAType>";
        objects += "</DOType>";
    }
    structures += "<DAType id=\"F12\"><BDA name=\"v\" bType=\"BOOLEAN\"/></DAType>";
    objects += "<DOType id=\"D12\" cdc=\"SPS\"><DA name=\"v\" bType=\"BOOLEAN\" fc=\"ST\"/></DOType>";
    const std::string files[] = {
        ScdWithTypes("<DA name=\"x\" bType=\"Struct\" type=\"F0\" fc=\"ST\"/>", structures),
        ScdWithTypes("<SDO name=\"s\" type=\"D0\"/>", objects),
    };
    for (const std::string& text : files) {
        const fs::path scd = tmp / "fan.scd";
        testsupport::WriteBytes(scd, text);
        prompts.Clear();
        CConfigDoc doc;
        CSCDImport import;
        const long before = testsupport::PeakRssMb();
        const auto start = testsupport::ProcessCpuSeconds();
        EXPECT_EQ(import.LoadSCDFile(doc, scd.string()), 0);
        const double seconds = testsupport::ProcessCpuSeconds() - start;
        const long grown = testsupport::PeakRssMb() - before;
        EXPECT_LT(seconds, 8.0) << "CPU seconds";
        EXPECT_LT(grown, 200) << "MB";
        ASSERT_EQ(prompts.Count(), 1u);
        EXPECT_EQ(prompts.Texts()[0].rfind("导入SCD失败：装置(R)的数据类型(", 0), 0u) << prompts.Texts()[0];
        EXPECT_NE(prompts.Texts()[0].find("展开的数据超出上限"), std::string::npos) << prompts.Texts()[0];
        EXPECT_TRUE(doc.m_infoModels.empty());
    }

    // The data objects of one node type have a budget each: a type of many objects whose nodes
    // add up beyond one object's budget is imported whole.
    std::string text = ScdWithTypes("<DA name=\"y\" bType=\"BOOLEAN\" fc=\"ST\"/>"
                                    "<DA name=\"z\" bType=\"BOOLEAN\" fc=\"ST\"/>",
                                    "");
    const std::string one = "<DO name=\"Rcd\" type=\"D\"/>";
    std::string many;
    for (int i = 0; i < 6000; ++i)
        many += one;
    text.replace(text.find(one), one.size(), many);
    testsupport::WriteBytes(tmp / "many.scd", text);
    prompts.Clear();
    CConfigDoc doc;
    CSCDImport import;
    EXPECT_EQ(import.LoadSCDFile(doc, (tmp / "many.scd").string()), 1);
    EXPECT_TRUE(prompts.Texts().empty()) << prompts.Texts()[0];
    CProjectContext::Instance().m_bGetGoosePoints = false;
}

// A station of IEDs that all use one node type of `objects` data objects, each a threefold fan-out
// `depth` levels deep under a data set that takes them whole.
std::string FanOutStation(int ieds, int objects, int depth, std::size_t nameLength = 1) {
    std::string text = "<?xml version=\"1.0\"?>\n<SCL><Communication><SubNetwork name=\"N\" type=\"8-MMS\">";
    for (int k = 0; k < ieds; ++k)
        text += "<ConnectedAP iedName=\"R" + std::to_string(k) + "\" apName=\"S1\"/>";
    text += "</SubNetwork></Communication>";
    for (int k = 0; k < ieds; ++k)
        text += "<IED name=\"R" + std::to_string(k) +
                "\" type=\"T\"><AccessPoint name=\"S1\"><Server><LDevice inst=\"LD\">"
                "<LN lnClass=\"RDRE\" inst=\"1\" lnType=\"R\"><DataSet name=\"ds\">"
                "<FCDA ldInst=\"LD\" lnClass=\"RDRE\" lnInst=\"1\" fc=\"ST\"/></DataSet></LN></LDevice>"
                "</Server></AccessPoint></IED>";
    text += "<DataTypeTemplates><LNodeType id=\"R\" lnClass=\"RDRE\">";
    for (int k = 0; k < objects; ++k)
        text += "<DO name=\"D" + std::to_string(k) + "\" type=\"D\"/>";
    text += "</LNodeType><DOType id=\"D\" cdc=\"SPS\"><DA name=\"x\" bType=\"Struct\" type=\"F0\" fc=\"ST\"/>"
            "</DOType>";
    for (int i = 0; i < depth; ++i) {
        text += "<DAType id=\"F" + std::to_string(i) + "\">";
        for (const char n : {'a', 'b', 'c'})
            text += "<BDA name=\"" + std::string(nameLength, n) + "\" bType=\"Struct\" type=\"F" +
                    std::to_string(i + 1) + "\"/>";
        text += "</DAType>";
    }
    return text + "<DAType id=\"F" + std::to_string(depth) +
           "\"><BDA name=\"v\" bType=\"BOOLEAN\"/></DAType></DataTypeTemplates></SCL>\n";
}

// Small files that expand into millions of points: 57 IEDs of one node type of 40 data objects,
// each a threefold fan-out seven levels deep (18 KB, 4,986,360 points), and one IED of 30 such
// objects (2 KB, 65,610 points). An IED's ceiling refuses them at its first IED with a message
// naming what overflowed and the IED, and the project and the cache stay as they were. Names of 3,000
// characters (66 KB) weigh as what they would fill (once 2.1 GB). A file's budget admits what station files
// hold, and an IED's own budget is named as such.
TEST_F(SCDImportTest, SmallFilesThatExpandIntoMillionsOfPointsAreRefusedAtOnce) {
    CConfigDoc doc;
    CSCDImport import;
    import.ImportSCD(doc, StationScd());
    ASSERT_EQ(prompts.Count(), 0u) << prompts.Texts()[0];
    const std::string cache = testsupport::ReadBytes(CSCDImport::CacheFilePath());
    ASSERT_EQ(doc.m_deviceModels.GetSize(), 4);

    const struct {
        int ieds, objects;
        std::size_t kb, nameLength;
        bool iedCeiling; // refused by an IED's ceiling, not one object's
    } files[] = {{57, 40, 18, 1, true}, {1, 30, 2, 1, true}, {1, 60, 64, 3000, false}};
    for (const auto& f : files) {
        const std::string text = FanOutStation(f.ieds, f.objects, 7, f.nameLength);
        ASSERT_LE(text.size(), (f.kb + 1) * 1024);
        ASSERT_GE(text.size(), f.kb * 1000);
        const fs::path scd = tmp / "fan.scd";
        testsupport::WriteBytes(scd, text);
        prompts.Clear();
        const long before = testsupport::PeakRssMb();
        const auto start = testsupport::ProcessCpuSeconds();
        import.ImportSCD(doc, scd.string());
        const double seconds = testsupport::ProcessCpuSeconds() - start;
        // A tenth of a second in a release build; the sanitizers and a busy machine take more.
        EXPECT_LT(seconds, 10.0) << "CPU seconds for " << f.kb << " KB";
        EXPECT_LT(testsupport::PeakRssMb() - before, 200) << "MB for " << f.kb << " KB";
        ASSERT_EQ(prompts.Count(), 1u);
        const std::string message = prompts.Texts()[0];
        EXPECT_EQ(message.rfind("导入SCD失败：", 0), 0u) << message;
        EXPECT_NE(message.find("装置(R0)"), std::string::npos) << message;
        EXPECT_NE(message.find(f.iedCeiling ? "测点超出上限(每个装置至多60000个)"
                                            : "展开的数据超出上限(每个数据对象"),
                  std::string::npos)
            << message;
        EXPECT_EQ(message.find("数据类型()"), std::string::npos) << message;
        EXPECT_TRUE(doc.m_infoModels.empty());
        EXPECT_EQ(doc.m_deviceModels.GetSize(), 4);
        EXPECT_EQ(testsupport::ReadBytes(CSCDImport::CacheFilePath()), cache);
    }

    // The sample station and CID are far inside their budgets; an IED's own budget is named so.
    for (const char* sample : {"station.scd", "QXB610.cid"}) {
        prompts.Clear();
        CConfigDoc other;
        EXPECT_EQ(import.LoadSCDFile(other, (testsupport::TestDataDir() / "scl" / sample).string()), 1);
        EXPECT_TRUE(prompts.Texts().empty()) << prompts.Texts()[0];
    }
    platform::scl::TypeWalkLimits limits;
    limits.pointsPerIed = 3;
    import.SetWalkLimits(limits);
    prompts.Clear();
    CConfigDoc other;
    EXPECT_EQ(import.LoadSCDFile(other, StationScd()), 0);
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{"导入SCD失败：装置(PL2201)的测点超出上限(每个装置至多3个)!"});

    // The file's ceilings of IEDs and of points name the IED where they were reached.
    for (const auto& [ieds, points, tail] :
         {std::tuple{3, 2'000'000, "时，全文件的装置超出上限(每个文件至多3个)!"},
          std::tuple{20'000, 10, "时，全文件的测点超出上限(每个文件至多10个)!"}}) {
        limits = {};
        limits.iedsPerFile = static_cast<std::uint64_t>(ieds);
        limits.pointsPerFile = static_cast<std::uint64_t>(points);
        import.SetWalkLimits(limits);
        prompts.Clear();
        CConfigDoc refused;
        EXPECT_EQ(import.LoadSCDFile(refused, StationScd()), 0);
        ASSERT_EQ(prompts.Count(), 1u);
        const std::string message = prompts.Texts()[0];
        EXPECT_EQ(message.rfind("导入SCD失败：读到装置(", 0), 0u) << message;
        EXPECT_TRUE(message.ends_with(tail)) << message;
        EXPECT_TRUE(refused.m_infoModels.empty());
    }
}

TEST_F(SCDImportTest, ReimportKeepsTheDevicesPlaceAndSettings) {
    CConfigDoc doc;
    CSCDImport import;
    import.ImportSCD(doc, StationScd());
    CDevice& d = doc.m_devices[1];
    ASSERT_EQ(d.m_strModelName, "CL2201_QXC901");
    d.m_nBoard = 0;
    d.m_nMappedAddress = 9;
    d.m_model.m_nPortGroup = 1;
    d.m_model.m_nPortIndex = 2;
    testsupport::Found(d.m_model.FindEntry(1, 1))->m_strCloseRule = "R1";
    d.m_pointRefs.Add(CPointRef());
    const int refs = d.m_pointRefs.GetSize();
    doc.m_deviceModels.Add(CDeviceTemplate()); // a model of another source stays

    import.ImportSCD(doc, StationScd());
    ASSERT_EQ(doc.m_devices.GetSize(), 4);
    const CDevice& after = doc.m_devices[1];
    EXPECT_EQ(after.m_nBoard, 0);
    EXPECT_EQ(after.m_nAddress, 2);
    EXPECT_EQ(after.m_nMappedAddress, 9);
    EXPECT_EQ(after.m_model.m_nPortGroup, 1);
    EXPECT_EQ(after.m_pointRefs.GetSize(), refs);
    EXPECT_EQ(after.m_strDescription, "220kV线路一测控");
    EXPECT_EQ(testsupport::Found(after.m_model.FindEntry(1, 1))->m_strCloseRule, "R1");
    EXPECT_EQ(doc.m_deviceModels.GetSize(), 5);
}

// A device of another model at the address of an imported device (the table does not forbid it),
// where the table's lookup by address finds it first (sorted and unsorted tables): a re-import
// refreshes the device of the imported model and leaves the other one as it was.
TEST_F(SCDImportTest, ReimportRefreshesTheDeviceOfItsModelNotAnotherAtTheSameAddress) {
    for (const bool sorted : {false, true}) {
        CProjectContext::Instance().SetDeviceTableSorted(sorted);
        CConfigDoc doc;
        CSCDImport import;
        import.ImportSCD(doc, StationScd());
        ASSERT_EQ(doc.m_devices.GetSize(), 4);
        ASSERT_EQ(doc.m_devices[1].m_strModelName, "CL2201_QXC901");
        CDeviceTemplate model;
        model.m_strName = "OTHER_X";
        CDevice other = CDevice::CDeviceFromTemplate(model);
        other.m_nAddress = doc.m_devices[1].m_nAddress;
        other.m_strDescription = "其他装置";
        // Before or after the imported device, wherever the lookup by address finds it first.
        doc.m_devices.InsertAt(1, other);
        if (testsupport::Found(doc.m_devices.FindByAddress(other.m_nAddress))->m_strModelName != "OTHER_X")
            std::swap(doc.m_devices[1], doc.m_devices[2]);
        ASSERT_EQ(testsupport::Found(doc.m_devices.FindByAddress(other.m_nAddress))->m_strModelName,
                  "OTHER_X");

        import.ImportSCD(doc, StationScd());
        ASSERT_EQ(doc.m_devices.GetSize(), 5) << "sorted " << sorted;
        int others = 0, controls = 0;
        for (const CDevice& d : doc.m_devices) {
            others += d.m_strModelName == "OTHER_X" && d.m_strDescription == "其他装置";
            controls += d.m_strModelName == "CL2201_QXC901" && d.m_strDescription == "220kV线路一测控";
        }
        EXPECT_EQ(others, 1) << "sorted " << sorted;
        EXPECT_EQ(controls, 1) << "sorted " << sorted;
    }
}

// A GB2312-declared file whose texts hold character references among GBK bytes: the references
// are expanded after the conversion, in the IED's type and description, the points' descriptions,
// the device models, the device table, the cache read back and the project's IED list.
TEST_F(SCDImportTest, ReferencesInAGbkFileComeOutAsTheCharactersTheyName) {
    const std::string text =
        "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<SCL><Communication><SubNetwork name=\"N\" "
        "type=\"8-MMS\"><ConnectedAP iedName=\"G1\" apName=\"S1\"/></SubNetwork></Communication>"
        "<IED name=\"G1\" type=\"&#x7EBF;" +
        platform::ToGbk("路保护") + "\" desc=\"" + platform::ToGbk("开入") +
        "&#x4E8C;\"><AccessPoint name=\"S1\"><Server><LDevice inst=\"LD\">"
        "<LN0 lnClass=\"LLN0\" inst=\"\" lnType=\"N0\"><DataSet name=\"ds\"><FCDA ldInst=\"LD\" "
        "lnClass=\"GGIO\" lnInst=\"1\" fc=\"ST\" doName=\"Ind\"/></DataSet></LN0>"
        "<LN lnClass=\"GGIO\" inst=\"1\" lnType=\"G\"><DOI name=\"Ind\" desc=\"" +
        platform::ToGbk("电度") +
        "&#x4E00;\"/></LN></LDevice></Server></AccessPoint></IED><DataTypeTemplates>"
        "<LNodeType id=\"N0\" lnClass=\"LLN0\"/><LNodeType id=\"G\" lnClass=\"GGIO\"><DO name=\"Ind\" "
        "type=\"S\"/></LNodeType><DOType id=\"S\" cdc=\"SPS\"><DA name=\"stVal\" bType=\"BOOLEAN\" "
        "fc=\"ST\"/></DOType></DataTypeTemplates></SCL>\n";
    const fs::path scd = tmp / "gbk.scd";
    testsupport::WriteBytes(scd, text);

    CConfigDoc doc;
    CSCDImport import;
    import.SetBuildWhileReading(false);
    ASSERT_EQ(import.LoadSCDFile(doc, scd.string()), 1);
    ASSERT_EQ(doc.m_infoModels.size(), 1u);
    EXPECT_EQ(doc.m_infoModels[0]->m_strType, "线路保护");
    EXPECT_EQ(doc.m_infoModels[0]->m_strDesc, "开入二");
    ASSERT_EQ(doc.m_infoModels[0]->m_indications.size(), 1u);
    EXPECT_EQ(doc.m_infoModels[0]->m_indications[0]->m_strDesc, "电度一");

    CConfigDoc project;
    import.ImportSCD(project, scd.string());
    EXPECT_EQ(prompts.Count(), 0u);
    ASSERT_EQ(project.m_devices.GetSize(), 1);
    EXPECT_EQ(project.m_devices[0].m_strModelName, "G1_线路保护");
    EXPECT_EQ(project.m_devices[0].m_strDescription, "开入二");
    EXPECT_EQ(testsupport::Found(project.m_devices[0].m_model.FindEntry(1, 1))->m_strDesc, "电度一");
    CConfigDoc reopened;
    ASSERT_EQ(reopened.LoadIEDListFromSCD(), 1);
    ASSERT_EQ(reopened.m_deviceModels.GetSize(), 1);
    EXPECT_EQ(reopened.m_deviceModels[0].m_strName, "G1_线路保护");
    EXPECT_EQ(testsupport::Found(reopened.m_deviceModels[0].FindEntry(1, 1))->m_strDesc, "电度一");

    ASSERT_EQ(reopened.ImportScdFile(scd.string()), 1);
    ASSERT_EQ(reopened.m_iedList.GetSize(), 1);
    EXPECT_EQ(reopened.m_iedList[0].m_strType, "线路保护");
}

TEST_F(SCDImportTest, BrokenFileIsReportedAndLeavesTheProject) {
    testsupport::WriteBytes(tmp / "bad.scd", "<SCL><IED name=\"x\">");
    CConfigDoc doc;
    doc.m_deviceModels.Add(CDeviceTemplate());
    CSCDImport import;
    EXPECT_EQ(import.ImportSCD(doc, (tmp / "bad.scd").string()), 0);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"导入SCD失败：解析文件失败!"});
    EXPECT_EQ(doc.m_deviceModels.GetSize(), 1);
    EXPECT_FALSE(std::filesystem::exists(CSCDImport::CacheFilePath()));
    EXPECT_EQ(import.LoadSCDFile(doc, ""), 0);
}

TEST(DataSetIndexTest, MembersMatchWholeReferences) {
    CDataSetIndex index;
    index.Add("PROT/PTOC1$ST$Op$");
    index.Add("MEAS/MMXU1$MX$Hz$mag$f");
    index.Add("MEAS/MMXU1$MX$A$phsA$"); // a sub-data-object named by the FCDA
    index.Add("ROT/PDIS1$ST$Str$general");
    EXPECT_TRUE(index.Matches("PROT/PTOC1$ST$Op$general"));
    EXPECT_TRUE(index.Matches("meas/mmxu1$mx$hz$mag$f"));
    EXPECT_FALSE(index.Matches("meas/mmxu1$mx$hz$mag$f$x"));
    EXPECT_FALSE(index.Matches("prot/PTOC1$ST$Op$general"));
    EXPECT_TRUE(index.Matches("MEAS/MMXU1$MX$A$phsA$cVal$mag$f"));
    EXPECT_FALSE(index.Matches("MEAS/MMXU1$MX$A$phsAB$cVal$mag$f"));
    EXPECT_TRUE(index.Matches("ROT/PDIS1$ST$Str$general"));
    EXPECT_FALSE(index.Matches("PROT/PDIS1$ST$Str$general")); // "ROT/..." lies inside "PROT/..."
    EXPECT_FALSE(index.Matches("PROT/PTOC2$ST$Op$general"));
    EXPECT_FALSE(index.Matches("XPROT/PTOC1$ST$Op$general"));
    // Read from a start shared by many references (cut at any byte, a member may name a part of
    // the start itself), the test answers as for the whole reference.
    for (const std::string reference :
         {"PROT/PTOC1$ST$Op$general", "meas/mmxu1$mx$hz$mag$f", "MEAS/MMXU1$MX$A$phsA$cVal$mag$f",
          "MEAS/MMXU1$MX$A$phsAB$cVal$mag$f", "PROT/PDIS1$ST$Str$general", "ROT/PDIS1$ST$Str$general"})
        for (std::size_t cut = 0; cut <= reference.size(); ++cut)
            EXPECT_EQ(index.Matches(index.Start(reference.substr(0, cut)), reference),
                      index.Matches(reference))
                << reference << " from " << cut;

    // Cleared, the index holds none of the old members; refilled past its first room, it finds
    // every new one, whole and as a part, and nothing of the old.
    index.Clear();
    EXPECT_TRUE(index.Empty());
    EXPECT_FALSE(index.Matches("PROT/PTOC1$ST$Op$general"));
    for (int i = 0; i < 500; ++i)
        index.Add("LD/GGIO" + std::to_string(i) + "$ST$Ind$" + (i % 2 ? "stVal" : ""));
    for (int i = 0; i < 500; ++i) {
        const std::string ln = "LD/GGIO" + std::to_string(i);
        EXPECT_EQ(index.Matches(ln + "$ST$Ind$stVal"), true) << i;
        EXPECT_EQ(index.Matches(ln + "$ST$Ind$q"), i % 2 == 0) << i;
        EXPECT_EQ(index.Matches("ld/ggio" + std::to_string(i) + "$st$ind$stval"), i % 2 == 1) << i;
    }
    EXPECT_FALSE(index.Matches("PROT/PTOC1$ST$Op$general"));
    EXPECT_FALSE(index.Matches("LD/GGIO500$ST$Ind$stVal"));
}

// A station of many IEDs of one template, IED k with k + 1 indications in its data set; "extra"
// is put into the IED of that index.
std::string ManyIedScd(int ieds, int special = -1, const std::string& extra = {}) {
    std::string text = "<?xml version=\"1.0\"?>\n<SCL>";
    for (int k = 0; k < ieds; ++k) {
        const std::string n = std::to_string(k);
        text += "<IED name=\"D" + n + "\" type=\"T" + n + "\" desc=\"装置" + n +
                "\"><AccessPoint name=\"S1\"><Server><LDevice inst=\"LD\"><LN0 lnClass=\"LLN0\" inst=\"\" "
                "lnType=\"L0\"><DataSet name=\"ds\">";
        for (int i = 0; i <= k % 7; ++i)
            text += "<FCDA ldInst=\"LD\" lnClass=\"GGIO\" lnInst=\"" + std::to_string(i + 1) +
                    "\" doName=\"Ind\" fc=\"ST\"/>";
        text += "</DataSet></LN0>";
        for (int i = 0; i <= k % 7; ++i)
            text += "<LN lnClass=\"GGIO\" inst=\"" + std::to_string(i + 1) +
                    "\" lnType=\"G\"><DOI name=\"Ind\" desc=\"开入" + n + "-" + std::to_string(i) +
                    "\"/></LN>";
        if (k == special)
            text += extra;
        text += "</LDevice></Server></AccessPoint></IED>";
    }
    text += "<DataTypeTemplates><LNodeType id=\"L0\" lnClass=\"LLN0\"/>"
            "<LNodeType id=\"G\" lnClass=\"GGIO\"><DO name=\"Ind\" type=\"S\"/></LNodeType>"
            "<LNodeType id=\"LOOP\" lnClass=\"GGIO\"><DO name=\"Ind\" type=\"C\"/></LNodeType>"
            "<DOType id=\"S\" cdc=\"SPS\"><DA name=\"stVal\" bType=\"BOOLEAN\" fc=\"ST\"/></DOType>"
            "<DOType id=\"C\" cdc=\"SPS\"><DA name=\"stVal\" bType=\"BOOLEAN\" fc=\"ST\"/>"
            "<DA name=\"x\" bType=\"Struct\" type=\"X\" fc=\"ST\"/></DOType>"
            "<DAType id=\"X\"><BDA name=\"y\" bType=\"Struct\" type=\"X\"/></DAType>"
            "</DataTypeTemplates></SCL>\n";
    return text;
}

// The IEDs of a big file are walked and built on several threads; what comes out is what one
// thread makes of each IED alone (a file of one IED is walked on the calling thread), in file
// order: information models, device models, devices and the cache's bytes.
TEST_F(SCDImportTest, IedsWalkedOnSeveralThreadsAreFiledInFileOrder) {
    CProjectContext::Instance().m_bGetGoosePoints = true;
    constexpr int kIeds = 61;
    const fs::path scd = tmp / "many.scd";
    testsupport::WriteBytes(scd, ManyIedScd(kIeds));
    CConfigDoc doc;
    CSCDImport import;
    std::vector<std::string> seen;
    import.SetIedObserver([&](const CInfoModel& m) { seen.push_back(m.m_strName);
});
import.ImportSCD(doc, scd.string());
ASSERT_EQ(prompts.Count(), 0u) << prompts.Texts()[0];
ASSERT_EQ(doc.m_infoModels.size(), static_cast<std::size_t>(kIeds));
ASSERT_EQ(doc.m_deviceModels.GetSize(), kIeds);
ASSERT_EQ(doc.m_devices.GetSize(), kIeds);
const std::string cache = testsupport::ReadBytes(CSCDImport::CacheFilePath());
fs::path temp = CSCDImport::CacheFilePath();
temp += ".tmp";
EXPECT_FALSE(fs::exists(temp));
// The data-set members the document keeps are the last IED's.
EXPECT_EQ(doc.m_dataSetMembers.size(), static_cast<std::size_t>((kIeds - 1) % 7 + 1));

platform::CArchive expected;
expected.WriteU8(0);
expected.WriteI32(kIeds);
for (int k = 0; k < kIeds; ++k) {
    const std::string name = "D" + std::to_string(k);
    EXPECT_EQ(seen[static_cast<std::size_t>(k)], name);
    EXPECT_EQ(doc.m_infoModels[static_cast<std::size_t>(k)]->m_strName, name);
    // The same IED alone in a file of its own.
    std::string one = ManyIedScd(k + 1);
    const std::size_t from = one.find("<IED name=\"" + name + "\"");
    one.erase(one.find("<IED "), from - one.find("<IED "));
    const fs::path single = tmp / "one.scd";
    testsupport::WriteBytes(single, one);
    CConfigDoc alone;
    CSCDImport walker;
    ASSERT_EQ(walker.LoadSCDFile(alone, single.string()), 1);
    ASSERT_EQ(alone.m_infoModels.size(), 1u);
    EXPECT_EQ(alone.m_infoModels[0]->m_allPoints.size(), static_cast<std::size_t>(k % 7 + 1)) << name;
    CDeviceTemplate model = BuildDeviceModel(*alone.m_infoModels[0]);
    EXPECT_TRUE(doc.m_deviceModels[k] == model) << name;
    EXPECT_EQ(doc.m_devices[k].m_strModelName, model.m_strName);
    EXPECT_EQ(doc.m_devices[k].m_strDescription, "装置" + std::to_string(k));
    EXPECT_TRUE(doc.m_devices[k].m_model == model) << name;
    SerializeSCDIED(expected, model);
}
CScdCacheBound bound;
bound.scdBytes = fs::file_size(scd);
bound.cacheBytes = expected.Bytes().size();
EXPECT_TRUE(cache == expected.Bytes() + bound.Trailer());
CProjectContext::Instance().m_bGetGoosePoints = false;
} // namespace

// The thread count asked for changes nothing of what an import makes.
TEST_F(SCDImportTest, OneThreadOrSeveralMakeTheSameImport) {
    CProjectContext::Instance().m_bGetGoosePoints = true;
    const fs::path scd = tmp / "many.scd";
    testsupport::WriteBytes(scd, ManyIedScd(40));
    std::string caches[2];
    std::vector<std::string> devices[2];
    for (const std::size_t threads : {1u, 3u}) {
        CConfigDoc doc;
        CSCDImport import;
        import.SetThreads(threads);
        import.ImportSCD(doc, scd.string());
        ASSERT_EQ(prompts.Count(), 0u);
        const int k = threads == 1 ? 0 : 1;
        caches[k] = testsupport::ReadBytes(CSCDImport::CacheFilePath());
        for (const CDevice& d : doc.m_devices)
            devices[k].push_back(std::to_string(d.m_nAddress) + d.m_strModelName + d.m_strDescription);
    }
    EXPECT_EQ(caches[0], caches[1]);
    EXPECT_EQ(devices[0], devices[1]);
    EXPECT_EQ(devices[0].size(), 40u);
    CProjectContext::Instance().m_bGetGoosePoints = false;
}

// A late IED that cannot be read, or that uses a type referring to itself, refuses the whole file
// while the other threads are busy with the IEDs after it: the project, the cache and the
// library stay, and no temporary cache file is left.
TEST_F(SCDImportTest, ALateIedsFaultRefusesTheFileWhileOthersAreWalked) {
    CProjectContext::Instance().m_bGetGoosePoints = true;
    CConfigDoc doc;
    CSCDImport import;
    import.ImportSCD(doc, StationScd());
    const std::string cache = testsupport::ReadBytes(CSCDImport::CacheFilePath());
    ASSERT_EQ(doc.m_deviceModels.GetSize(), 4);
    fs::path temp = CSCDImport::CacheFilePath();
    temp += ".tmp";

    const struct {
        std::string extra;
        std::string message;
    } faults[] = {
        {"<LN lnClass=\"RDRE\" inst=\"99\" lnType=\"LOOP\"/>",
         "导入SCD失败：装置(D150)的数据类型(X)引用自身!"},
        {"<LN lnClass=\"GGIO\" inst=\"99\" lnType=\"G\"><DOI name=\"Ind\" desc=\"a\"></LN>",
         "导入SCD失败：解析文件失败!"},
    };
    for (const auto& fault : faults) {
        const fs::path scd = tmp / "late.scd";
        testsupport::WriteBytes(scd, ManyIedScd(200, 150, fault.extra));
        prompts.Clear();
        import.ImportSCD(doc, scd.string());
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{fault.message});
        EXPECT_TRUE(doc.m_infoModels.empty());
        EXPECT_EQ(doc.m_deviceModels.GetSize(), 4);
        EXPECT_EQ(doc.m_devices.GetSize(), 4);
        EXPECT_EQ(testsupport::ReadBytes(CSCDImport::CacheFilePath()), cache);
        EXPECT_FALSE(fs::exists(temp));
    }
    CProjectContext::Instance().m_bGetGoosePoints = false;
}

} // namespace

// A station file saved in GBK but declared UTF-8 imports as its GBK copy does: every description
// and device is UTF-8 text, the same as the correctly declared file gives. Bytes valid in neither
// refuse the file with their line, and the project keeps what it had.
TEST_F(SCDImportTest, GbkBytesDeclaredAsUtf8ImportAsGbkAndInvalidBytesAreRefused) {
    const std::string utf8 = testsupport::ReadBytes(StationScd());
    CConfigDoc reference;
    CSCDImport import;
    import.ImportSCD(reference, StationScd());
    ASSERT_EQ(prompts.Count(), 0u);

    const fs::path misdeclared = tmp / "misdeclared.scd";
    testsupport::WriteBytes(misdeclared, platform::ToGbk(utf8));
    CConfigDoc doc;
    import.ImportSCD(doc, misdeclared.string());
    ASSERT_EQ(prompts.Count(), 0u) << prompts.Texts()[0];
    ASSERT_EQ(doc.m_deviceModels.GetSize(), reference.m_deviceModels.GetSize());
    for (int i = 0; i < doc.m_deviceModels.GetSize(); ++i) {
        EXPECT_TRUE(doc.m_deviceModels[i] == reference.m_deviceModels[i]) << i;
        for (const CInfoGroup& g : doc.m_deviceModels[i].m_groups)
            for (const CInfoEntry& e : g.m_entries)
                EXPECT_EQ(platform::FirstInvalidUtf8(e.m_strDesc), std::string_view::npos);
    }
    ASSERT_EQ(doc.m_devices.GetSize(), reference.m_devices.GetSize());
    for (int i = 0; i < doc.m_devices.GetSize(); ++i)
        EXPECT_EQ(doc.m_devices[i].m_strDescription, reference.m_devices[i].m_strDescription) << i;

    // A byte valid in neither encoding on the third line.
    std::string broken = utf8;
    const std::size_t third = broken.find('\n', broken.find('\n') + 1) + 1;
    broken.insert(broken.find('>', third), " desc=\"\xFF\"");
    const fs::path bad = tmp / "bad.scd";
    testsupport::WriteBytes(bad, broken);
    const std::string cache = testsupport::ReadBytes(CSCDImport::CacheFilePath());
    import.ImportSCD(doc, bad.string());
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(prompts.Texts()[0].rfind("导入SCD失败：文件(" + bad.string() + ")第3行", 0), 0u)
        << prompts.Texts()[0];
    EXPECT_EQ(testsupport::ReadBytes(CSCDImport::CacheFilePath()), cache);
    EXPECT_EQ(doc.m_deviceModels.GetSize(), reference.m_deviceModels.GetSize());
}

// A re-import refreshes the first device of each model in the table, in either table order, and
// leaves a later device of the same model as it was.
TEST_F(SCDImportTest, ReimportRefreshesTheFirstDeviceOfAModel) {
    for (const bool sorted : {true, false}) {
        SCOPED_TRACE(sorted ? "sorted table" : "table in entry order");
        CProjectContext::Instance().SetDeviceTableSorted(sorted);
        CConfigDoc doc;
        CSCDImport import;
        import.ImportSCD(doc, StationScd());
        ASSERT_EQ(doc.m_devices.GetSize(), 4);
        const std::string model = doc.m_devices[0].m_strModelName;
        CDevice second = doc.m_devices[0];
        second.m_nAddress = second.m_nMappedAddress = 40;
        second.m_strDescription = "second";
        ASSERT_GE(doc.m_devices.Insert(second), 0);
        doc.m_devices[doc.m_devices.FindIndexByAddress(1)].m_strDescription = "first";
        const int first = doc.m_devices.FindIndexByModelName(model);
        ASSERT_EQ(doc.m_devices[first].m_nAddress, 1);

        import.ImportSCD(doc, StationScd());
        ASSERT_EQ(doc.m_devices.GetSize(), 5);
        EXPECT_EQ(doc.m_devices[doc.m_devices.FindIndexByAddress(1)].m_strDescription, "220kV线路一保护");
        EXPECT_EQ(doc.m_devices[doc.m_devices.FindIndexByAddress(40)].m_strDescription, "second");
    }
}

// A point's description comes from the first DOI of its data object's name, without regard to
// case, in a logical node of a few DOIs and in one of many.
TEST_F(SCDImportTest, ThePointsTakeTheFirstDoiOfTheirName) {
    CProjectContext::Instance().m_bGetGoosePoints = true;
    std::string many, manyType;
    for (int i = 1; i <= 20; ++i) {
        many += "<DOI name=\"ind" + std::to_string(i) + "\" desc=\"d" + std::to_string(i) + "\"/>";
        manyType += "<DO name=\"Ind" + std::to_string(i) + "\" type=\"S\"/>";
    }
    many += "<DOI name=\"IND3\" desc=\"dup\"/>";
    const std::string text =
        "<?xml version=\"1.0\"?>\n<SCL><IED name=\"D\" type=\"T\"><AccessPoint name=\"S1\"><Server>"
        "<LDevice inst=\"LD\"><LN0 lnClass=\"LLN0\" inst=\"\" lnType=\"L0\"><DataSet name=\"ds\">"
        "<FCDA ldInst=\"LD\" lnClass=\"GGIO\" lnInst=\"1\" fc=\"ST\"/>"
        "<FCDA ldInst=\"LD\" lnClass=\"GGIO\" lnInst=\"2\" fc=\"ST\"/></DataSet></LN0>"
        "<LN lnClass=\"GGIO\" inst=\"1\" lnType=\"G20\">" +
        many +
        "</LN><LN lnClass=\"GGIO\" inst=\"2\" lnType=\"G3\"><DOI name=\"IND1\" desc=\"first\"/>"
        "<DOI name=\"ind1\" desc=\"second\"/><DOI name=\"Ind2\" desc=\"two\"/></LN>"
        "</LDevice></Server></AccessPoint></IED><DataTypeTemplates><LNodeType id=\"L0\" lnClass=\"LLN0\"/>"
        "<LNodeType id=\"G20\" lnClass=\"GGIO\">" +
        manyType +
        "</LNodeType><LNodeType id=\"G3\" lnClass=\"GGIO\"><DO name=\"Ind1\" type=\"S\"/>"
        "<DO name=\"Ind2\" type=\"S\"/><DO name=\"Ind3\" type=\"S\"/></LNodeType>"
        "<DOType id=\"S\" cdc=\"SPS\"><DA name=\"stVal\" bType=\"BOOLEAN\" fc=\"ST\"/></DOType>"
        "</DataTypeTemplates></SCL>\n";
    const fs::path scd = tmp / "dois.scd";
    testsupport::WriteBytes(scd, text);
    CConfigDoc doc;
    CSCDImport import;
    ASSERT_EQ(import.LoadSCDFile(doc, scd.string()), 1);
    const CInfoModel* model = Model(doc, "D");
    ASSERT_NE(model, nullptr);
    std::map<std::string, std::string> desc;
    for (const auto& p : model->m_allPoints)
        desc[std::string(p->m_strReference.View())] = std::string(p->m_strDesc.View());
    ASSERT_EQ(desc.size(), 23u);
    EXPECT_EQ(desc["LD/GGIO1$ST$Ind3$stVal"], "d3");
    EXPECT_EQ(desc["LD/GGIO1$ST$Ind20$stVal"], "d20");
    EXPECT_EQ(desc["LD/GGIO2$ST$Ind1$stVal"], "first");
    EXPECT_EQ(desc["LD/GGIO2$ST$Ind2$stVal"], "two");
    EXPECT_EQ(desc["LD/GGIO2$ST$Ind3$stVal"], "LD/GGIO2$ST$Ind3$stVal"); // no DOI: the reference
}
