#include "configtool/model/MgrIpFile.h"

#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace qxm7740 {

namespace {

const char* const kKeys[3] = {"ip-address=", "subnet-mask=", "router="};

std::string OneLine(const std::string& value) {
    std::size_t cut = value.find_first_of("\r\n");
    return cut == std::string::npos ? value : value.substr(0, cut);
}

} // namespace

std::string CMgrIpFile::SectionName(int row) {
    return platform::StrFormat("[arm%d-ethnet%d]", row / 2, row % 2 + 1);
}

std::string CMgrIpFile::FileNameFor(std::string_view number) {
    if (number.empty())
        return {};
    return std::string(number) + "-PCTCP.ini";
}

bool CMgrIpFile::CheckNumber(const std::string& number) {
    if (number.empty()) {
        platform::MessageBox("请先输入管理机序号！");
        return false;
    }
    // The number names a file in the working folder; it must not lead anywhere else.
    if (!IsValidNumber(number)) {
        platform::MessageBox("管理机序号不合法！");
        return false;
    }
    return true;
}

bool CMgrIpFile::IsValidNumber(std::string_view number) {
    return !number.empty() && platform::IsSafeFileName(FileNameFor(number));
}

CMgrIpFile::ReadResult CMgrIpFile::ParseBytes(std::string bytes, Rows& rows) {
    platform::CGbkLineReader reader;
    reader.OpenBytes(std::move(bytes));
    int row = -1;
    std::string line;
    while (reader.ReadLine(line)) {
        int section = -1;
        for (int i = 0; i < kRowCount; ++i)
            if (platform::EqualsNoCase(line, SectionName(i))) {
                section = i;
                break;
            }
        if (section >= 0) {
            row = section;
            continue;
        }
        int key = -1;
        for (int k = 0; k < 3; ++k)
            if (line.find(kKeys[k]) != std::string::npos) {
                key = k;
                break;
            }
        if (key < 0 || row < 0)
            return ReadResult::BadFormat;
        std::string value = line.substr(line.find('=') + 1);
        CMgrIpRow& r = rows[row];
        (key == 0 ? r.address : key == 1 ? r.mask : r.gateway) = std::move(value);
    }
    return ReadResult::Ok;
}

CMgrIpFile::ReadResult CMgrIpFile::Read(const std::filesystem::path& path, Rows& rows) {
    std::string bytes;
    if (!platform::ReadFileBytes(path, bytes)) {
        platform::MessageBox(platform::StrFormat("IP文件:%s，无法打开！", path.c_str()));
        return ReadResult::CannotOpen;
    }
    ReadResult result = ParseBytes(std::move(bytes), rows);
    if (result == ReadResult::BadFormat)
        platform::MessageBox("IP文件格式错误！");
    return result;
}

std::string CMgrIpFile::Format(const Rows& rows) {
    std::string text;
    for (int i = 0; i < kRowCount; ++i) {
        text += SectionName(i) + "\n";
        text += kKeys[0] + OneLine(rows[i].address) + "\n";
        text += kKeys[1] + OneLine(rows[i].mask) + "\n";
        text += kKeys[2] + OneLine(rows[i].gateway) + "\n";
    }
    return text;
}

bool CMgrIpFile::Write(const std::filesystem::path& path, const Rows& rows) {
    // Replaced whole through a temporary file: a write that fails keeps the file there was.
    const bool ok = platform::ReplaceFileBytes(path, platform::GbkTextBytes(Format(rows)));
    if (!ok)
        platform::MessageBox("管理机IP配置文件创建失败！");
    return ok;
}

} // namespace qxm7740
