#include "projectmodel/DeviceTemplate.h"

#include "platform/Archive.h"
#include "platform/Gbk.h"
#include "platform/Text.h"

#include <algorithm>
#include <deque>
#include <unordered_map>

namespace projectmodel {

CInfoEntry* CDeviceTemplate::FindEntryByReference(std::string_view groupName, std::string_view reference) {
    for (CInfoGroup& g : m_groups) {
        if (!platform::EqualsNoCase(g.m_strName, groupName))
            continue;
        for (CInfoEntry& e : g.m_entries)
            if (platform::EqualsNoCase(e.m_strReference, reference))
                return &e;
    }
    return nullptr;
}

void CDeviceTemplate::UpdateFrom(const CDeviceTemplate& other) {
    m_nPortGroup = other.m_nPortGroup;
    m_nPortIndex = other.m_nPortIndex;
    m_optionGroups = other.m_optionGroups;
    m_relatedInfo = other.m_relatedInfo;

    // Partners by group name and reference, in the other model's order; each serves once. A map
    // keeps this linear for models of thousands of points.
    auto keyOf = [](std::string_view group, std::string_view ref) {
        std::string key = platform::ToLowerAscii(group);
        key.push_back('\0');
        key += platform::ToLowerAscii(ref);
        return key;
    };
    std::unordered_map<std::string, std::deque<const CInfoEntry*>> partners;
    for (const CInfoGroup& g : other.m_groups)
        for (const CInfoEntry& e : g.m_entries)
            partners[keyOf(g.m_strName, e.m_strReference)].push_back(&e);

    for (CInfoGroup& g : m_groups) {
        for (CInfoEntry& e : g.m_entries) {
            auto it = partners.find(keyOf(g.m_strName, e.m_strReference));
            if (it == partners.end() || it->second.empty())
                continue;
            const CInfoEntry& p = *it->second.front();
            it->second.pop_front();
            e.m_strField5 = p.m_strField5;
            e.m_strField6 = p.m_strField6;
            e.m_strField7 = p.m_strField7;
            e.m_strField8 = p.m_strField8;
            e.m_strExtra = p.m_strExtra;
            std::copy(std::begin(p.m_equip), std::end(p.m_equip), std::begin(e.m_equip));
            e.m_strCloseRule = p.m_strCloseRule;
            e.m_strOpenRule = p.m_strOpenRule;
            std::copy(std::begin(p.m_yx), std::end(p.m_yx), std::begin(e.m_yx));
            if (m_nFlag == 0 && !platform::EqualsNoCase(p.m_strDesc, p.m_strReference))
                e.m_strDesc = p.m_strDesc;
        }
    }
}

void CDeviceTemplate::Store(platform::CArchive& ar) const {
    ar.WriteString(platform::ToGbk(m_strName));
    ar.WriteString(platform::ToGbk(m_strType));
    ar.WriteString(platform::ToGbk(m_strVersion));
    ar.WriteI32(m_nFlag);
    ar.WriteI32(m_groups.GetSize());
    for (const CInfoGroup& g : m_groups)
        g.Store(ar);
}

void CDeviceTemplate::Serialize(platform::CArchive& ar) {
    if (ar.IsStoring()) {
        Store(ar);
        return;
    }
    m_strName = platform::FromGbk(ar.ReadString());
    m_strType = platform::FromGbk(ar.ReadString());
    m_strVersion = platform::FromGbk(ar.ReadString());
    m_nFlag = ar.ReadI32();
    const std::int32_t count = ar.ReadI32();
    if (count < 0)
        throw platform::CArchiveException("negative group count");
    m_groups.RemoveAll();
    for (std::int32_t i = 0; i < count; ++i) {
        CInfoGroup g;
        g.Serialize(ar);
        m_groups.Add(std::move(g));
    }
}

int CDeviceTemplateArray::FindIndexByName(std::string_view name) const {
    for (int i = 0; i < GetSize(); ++i)
        if (platform::EqualsNoCase(items_[static_cast<std::size_t>(i)].m_strName, name))
            return i;
    return -1;
}

CDeviceTemplate* CDeviceTemplateArray::FindByName(std::string_view name) {
    return GetPtr(FindIndexByName(name));
}

const CDeviceTemplate* CDeviceTemplateArray::FindByName(std::string_view name) const {
    return GetPtr(FindIndexByName(name));
}

} // namespace projectmodel
