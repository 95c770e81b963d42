#include "projectmodel/InfoEntry.h"

#include "platform/Archive.h"
#include "platform/Gbk.h"
#include "platform/Text.h"
#include "projectmodel/TextHelpers.h"

#include <algorithm>

namespace projectmodel {
namespace {

// Reads "%d,%d,..." as the C runtime's scanner does: as many numbers as match, in order; the
// targets of the numbers that do not match keep their values.
void ScanInts(std::string_view s, int* out, int count) {
    std::size_t pos = 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            if (pos >= s.size() || s[pos] != ',')
                return;
            ++pos;
        }
        std::size_t p = pos;
        while (p < s.size() && (s[p] == ' ' || s[p] == '\t'))
            ++p;
        std::size_t digits = p;
        if (digits < s.size() && (s[digits] == '-' || s[digits] == '+'))
            ++digits;
        std::size_t end = digits;
        while (end < s.size() && s[end] >= '0' && s[end] <= '9')
            ++end;
        if (end == digits)
            return;
        out[i] = platform::AtoI(s.substr(p, end - p));
        pos = end;
    }
}

void SerializeText(platform::CArchive& ar, std::string& text) {
    if (ar.IsStoring())
        ar.WriteString(platform::ToGbk(text));
    else
        text = platform::FromGbk(ar.ReadString());
}

} // namespace

int CInfoEntry::ParseReference(std::string_view input) {
    m_strExtra.clear();
    std::string line(input);
    const std::size_t npos = std::string::npos;
    const std::size_t e = line.find('=');
    const std::size_t s = line.find(';');
    for (int i = 0; i < 7; ++i) {
        std::size_t comma = line.find(',');
        if (comma == npos || (e != npos && comma >= e) || (s != npos && comma >= s))
            return 0;
        line[comma] = ';';
    }
    std::size_t comma = line.find(',');
    if (comma != npos) {
        if ((e != npos && e < comma) || (s != npos && s < comma))
            return 0;
        line[comma] = ';';
    } else if (e != npos || s != npos) {
        return 0;
    }

    CStringList parts = SplitToStringList(line, ';');
    if (parts.size() < 8)
        return 0;
    m_nSeq = platform::AtoI(parts[0]);
    m_nGroup = platform::AtoI(parts[1]);
    m_nEntry = platform::AtoI(parts[2]);
    m_strDesc = parts[3];
    m_strField5 = parts[4];
    m_strField6 = parts[5];
    m_strField7 = parts[6];
    m_strField8 = parts[7];

    for (std::size_t i = 8; i < parts.size(); ++i) {
        CStringList kv = SplitToStringList(parts[i], '=');
        if (kv.size() != 2)
            continue;
        const std::string& key = kv[0];
        const std::string& value = kv[1];
        bool keep = false;
        if (platform::EqualsNoCase(key, "FUN")) {
            m_nFun = platform::AtoI(value);
            keep = true;
        } else if (platform::EqualsNoCase(key, "INF")) {
            m_nInf = platform::AtoI(value);
            keep = true;
        } else if (key == "规则" || key == "合规则" || key == "校验规则") {
            m_strCloseRule = value;
        } else if (key == "分规则") {
            m_strOpenRule = value;
        } else if (key == "遥信") {
            ScanInts(value, m_yx, 3);
        } else if (key == "设备") {
            ScanInts(value, m_equip, 5);
        } else if (platform::EqualsNoCase(key, "FCDA")) {
            m_strReference = value;
        } else {
            keep = true;
        }
        if (keep) {
            m_strExtra += m_strExtra.empty() ? "," : ";";
            m_strExtra += parts[i];
        }
    }
    return 1;
}

void CInfoEntry::Serialize(platform::CArchive& ar) {
    int* numbers[] = {&m_nSeq, &m_nGroup, &m_nEntry, &m_nFun, &m_nInf};
    for (int* n : numbers) {
        if (ar.IsStoring())
            ar.WriteI32(*n);
        else
            *n = ar.ReadI32();
    }
    std::string* texts[] = {&m_strDesc,   &m_strField5,    &m_strField6, &m_strField7,
                            &m_strField8, &m_strGroupName, &m_strExtra,  &m_strReference};
    for (std::string* t : texts)
        SerializeText(ar, *t);
}

int CInfoEntryArray::LowerBound(int entryNo) const {
    auto it = std::lower_bound(items_.begin(), items_.end(), entryNo,
                               [](const CInfoEntry& e, int n) { return e.m_nEntry < n; });
    return static_cast<int>(it - items_.begin());
}

int CInfoEntryArray::FindIndexByEntryNo(int entryNo) const {
    int i = LowerBound(entryNo);
    return i < GetSize() && items_[static_cast<std::size_t>(i)].m_nEntry == entryNo ? i : -1;
}

CInfoEntry* CInfoEntryArray::GetByEntryNo(int entryNo) {
    return GetPtr(FindIndexByEntryNo(entryNo));
}

const CInfoEntry* CInfoEntryArray::GetByEntryNo(int entryNo) const {
    return GetPtr(FindIndexByEntryNo(entryNo));
}

int CInfoEntryArray::InsertSorted(const CInfoEntry& entry) {
    int i = LowerBound(entry.m_nEntry);
    if (i < GetSize() && items_[static_cast<std::size_t>(i)].m_nEntry == entry.m_nEntry)
        return -1;
    items_.insert(items_.begin() + i, entry);
    return i;
}

void CInfoEntryArray::AssignSorted(std::vector<CInfoEntry> entries) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const CInfoEntry& a, const CInfoEntry& b) { return a.m_nEntry < b.m_nEntry; });
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const CInfoEntry& a, const CInfoEntry& b) { return a.m_nEntry == b.m_nEntry; }),
                  entries.end());
    items_ = std::move(entries);
}

void CInfoEntryArray::RemoveByEntryNo(int entryNo) {
    RemoveAt(FindIndexByEntryNo(entryNo));
}

int CInfoEntryArray::NextFreeEntryNo() const {
    int candidate = 1;
    for (int i = LowerBound(1); i < GetSize(); ++i) {
        int n = items_[static_cast<std::size_t>(i)].m_nEntry;
        if (n > candidate)
            break;
        if (n == candidate)
            ++candidate;
    }
    return candidate;
}

} // namespace projectmodel
