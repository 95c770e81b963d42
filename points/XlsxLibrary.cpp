#include "points/XlsxLibrary.h"

#include <dlfcn.h>
#include <mutex>

namespace points {

namespace {

template <class Fn> bool Resolve(void* handle, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(::dlsym(handle, name));
    return fn != nullptr;
}

} // namespace

bool CXlsxLibrary::Load(const char* soname, CXlsxLibrary& library, std::string& error) {
    library = CXlsxLibrary();
    void* handle = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        error = std::string("无法加载Excel写入库") + soname;
        return false;
    }
    // The handle stays open: the functions are used for the rest of the process.
    const char* missing = nullptr;
    if (!Resolve(handle, "workbook_new_opt", library.workbook_new_opt))
        missing = "workbook_new_opt";
    else if (!Resolve(handle, "workbook_validate_sheet_name", library.workbook_validate_sheet_name))
        missing = "workbook_validate_sheet_name";
    else if (!Resolve(handle, "workbook_add_worksheet", library.workbook_add_worksheet))
        missing = "workbook_add_worksheet";
    else if (!Resolve(handle, "worksheet_write_string", library.worksheet_write_string))
        missing = "worksheet_write_string";
    else if (!Resolve(handle, "workbook_close", library.workbook_close))
        missing = "workbook_close";
    else if (!Resolve(handle, "lxw_strerror", library.lxw_strerror))
        missing = "lxw_strerror";
    if (missing) {
        library = CXlsxLibrary();
        error = std::string("Excel写入库") + soname + "缺少" + missing;
        return false;
    }
    return true;
}

const CXlsxLibrary* CXlsxLibrary::Get(std::string& error) {
    static CXlsxLibrary library;
    static std::string failure;
    static bool loaded = false;
    static std::once_flag once;
    std::call_once(once, [] { loaded = Load(QXM_XLSXWRITER_SONAME, library, failure); });
    if (!loaded) {
        error = failure;
        return nullptr;
    }
    return &library;
}

} // namespace points
