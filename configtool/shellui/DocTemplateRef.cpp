#include "configtool/shellui/DocTemplateRef.h"

namespace qxm7740 {

QWidget* CDocTemplateRef::GetFirstView() const {
    if (!m_pDocTemplate)
        return nullptr;
    const std::vector<CConfigDoc*> docs = m_pDocTemplate->GetDocuments();
    if (docs.empty() || !docs.front())
        return nullptr;
    const std::vector<QWidget*> views = m_pDocTemplate->GetViews(docs.front());
    return views.empty() ? nullptr : views.front();
}

} // namespace qxm7740
