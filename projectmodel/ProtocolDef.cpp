#include "projectmodel/ProtocolDef.h"

#include "platform/Text.h"

namespace projectmodel {

bool CProtocolDef::IsType(std::string_view type) const {
    return platform::EqualsNoCase(m_strType, type);
}

CProtocolDef* CProtocolDefArray::FindByName(std::string_view name) {
    for (CProtocolDef& p : items_)
        if (platform::EqualsNoCase(p.m_strName, name))
            return &p;
    return nullptr;
}

CProtocolDef CProtocolDefArray::GetByName(std::string_view name) const {
    const CProtocolDef* p = const_cast<CProtocolDefArray*>(this)->FindByName(name);
    return p ? *p : CProtocolDef();
}

CProtocolDef* CProtocolDefArray::FindByNumber(int number) {
    for (CProtocolDef& p : items_)
        if (p.m_nNumber == number)
            return &p;
    return nullptr;
}

const CProtocolDef* CProtocolDefArray::FindByNumber(int number) const {
    return const_cast<CProtocolDefArray*>(this)->FindByNumber(number);
}

void CProtocolDefArray::GetNamesByMode(std::string_view mode, CStringList& names) const {
    for (const CProtocolDef& p : items_)
        if (platform::EqualsNoCase(p.m_strCommMode, mode))
            names.push_back(p.m_strName);
}

} // namespace projectmodel
