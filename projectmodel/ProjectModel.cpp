#include "projectmodel/ProjectModel.h"

#include "projectmodel/ProjectContext.h"

namespace projectmodel {

CProjectModel::CProjectModel() {
    CProjectContext::Instance().SetDeviceTableSorted(true);
}

CProjectModel::~CProjectModel() {
    CProjectContext& context = CProjectContext::Instance();
    if (context.CurrentDocument() == this)
        context.SetCurrentDocument(nullptr);
}

void CProjectModel::MakeCurrent() {
    CProjectContext::Instance().SetCurrentDocument(this);
}

} // namespace projectmodel
