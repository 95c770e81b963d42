// The operator log: month files, the line layout in GBK with CR LF, concurrent writers.
#include "configtool/applog/OperatorLog.h"
#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "platform/TextFile.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <thread>

using namespace qxm7740;

using testsupport::TempDir;

namespace {

std::tm Local(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return tm;
}

} // namespace

TEST(OperatorLog, LinesGoToTheMonthFileInGbkWithCrLf) {
    TempDir tmp;
    COperatorLog log(tmp.Path());
    log.WriteLogAt(Local(2026, 3, 5, 7, 8, 9), "系统管理员登陆7740组态工具。");
    log.WriteLogAt(Local(2026, 3, 31, 23, 59, 58), "");
    log.WriteLogAt(Local(2026, 4, 1, 0, 0, 0), "保存工程文件，文件名：/p/a.ini");

    EXPECT_EQ(testsupport::ReadBytes(tmp / "LogFiles" / "2026-03.log"),
              platform::ToGbk("2026年03月05日07时08分09秒:系统管理员登陆7740组态工具。\r\n"
                              "2026年03月31日23时59分58秒:\r\n"));
    EXPECT_EQ(testsupport::ReadBytes(tmp / "LogFiles" / "2026-04.log"),
              platform::ToGbk("2026年04月01日00时00分00秒:保存工程文件，文件名：/p/a.ini\r\n"));
}

TEST(OperatorLog, LineEndsInsideTheTextBecomeCrLfOnce) {
    TempDir tmp;
    COperatorLog log(tmp.Path());
    log.WriteLogAt(Local(2026, 3, 5, 7, 8, 9), "甲\n乙\r\n丙");
    EXPECT_EQ(testsupport::ReadBytes(tmp / "LogFiles" / "2026-03.log"),
              platform::ToGbk("2026年03月05日07时08分09秒:甲\r\n乙\r\n丙\r\n"));
}

TEST(OperatorLog, WriteLogStampsTheCurrentMonth) {
    TempDir tmp;
    COperatorLog log(tmp.Path());
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    log.WriteLog("x");
    const std::string text = testsupport::ReadGbkText(log.FileFor(tm));
    EXPECT_NE(text.find("秒:x\n"), std::string::npos) << text;
}

TEST(OperatorLog, TwoThreadsLoseNoLine) {
    TempDir tmp;
    COperatorLog log(tmp.Path());
    const std::tm tm = Local(2026, 5, 1, 12, 0, 0);
    auto writer = [&](char tag) {
        for (int i = 0; i < 500; ++i)
            log.WriteLogAt(tm, std::string(1, tag).append(std::to_string(i)).append(200, tag));
    };
    std::thread a(writer, 'a');
    std::thread b(writer, 'b');
    a.join();
    b.join();
    std::istringstream in(testsupport::ReadGbkText(log.FileFor(tm)));
    std::set<std::string> seen;
    std::string line;
    while (std::getline(in, line)) {
        const std::string stamp = "2026年05月01日12时00分00秒:";
        ASSERT_EQ(line.substr(0, stamp.size()), stamp);
        std::string body = line.substr(stamp.size());
        char tag = body[0];
        ASSERT_EQ(body.substr(body.size() - 200), std::string(200, tag));
        seen.insert(body.substr(0, body.size() - 200));
    }
    EXPECT_EQ(seen.size(), 1000u);
}

TEST(OperatorLog, AFolderThatCannotBeCreatedLosesTheLineQuietly) {
    TempDir tmp;
    testsupport::WriteBytes(tmp / "LogFiles", "a file in the way");
    COperatorLog log(tmp.Path());
    log.WriteLogAt(Local(2026, 1, 1, 0, 0, 0), "lost");
    EXPECT_EQ(testsupport::ReadBytes(tmp / "LogFiles"), "a file in the way");
}

// A full disk: an entry is written whole or not at all, and after a tail cut by an earlier
// failure (here a line cut inside a character) the next entry begins on a line of its own.
TEST(OperatorLog, WholeEntriesOrNoneAndABrokenTailIsClosed) {
    TempDir tmp;
    COperatorLog log(tmp.Path());
    const std::filesystem::path file = tmp / "LogFiles" / "2026-03.log";
    log.WriteLogAt(Local(2026, 3, 5, 7, 8, 9), "甲");
    const std::string first = platform::ToGbk("2026年03月05日07时08分09秒:甲\r\n");
    ASSERT_EQ(testsupport::ReadBytes(file), first);

    {
        platform::CFileFaults faults;
        faults.FailFrom(platform::FileStep::Write, 1,
                        [&](const std::filesystem::path& p) { return p == file; });
        log.WriteLogAt(Local(2026, 3, 5, 7, 8, 10), "保存工程文件，文件名：/p/a.ini");
    }
    EXPECT_EQ(testsupport::ReadBytes(file), first);

    const std::string cut = platform::ToGbk("2026年03月05日07时08分11秒:乙").substr(0, 30);
    testsupport::WriteBytes(file, first + cut);
    log.WriteLogAt(Local(2026, 3, 5, 7, 8, 12), "丙");
    EXPECT_EQ(testsupport::ReadBytes(file),
              first + cut + "\r\n" + platform::ToGbk("2026年03月05日07时08分12秒:丙\r\n"));
}

// A failed write is cut back only as far as its own bytes: an entry another process appended
// in the meantime stays whole.
TEST(OperatorLog, ACutBackKeepsAnEntryAppendedByAnotherProcess) {
    TempDir tmp;
    COperatorLog log(tmp.Path());
    const std::filesystem::path file = tmp / "LogFiles" / "2026-03.log";
    log.WriteLogAt(Local(2026, 3, 5, 7, 8, 9), "甲");
    const std::string first = testsupport::ReadBytes(file);
    const std::string other = platform::ToGbk("2026年03月05日07时08分10秒:另一个程序\r\n");
    {
        platform::CFileFaults faults;
        faults.FailFrom(platform::FileStep::Write, 1, [&](const std::filesystem::path& p) {
            // The other writer appends just before this entry's bytes go out.
            std::ofstream(p, std::ios::binary | std::ios::app) << other;
            return p == file;
        });
        log.WriteLogAt(Local(2026, 3, 5, 7, 8, 11), "保存工程文件，文件名：/p/a.ini");
    }
    EXPECT_EQ(testsupport::ReadBytes(file), first + other);
}
