#include "projectmodel/ProjectContext.h"

namespace projectmodel {

CProjectContext& CProjectContext::Instance() {
    static CProjectContext context;
    return context;
}

void CProjectContext::Reset() {
    CProjectContext& c = Instance();
    c.currentDocument_ = nullptr;
    c.deviceTableSorted_ = true;
}

} // namespace projectmodel
