#include "projectmodel/ItemRecord.h"

#include "platform/Text.h"
#include "projectmodel/TextHelpers.h"

namespace projectmodel {

CItemRecord* CItemRecordArray::FindByName(std::string_view name) {
    for (CItemRecord& r : items_)
        if (platform::EqualsNoCase(r.m_strName, name))
            return &r;
    return nullptr;
}

const CItemRecord* CItemRecordArray::FindByName(std::string_view name) const {
    return const_cast<CItemRecordArray*>(this)->FindByName(name);
}

std::string CItemRecordArray::GetProtocolRegion() const {
    for (const CItemRecord& group : items_) {
        for (int i = 0; i < group.m_items.GetSize(); ++i) {
            if (!platform::EqualsNoCase(StripBracketPrefix(group.m_items[i].m_strName), "规约适用地区"))
                continue;
            if (group.m_rows.empty())
                return {};
            const CStringArray& row = group.m_rows.front();
            return static_cast<std::size_t>(i) < row.size() ? row[static_cast<std::size_t>(i)]
                                                            : std::string();
        }
    }
    return {};
}

} // namespace projectmodel
