#include "editors/model/PointKeyText.h"

#include "platform/Text.h"
#include "projectmodel/ProjectModel.h"

#include <cstdio>

using projectmodel::CPointRef;

namespace editors {

CPointRef ParsePointKey(std::string_view value) {
    const std::string text(value);
    CPointRef key;
    std::sscanf(text.c_str(), "%d-%d-%d", &key.m_n1, &key.m_n2, &key.m_n3);
    return key;
}

std::string PointKeyText(projectmodel::CProjectModel* doc, const CPointRef& key) {
    const projectmodel::CInfoEntry* entry = doc ? doc->FindDeviceInfo(key.m_n1, key.m_n2, key.m_n3) : nullptr;
    return platform::StrFormat("%d-%d-%d(%s)", key.m_n1, key.m_n2, key.m_n3,
                               entry ? entry->m_strDesc.c_str() : "无效引用");
}

} // namespace editors
