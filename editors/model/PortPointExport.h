#pragma once
// The export of a port's points into a workbook, without widgets: one sheet per reference table of
// the port's protocol (a device table lists its devices), the default file name and the workbook
// extension, and the workbook interface the export writes through.
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace projectmodel {
class CPortRecord;
class CProjectModel;
} // namespace projectmodel

namespace editors {

// One sheet of a port's point export.
struct CPointSheet {
    std::string name;
    std::vector<std::string> headers;
    std::vector<std::vector<std::string>> rows;
};
int CountPortPoints(const projectmodel::CPortRecord& port);
std::vector<CPointSheet> PortPointSheets(projectmodel::CProjectModel& doc,
                                         const projectmodel::CPortRecord& port);
// "%s(规约：%s)测点" from "%s%i" (port type, number) and the protocol's name.
std::string PortExportFileName(const projectmodel::CPortRecord& port);
// The point export writes .xlsx workbooks: appends ".xlsx" unless the path ends in it (without
// regard to case); a path ending in ".xls" gets the missing "x".
std::string WithXlsxExtension(const std::string& path);

// The workbook a port's points are exported into (the Excel export of the point configuration).
class IPointWorkbook {
public:
    virtual ~IPointWorkbook() = default;
    // False when the workbook cannot be made.
    virtual bool Open(const std::string& path) = 0;
    virtual void SetSheetName(const std::string& name) = 0;
    // These three give false when they fail, after showing the writer's own error text; the
    // export then says that the file was not written.
    virtual bool CreateSheet(const std::vector<std::string>& headers) = 0;
    virtual bool AddRow(const std::vector<std::string>& values) = 0;
    // Writes the workbook out.
    virtual bool Close() = 0;
};
using PointWorkbookFactory = std::function<std::unique_ptr<IPointWorkbook>()>;

} // namespace editors
