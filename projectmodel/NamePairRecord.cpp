#include "projectmodel/NamePairRecord.h"

#include "platform/Text.h"

namespace projectmodel {

CNamePairRecord* CNamePairArray::FindByName(std::string_view name) {
    for (CNamePairRecord& r : items_)
        if (platform::EqualsNoCase(r.m_strName, name))
            return &r;
    return nullptr;
}

const CNamePairRecord* CNamePairArray::FindByName(std::string_view name) const {
    return const_cast<CNamePairArray*>(this)->FindByName(name);
}

} // namespace projectmodel
