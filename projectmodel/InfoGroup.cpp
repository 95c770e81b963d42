#include "projectmodel/InfoGroup.h"

#include "platform/Archive.h"
#include "platform/Gbk.h"

namespace projectmodel {

int CInfoGroup::AddEntryFromText(std::string_view line) {
    CInfoEntry entry;
    if (!entry.ParseReference(line))
        return 0;
    return AddEntry(std::move(entry));
}

int CInfoGroup::AddEntry(CInfoEntry&& entry) {
    // The name the entries before hold, shared.
    if (!m_entries.IsEmpty() && m_entries[m_entries.GetSize() - 1].m_strGroupName == m_strName)
        entry.m_strGroupName = m_entries[m_entries.GetSize() - 1].m_strGroupName;
    else
        entry.m_strGroupName = m_strName;
    if (m_nGroupNo == -1)
        m_nGroupNo = entry.m_nGroup;
    else if (entry.m_nGroup != m_nGroupNo)
        return 0;
    m_entries.InsertSorted(std::move(entry));
    return 1;
}

int CInfoGroup::CountDisabled() const {
    int n = 0;
    for (const CInfoEntry& e : m_entries)
        if (e.m_bEnabled == 0)
            ++n;
    return n;
}

void CInfoGroup::RemoveEntryAt(int index) {
    if (!m_entries.IsValidIndex(index))
        return;
    m_entries.RemoveAt(index);
    for (int i = index; i < m_entries.GetSize(); ++i) {
        --m_entries[i].m_nSeq;
        --m_entries[i].m_nEntry;
    }
}

void CInfoGroup::Store(platform::CArchive& ar) const {
    ar.WriteI32(m_nGroupNo);
    ar.WriteI32(m_nType);
    ar.WriteString(platform::ToGbk(m_strName));
    ar.WriteI32(m_entries.GetSize());
    for (const CInfoEntry& e : m_entries)
        e.Store(ar);
}

void CInfoGroup::Serialize(platform::CArchive& ar) {
    if (ar.IsStoring()) {
        Store(ar);
        return;
    }
    m_nGroupNo = ar.ReadI32();
    m_nType = ar.ReadI32();
    m_strName = platform::FromGbk(ar.ReadString());
    const std::int32_t count = ar.ReadI32();
    if (count < 0)
        throw platform::CArchiveException("negative entry count");
    m_entries.RemoveAll();
    // Read all, then sort once: entries stored in descending order would make inserting one by
    // one quadratic. The count is not trusted for a reservation; a short archive throws.
    std::vector<CInfoEntry> entries;
    for (std::int32_t i = 0; i < count; ++i) {
        CInfoEntry e;
        e.Serialize(ar);
        entries.push_back(std::move(e));
    }
    m_entries.AssignSorted(std::move(entries));
}

CInfoGroup* CInfoGroupArray::FindByGroupNo(int groupNo) {
    for (CInfoGroup& g : Write())
        if (g.m_nGroupNo == groupNo)
            return &g;
    return nullptr;
}

// Read only: a look-up in a model whose groups are shared leaves them shared.
const CInfoGroup* CInfoGroupArray::FindByGroupNo(int groupNo) const {
    for (const CInfoGroup& g : Read())
        if (g.m_nGroupNo == groupNo)
            return &g;
    return nullptr;
}

CInfoEntry* CInfoGroupArray::FindEntry(int groupNo, int entryNo) {
    CInfoGroup* g = FindByGroupNo(groupNo);
    return g ? g->m_entries.GetByEntryNo(entryNo) : nullptr;
}

const CInfoEntry* CInfoGroupArray::FindEntry(int groupNo, int entryNo) const {
    const CInfoGroup* g = FindByGroupNo(groupNo);
    return g ? g->m_entries.GetByEntryNo(entryNo) : nullptr;
}

} // namespace projectmodel
