#pragma once
// Writes tables of text into an Excel workbook (.xlsx): one sheet per CreateSheet with its column
// titles in the first row, then one row per AddRow. The workbook is written when it is closed
// (Close or the destructor). An error is shown in a message box ("错误") and every later call of
// the book fails.
#include <set>
#include <string>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;

namespace points {

struct CXlsxLibrary;

class CExcelBook {
public:
    CExcelBook() = default;
    ~CExcelBook();
    CExcelBook(const CExcelBook&) = delete;
    CExcelBook& operator=(const CExcelBook&) = delete;

    // Non-zero when the workbook file can be created at path (an existing file is replaced when
    // the book is closed).
    int Open(const std::string& path);
    // The name of the sheet the next CreateSheet makes.
    void SetSheetName(const std::string& name) { m_strSheetName = name; }
    // A sheet of these columns, titles in its first row; false on failure. The name is made one
    // a workbook takes (ValidSheetName).
    bool CreateSheet(const std::vector<std::string>& columns);
    // One row of values in column order (values past the last column are dropped); false on
    // failure.
    bool AddRow(const std::vector<std::string>& values);
    // Writes the workbook; false (shown) when the file could not be written.
    bool Close();

    // The name a sheet of this book is given for wanted, which is then taken: the characters
    // []:*?/\ and an apostrophe at either end become "_", the name is cut to 31 characters, and
    // a name already in the book (without regard to case) gets "(2)", "(3)" ...
    std::string ValidSheetName(const std::string& wanted);

    const std::string& GetLastError() const { return m_strLastError; }
    int GetColumnCount() const { return m_nColumns; }

private:
    bool Fail(const std::string& text);

    const CXlsxLibrary* m_lib = nullptr;
    lxw_workbook* m_book = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    int m_nColumns = 0;
    std::vector<std::string> m_columns;
    std::string m_strPath;
    // What the writer writes the book into before it replaces the file at m_strPath.
    std::string m_strTemp;
    std::string m_strSheetName;
    std::string m_strLastError;
    std::set<std::string> m_usedSheetNames;
    unsigned m_nRow = 0;
    bool m_bFailed = false;
};

} // namespace points
