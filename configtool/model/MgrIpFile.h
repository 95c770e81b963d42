#pragma once
// The unit's network settings file "<manager number>-PCTCP.ini": six sections, one per network
// port of the three processor boards, each with the port's address, subnet mask and gateway.
// The file is GBK text with CR LF line ends.
#include <array>
#include <filesystem>
#include <string>
#include <string_view>

namespace qxm7740 {

struct CMgrIpRow {
    std::string address; // "ip-address="
    std::string mask;    // "subnet-mask="
    std::string gateway; // "router="
};

class CMgrIpFile {
public:
    static constexpr int kRowCount = 6;
    using Rows = std::array<CMgrIpRow, kRowCount>;

    // "[arm0-ethnet1]" ... "[arm2-ethnet2]": row i is board i / 2, port i % 2 + 1.
    static std::string SectionName(int row);
    // The board number shown in row i ("0", "0", "1", "1", "2", "2").
    static int BoardOfRow(int row) { return row / 2; }

    // number + "-PCTCP.ini"; "" when the number is empty.
    static std::string FileNameFor(std::string_view number);
    // True when number + "-PCTCP.ini" is one plain file name (no separator, no NUL), so that the
    // file can only land in the folder meant for it.
    static bool IsValidNumber(std::string_view number);
    // IsValidNumber for a number the user typed: an empty or invalid one is refused with a message.
    static bool CheckNumber(const std::string& number);

    enum class ReadResult { Ok, CannotOpen, BadFormat };
    // Reads a settings file into rows: a section line (compared without regard to case) selects
    // its row, and each key line fills a cell of that row. Reading stops at a key before any
    // section or at a line that is neither (an empty line included); rows filled so far stay.
    // Shows "IP文件:%s，无法打开！" or "IP文件格式错误！" on failure.
    static ReadResult Read(const std::filesystem::path& path, Rows& rows);
    // The same on bytes already read, without messages.
    static ReadResult ParseBytes(std::string bytes, Rows& rows);

    // The file text: the six sections in table order, values as they stand (a line break inside a
    // value is cut off there, so that it cannot make lines of its own).
    static std::string Format(const Rows& rows);
    // Creates or empties the file and writes the six sections; shows "管理机IP配置文件创建失败！"
    // and gives false when it cannot be written.
    static bool Write(const std::filesystem::path& path, const Rows& rows);
};

} // namespace qxm7740
