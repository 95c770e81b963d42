#include "points/ExcelBook.h"

#include "platform/Prompt.h"
#include "platform/Text.h"
#include "points/XlsxLibrary.h"

#include <cstdio>
#include <filesystem>
#include <string_view>

namespace points {

namespace {

// The most characters a cell and a sheet name may hold in a workbook.
constexpr std::size_t kMaxCellChars = 32767;
constexpr std::size_t kMaxSheetNameChars = 31;

bool IsUtf8Lead(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

// The text cut after its first `chars` characters, never inside a character.
std::string CutChars(const std::string& text, std::size_t chars) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsUtf8Lead(text[i]) && count++ == chars)
            return text.substr(0, i);
    }
    return text;
}

// The offset of the first character a cell cannot hold, npos when there is none: text that is
// not UTF-8, or a character XML does not allow but for the control characters, which the writer
// escapes.
std::size_t FirstUnwritable(std::string_view text) {
    for (std::size_t from = 0;;) {
        const std::size_t bad = platform::FirstNonXmlChar(text.substr(from));
        if (bad == std::string_view::npos)
            return bad;
        if (static_cast<unsigned char>(text[from + bad]) >= 0x20)
            return from + bad;
        from += bad + 1;
    }
}

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

std::string CExcelBook::ValidSheetName(const std::string& wanted) {
    // The characters a sheet name cannot hold become "_", as do an apostrophe at either end.
    std::string name = wanted.empty() ? std::string("Sheet") : wanted;
    for (char& c : name)
        if (std::string_view("[]:*?/\\").find(c) != std::string_view::npos)
            c = '_';
    name = CutChars(name, kMaxSheetNameChars);
    if (name.front() == '\'')
        name.front() = '_';
    if (name.back() == '\'')
        name.back() = '_';
    // Names are unique in a book without regard to case: a clash gets a number, within the length.
    std::string unique = name;
    for (int n = 2; m_usedSheetNames.count(LowerAscii(unique)); ++n) {
        std::string suffix = "(";
        suffix += std::to_string(n);
        suffix += ')';
        unique = CutChars(name, kMaxSheetNameChars - suffix.size());
        unique += suffix;
    }
    m_usedSheetNames.insert(LowerAscii(unique));
    return unique;
}

namespace {} // namespace

CExcelBook::~CExcelBook() {
    Close();
}

bool CExcelBook::Fail(const std::string& text) {
    m_strLastError = text;
    m_bFailed = true;
    if (!text.empty())
        platform::MessageBox(text, "错误", platform::Icon::Error);
    return false;
}

int CExcelBook::Open(const std::string& path) {
    if (m_book || m_bFailed || path.empty())
        return 0;
    // The writer creates the file only when the book is closed; a folder that does not take the
    // file is found out now, as opening the workbook would have.
    const bool existed = std::filesystem::exists(path);
    std::FILE* probe = std::fopen(path.c_str(), "ab");
    if (!probe)
        return 0;
    std::fclose(probe);
    if (!existed)
        std::remove(path.c_str());
    std::string failure;
    m_lib = CXlsxLibrary::Get(failure);
    if (!m_lib) {
        Fail(failure);
        return 0;
    }
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    m_book = m_lib->workbook_new_opt(path.c_str(), &options);
    if (!m_book)
        return 0;
    m_strPath = path;
    return 1;
}

bool CExcelBook::CreateSheet(const std::vector<std::string>& columns) {
    if (!m_book || m_bFailed)
        return false;
    // A workbook holding text that is not UTF-8, or a character XML does not allow, cannot be
    // opened: such a name is refused.
    if (platform::FirstNonXmlChar(m_strSheetName) != std::string_view::npos)
        return Fail("工作表名称含有无效的字符，无法写入工作簿");
    const std::string name = ValidSheetName(m_strSheetName);
    if (const lxw_error err = m_lib->workbook_validate_sheet_name(m_book, name.c_str()); err != LXW_NO_ERROR)
        return Fail("工作表名称" + name + "无效");
    m_sheet = m_lib->workbook_add_worksheet(m_book, name.c_str());
    if (!m_sheet)
        return Fail("创建工作表" + name + "失败");
    m_columns = columns;
    m_nColumns = static_cast<int>(columns.size());
    m_nRow = 0;
    return AddRow(columns);
}

bool CExcelBook::AddRow(const std::vector<std::string>& values) {
    if (!m_sheet || m_bFailed)
        return false;
    const std::size_t count = std::min(values.size(), m_columns.size());
    for (std::size_t c = 0; c < count; ++c) {
        const std::string& v = values[c];
        if (v.empty())
            continue;
        // A workbook holding text that is not UTF-8, or a character XML does not allow (U+FFFF),
        // cannot be opened: the book is not written.
        if (FirstUnwritable(v) != std::string_view::npos)
            return Fail(platform::StrFormat("工作表%s第%u行第%u列的文字含有无效的字符，无法写入工作簿",
                                            m_strSheetName.c_str(), m_nRow + 1,
                                            static_cast<unsigned>(c + 1)));
        const std::string cell = v.size() > kMaxCellChars ? CutChars(v, kMaxCellChars) : v;
        const lxw_error err =
            m_lib->worksheet_write_string(m_sheet, m_nRow, static_cast<lxw_col_t>(c), cell.c_str(), nullptr);
        if (err != LXW_NO_ERROR)
            return Fail(m_lib->lxw_strerror(err));
    }
    ++m_nRow;
    return true;
}

bool CExcelBook::Close() {
    if (!m_book)
        return !m_bFailed;
    lxw_workbook* book = m_book;
    m_book = nullptr;
    m_sheet = nullptr;
    const lxw_error err = m_lib->workbook_close(book);
    if (err != LXW_NO_ERROR)
        return Fail(m_lib->lxw_strerror(err));
    return !m_bFailed;
}

} // namespace points
