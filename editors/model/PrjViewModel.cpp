#include "editors/model/PrjViewModel.h"

#include "editors/model/CellValue.h"
#include "editors/model/ProjectTreeModel.h"
#include "platform/Text.h"
#include "projectmodel/ProjectModel.h"
#include "projectmodel/ProjectServices.h"
#include "projectmodel/TextHelpers.h"

using namespace projectmodel;
using platform::StrFormat;

namespace editors {

CGridRow CPrjViewModel::Row(const CProjectModel& doc, const CProjectTime& t) {
    return GridRow(
        {doc.m_strProjectName,
         StrFormat("%d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second),
         StrFormat("%d", doc.m_boardCfg.m_nUnitAddress)});
}

bool CPrjViewModel::SetUnitAddress(CProjectModel& doc, const std::string& oldText, const std::string& text) {
    const int value = platform::AtoI(ClampIntText(TrimCopy(text), 0, 65530));
    if (value == platform::AtoI(TrimCopy(oldText)))
        return false;
    doc.m_boardCfg.m_nUnitAddress = value;
    if (IProjectViews* views = doc.Views())
        views->SetRootText(TreeRootText(doc));
    return true;
}

} // namespace editors
