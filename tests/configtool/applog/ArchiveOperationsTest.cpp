// The application's archive operations: packing a folder tree, unpacking below
// <target>/<archive name>/, and the operator-log lines of every failure.
#include "configtool/applog/ArchiveOperations.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

using namespace qxm7740;

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

class LogRecorder : public ILogSink {
public:
    void WriteLog(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

std::map<std::string, std::string> ReadTree(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file())
            files[fs::relative(e.path(), root).string()] = testsupport::ReadBytes(e.path());
    return files;
}

void MakeProject(const fs::path& root) {
    std::mt19937 gen(3);
    std::string bin(40000, '\0');
    for (auto& c : bin)
        c = static_cast<char>(gen());
    testsupport::WriteBytes(root / "工程.ini", "[工程]\r\n名称=测试\r\n");
    testsupport::WriteBytes(root / "V1" / "system.cfg", "system\r\n");
    testsupport::WriteBytes(root / "V1" / "ccu_工程间隔.cfg", std::string(5000, 'x'));
    testsupport::WriteBytes(root / "ini" / "devlist.ini", "[devices]\r\n");
    testsupport::WriteBytes(root / "ini" / "二次装置" / "model.bin", bin);
    testsupport::WriteBytes(root / "B.txt", "b");
}

class ArchiveOperationsTest : public ::testing::Test {
protected:
    TempDir tmp;
    LogRecorder log;
    CArchiveOperations ops{log, (tmp / "Ini").string()};

    std::vector<std::string> EntryNames(const fs::path& zip) {
        CZipArchive a;
        EXPECT_TRUE(a.Open(zip.string(), CZipArchive::zipOpenReadOnly));
        std::vector<std::string> names;
        for (int i = 0; i < a.GetEntryCount(); ++i) {
            CZipEntryHeader h;
            a.GetEntryInfo(i, h);
            names.push_back(h.GetFileName());
        }
        a.Close();
        return names;
    }
};

} // namespace

TEST_F(ArchiveOperationsTest, PackAndUnpackAFolderTree) {
    MakeProject(tmp / "DownTemp" / "proj");
    const fs::path zip = tmp / "DownTemp" / "proj.zip";
    ASSERT_EQ(ops.CreateZip(zip.string()), 1);
    ASSERT_EQ(ops.CompressFolder((tmp / "DownTemp" / "proj").string() + "/"), 1);
    EXPECT_TRUE(ops.Archive().IsClosed());
    EXPECT_TRUE(log.lines.empty());
    // Names relative to the folder; each folder's files first, then its subfolders, by GBK order.
    EXPECT_EQ(EntryNames(zip),
              (std::vector<std::string>{"B.txt", "工程.ini", "V1/ccu_工程间隔.cfg", "V1/system.cfg",
                                        "ini/devlist.ini", "ini/二次装置/model.bin"}));

    ASSERT_EQ(ops.OpenZip(zip.string()), 1);
    ASSERT_EQ(ops.ExtractZip((tmp / "UpTemp").string()), 1);
    EXPECT_TRUE(ops.Archive().IsClosed());
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(ReadTree(tmp / "UpTemp" / "proj"), ReadTree(tmp / "DownTemp" / "proj"));

    // The same folder packed again gives the same archive bytes.
    const std::string first = testsupport::ReadBytes(zip);
    ASSERT_EQ(ops.CreateZip(zip.string()), 1);
    ASSERT_EQ(ops.CompressFolder((tmp / "DownTemp" / "proj").string()), 1);
    EXPECT_EQ(testsupport::ReadBytes(zip), first);
}

TEST_F(ArchiveOperationsTest, AnEmptyFolderArgumentPacksTheIniFolder) {
    testsupport::WriteBytes(tmp / "Ini" / "Protocol.ini", "[p]\r\n");
    ASSERT_EQ(ops.CreateZip((tmp / "ini.zip").string()), 1);
    ASSERT_EQ(ops.CompressFolder(""), 1);
    EXPECT_EQ(EntryNames(tmp / "ini.zip"), std::vector<std::string>{"Protocol.ini"});
}

TEST_F(ArchiveOperationsTest, FailuresBecomeLogLinesAndLeaveTheArchiveClosed) {
    const std::string missing = (tmp / "none.zip").string();
    EXPECT_EQ(ops.OpenZip(missing), 0);
    EXPECT_TRUE(ops.Archive().IsClosed());

    const std::string badDir = (tmp / "no" / "such" / "dir" / "a.zip").string();
    EXPECT_EQ(ops.CreateZip(badDir), 0);
    EXPECT_TRUE(ops.Archive().IsClosed());

    testsupport::WriteBytes(tmp / "notzip.zip", "this is no archive");
    const std::string notZip = (tmp / "notzip.zip").string();
    EXPECT_EQ(ops.OpenZip(notZip), 0);
    EXPECT_TRUE(ops.Archive().IsClosed());

    // A file whose name has no GBK form cannot be packed.
    testsupport::WriteBytes(tmp / "src" / "ok.txt", "ok");
    testsupport::WriteBytes(tmp / "src" / "z\xF0\x9F\x98\x80.txt", "x");
    ASSERT_EQ(ops.CreateZip((tmp / "p.zip").string()), 1);
    const std::string src = (tmp / "src").string();
    EXPECT_EQ(ops.CompressFolder(src), 0);
    EXPECT_TRUE(ops.Archive().IsClosed());
    EXPECT_FALSE(ops.HasError());

    // Nothing open: neither packing nor unpacking can succeed.
    EXPECT_EQ(ops.CompressFolder(src), 0);
    EXPECT_EQ(ops.ExtractZip((tmp / "out").string()), 0);
    // A folder that is not there gives no (empty) archive.
    ASSERT_EQ(ops.CreateZip((tmp / "q.zip").string()), 1);
    const std::string gone = (tmp / "gone").string();
    EXPECT_EQ(ops.CompressFolder(gone), 0);

    EXPECT_EQ(log.lines, (std::vector<std::string>{
                             "要打开的压缩文件不存在！文件名：" + missing,
                             "创建压缩文件时失败！文件名：" + badDir,
                             "打开的压缩文件失败！文件名：" + notZip,
                             "压缩文件夹时失败！文件夹：" + src,
                             "压缩文件夹时失败！文件夹：" + src,
                             "释放压缩文件时失败！目标文件夹：" + (tmp / "out").string() + "/p",
                             "压缩文件夹时失败！文件夹：" + gone,
                         }));
    // The next operation starts afresh.
    ASSERT_EQ(ops.OpenZip((tmp / "p.zip").string()), 1);
    EXPECT_EQ(ops.ExtractZip((tmp / "out").string()), 1);
    EXPECT_EQ(testsupport::ReadBytes(tmp / "out" / "p" / "ok.txt"), "ok");
}

TEST_F(ArchiveOperationsTest, ExtractionStopsAtAnEntryOutsideTheTarget) {
    // An archive with a good entry, then one named "../escape.txt".
    const fs::path zip = tmp / "evil.zip";
    {
        CZipArchive a;
        ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipCreate));
        testsupport::WriteBytes(tmp / "good.txt", "good");
        ASSERT_TRUE(a.AddFile((tmp / "good.txt").string(), -1, false));
        CZipEntryHeader h;
        h.SetFileName("../escape.txt");
        ASSERT_TRUE(a.OpenNewEntry(h));
        ASSERT_TRUE(a.WriteToNewEntry("bad", 3));
        ASSERT_TRUE(a.CloseNewEntry());
        a.Close();
    }
    fs::create_directories(tmp / "up");
    ASSERT_EQ(ops.OpenZip(zip.string()), 1);
    EXPECT_EQ(ops.ExtractZip((tmp / "up").string() + "/"), 0);
    EXPECT_TRUE(ops.Archive().IsClosed());
    const std::string folder = (tmp / "up").string() + "/evil";
    EXPECT_EQ(log.lines, std::vector<std::string>{"释放压缩文件时失败！目标文件夹：" + folder});
    // What the extraction wrote before the refused entry is taken back.
    EXPECT_FALSE(fs::exists(tmp / "up" / "evil"));
    EXPECT_FALSE(fs::exists(tmp / "up" / "escape.txt"));
}

TEST_F(ArchiveOperationsTest, AnArchiveBeyondTheExtractionBoundIsRefusedWithItsCause) {
    // One megabyte of zeros packs to a few kilobytes; the bound is set below what it declares.
    const fs::path zip = tmp / "big.zip";
    testsupport::WriteBytes(tmp / "zeros.bin", std::string(1 << 20, '\0'));
    {
        CZipArchive a;
        ASSERT_TRUE(a.Open(zip.string(), CZipArchive::zipCreate));
        ASSERT_TRUE(a.AddFile((tmp / "zeros.bin").string(), -1, false));
        a.Close();
    }
    fs::create_directories(tmp / "up");
    ASSERT_EQ(ops.OpenZip(zip.string()), 1);
    CZipArchive::ExtractLimits limits;
    limits.maxTotal = 1000;
    ops.Archive().SetExtractLimits(limits);
    EXPECT_EQ(ops.ExtractZip((tmp / "up").string() + "/"), 0);
    const std::string folder = (tmp / "up").string() + "/big";
    EXPECT_EQ(log.lines,
              (std::vector<std::string>{"释放压缩文件时失败！目标文件夹：" + folder, kArchiveTooLarge}));
    EXPECT_FALSE(fs::exists(tmp / "up" / "big"));
}

TEST_F(ArchiveOperationsTest, FolderWalkSortsAndSkipsLinkedFolders) {
    testsupport::WriteBytes(tmp / "w" / "b.txt", "");
    testsupport::WriteBytes(tmp / "w" / "A.txt", "");
    testsupport::WriteBytes(tmp / "w" / "z" / "1.txt", "1");
    testsupport::WriteBytes(tmp / "w" / "a" / "2.txt", "22");
    fs::create_directory_symlink(tmp / "w", tmp / "w" / "loop");
    std::vector<ZipFileItem> list;
    CArchiveOperations::ListFolder((tmp / "w").string() + "/", list);
    std::vector<std::string> rel;
    for (const auto& item : list)
        rel.push_back(fs::relative(item.path, tmp / "w").string() + ":" + std::to_string(item.size));
    EXPECT_EQ(rel, (std::vector<std::string>{"A.txt:0", "b.txt:0", "a/2.txt:2", "z/1.txt:1"}));
}

TEST_F(ArchiveOperationsTest, AnArchiveThatCannotBeWrittenAtCloseIsNoSuccess) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    testsupport::WriteBytes(tmp / "src" / "a.txt", "abc");
    // Everything waits in the write buffer until Close, where the device refuses it.
    ASSERT_EQ(ops.CreateZip("/dev/full"), 1);
    EXPECT_EQ(ops.CompressFolder((tmp / "src").string()), 0);
    EXPECT_TRUE(ops.Archive().IsClosed());
    EXPECT_EQ(log.lines, std::vector<std::string>{"释放压缩文件时失败！"});
    EXPECT_TRUE(ops.HasError());
    // The next operation starts afresh.
    ASSERT_EQ(ops.CreateZip((tmp / "ok.zip").string()), 1);
    EXPECT_EQ(ops.CompressFolder((tmp / "src").string()), 1);
    EXPECT_FALSE(ops.HasError());
}
