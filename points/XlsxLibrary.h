#pragma once
// libxlsxwriter, loaded the first time a workbook is written. The programs do not link it: it and
// the libraries it needs (OpenSSL's libcrypto, minizip) would be loaded and bound at every start,
// before the first window, for a command most sessions never run.
#include <xlsxwriter.h>

#include <string>

namespace points {

struct CXlsxLibrary {
    decltype(&::workbook_new_opt) workbook_new_opt = nullptr;
    decltype(&::workbook_validate_sheet_name) workbook_validate_sheet_name = nullptr;
    decltype(&::workbook_add_worksheet) workbook_add_worksheet = nullptr;
    decltype(&::worksheet_write_string) worksheet_write_string = nullptr;
    decltype(&::workbook_close) workbook_close = nullptr;
    decltype(&::lxw_strerror) lxw_strerror = nullptr;

    // The library the build found, loaded once for the process; null, with the reason in error,
    // when it cannot be loaded or lacks a function.
    static const CXlsxLibrary* Get(std::string& error);
    // Loads the library of that name (a fresh handle, kept for the process); false with the
    // reason when it cannot be loaded or lacks a function.
    static bool Load(const char* soname, CXlsxLibrary& library, std::string& error);
};

} // namespace points
