#include "projectmodel/InfoEntry.h"

#include "platform/Archive.h"
#include "platform/Gbk.h"
#include "platform/Text.h"
#include "projectmodel/TextHelpers.h"

#include <algorithm>
#include <array>
#include <cstdint>

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

// The GBK form of a short text. Group names and state texts ("遥信", "合", "分") recur in every
// entry of a cache: the last few conversions are kept.
const std::string& ShortTextToGbk(std::string_view text) {
    struct Converted {
        std::string utf8, gbk;
    };
    thread_local std::array<Converted, 8> recent;
    thread_local std::size_t next = 0;
    for (const Converted& c : recent)
        if (!c.utf8.empty() && c.utf8 == text)
            return c.gbk;
    Converted& slot = recent[next];
    next = (next + 1) % recent.size();
    slot.utf8 = text;
    slot.gbk = platform::ToGbk(text);
    return slot.gbk;
}

void StoreText(platform::CArchive& ar, std::string_view text) {
    // ASCII is the same in GBK: most texts of an entry are stored without a conversion.
    if (std::all_of(text.begin(), text.end(), [](char ch) { return (ch & 0x80) == 0; }))
        ar.WriteString(text);
    else if (text.size() <= 16)
        ar.WriteString(ShortTextToGbk(text));
    else
        ar.WriteString(platform::ToGbk(text));
}

std::string LoadText(platform::CArchive& ar) {
    return platform::FromGbk(ar.ReadString());
}

// Assigns text to a field, sharing the block of like when like holds the same text: no block of
// its own is made.
void AssignLike(CCompactText& field, std::string_view text, const CCompactText& like) {
    if (like.View() == text)
        field = like;
    else
        field = text;
}

// One "key=value" option of an entry line (already trimmed): the key and value are cut at the
// '=' outside parentheses and quotes; an option that is not exactly one key and one value is
// ignored. FUN and INF and the options without a field of their own are appended to extra, to be
// kept in m_strExtra.
void ApplyOption(CInfoEntry& entry, std::string_view option, std::string& extra) {
    std::string_view kv[2];
    std::size_t count = 0;
    ForEachTopLevelPart(
        option, [](std::size_t, char ch) { return ch == '='; },
        [&](std::size_t from, std::size_t to) {
            if (count < 2)
                kv[count] = TrimView(option.substr(from, to - from));
            ++count;
        });
    if (count != 2)
        return;
    const std::string_view key = kv[0];
    const std::string_view value = kv[1];
    bool keep = false;
    if (platform::EqualsNoCase(key, "FUN")) {
        entry.m_nFun = platform::AtoI(value);
        keep = true;
    } else if (platform::EqualsNoCase(key, "INF")) {
        entry.m_nInf = platform::AtoI(value);
        keep = true;
    } else if (key == "规则" || key == "合规则" || key == "校验规则") {
        entry.m_strCloseRule = value;
    } else if (key == "分规则") {
        entry.m_strOpenRule = value;
    } else if (key == "遥信") {
        ScanInts(value, entry.m_yx, 3);
    } else if (key == "设备") {
        ScanInts(value, entry.m_equip, 5);
    } else if (platform::EqualsNoCase(key, "FCDA")) {
        entry.m_strReference = value;
    } else {
        keep = true;
    }
    if (keep) {
        extra += extra.empty() ? ',' : ';';
        extra += option;
    }
}

} // namespace

int CInfoEntry::ParseReference(std::string_view line) {
    m_strExtra.clear();
    const std::size_t npos = std::string_view::npos;
    const std::size_t e = line.find('=');
    const std::size_t s = line.find(';');
    // The first seven commas cut the eight fields and must come before any option; an eighth
    // comma starts the options. They separate like ';' below.
    std::size_t commas[8];
    int commaCount = 0;
    for (std::size_t from = 0; commaCount < 7; ++commaCount) {
        const std::size_t comma = line.find(',', from);
        if (comma == npos || (e != npos && comma >= e) || (s != npos && comma >= s))
            return 0;
        commas[commaCount] = comma;
        from = comma + 1;
    }
    if (const std::size_t comma = line.find(',', commas[6] + 1); comma != npos) {
        if ((e != npos && e < comma) || (s != npos && s < comma))
            return 0;
        commas[commaCount++] = comma;
    } else if (e != npos || s != npos) {
        return 0;
    }

    // The parts between separators at parenthesis depth 0 outside quotes, blanks trimmed; read
    // in place, as the line is long and parsed once per point.
    std::string_view parts[8];
    std::size_t count = 0;
    int nextComma = 0;
    auto separates = [&](std::size_t i, char ch) {
        if (nextComma < commaCount && commas[nextComma] == i) {
            ++nextComma;
            return true;
        }
        return ch == ';';
    };
    // A part holding a cutting comma that did not separate (inside parentheses or quotes) reads
    // it as ';', as the cut line has it.
    std::string spelled[8];
    std::string option;
    std::string extra;
    auto take = [&](std::size_t from, std::size_t to) {
        std::string_view part = line.substr(from, to - from);
        for (int k = 0; k < commaCount; ++k) {
            if (commas[k] < from || commas[k] >= to)
                continue;
            std::string& copy = count < 8 ? spelled[count] : option;
            copy.assign(part);
            for (int j = k; j < commaCount; ++j)
                if (commas[j] < to)
                    copy[commas[j] - from] = ';';
            part = copy;
            break;
        }
        part = TrimView(part);
        if (count < 8)
            parts[count] = part;
        else
            ApplyOption(*this, part, extra);
        ++count;
    };
    ForEachTopLevelPart(line, separates, take);
    m_strExtra = extra;
    if (count < 8)
        return 0;
    m_nSeq = platform::AtoI(parts[0]);
    m_nGroup = platform::AtoI(parts[1]);
    m_nEntry = platform::AtoI(parts[2]);
    AssignLike(m_strDesc, parts[3], m_strReference);
    m_strField5 = parts[4];
    m_strField6 = parts[5];
    m_strField7 = parts[6];
    m_strField8 = parts[7];
    return 1;
}

int CInfoEntry::AssignPlain(int seq, int group, int entry, const std::string_view (&texts)[5],
                            std::string_view options, const CInfoEntry* previous) {
    // Without these characters the line is cut at exactly its eight commas and the options at
    // each ';', and every part is read trimmed: what is assigned here.
    auto holdsAny = [](std::string_view text, bool separators) {
        for (const char ch : text) {
            switch (ch) {
            case ';':
            case '=':
                if (separators)
                    return true;
                break;
            case ',':
            case '(':
            case ')':
            case '\'':
            case '"':
                return true;
            default:
                break;
            }
        }
        return false;
    };
    for (const std::string_view text : texts)
        if (holdsAny(text, true))
            return 0;
    if (holdsAny(options, false))
        return 0;
    std::string extra;
    for (std::size_t from = 0;;) {
        const std::size_t cut = options.find(';', from);
        ApplyOption(*this, TrimView(options.substr(from, cut - from)), extra);
        if (cut == std::string_view::npos)
            break;
        from = cut + 1;
    }
    m_nSeq = seq;
    m_nGroup = group;
    m_nEntry = entry;
    // A description that is the reference (a point without one of its own) shares its block.
    const std::string_view desc = TrimView(texts[0]);
    if (previous && desc != m_strReference.View())
        AssignLike(m_strDesc, desc, previous->m_strDesc);
    else
        AssignLike(m_strDesc, desc, m_strReference);
    if (!previous) {
        m_strExtra = extra;
        m_strField5 = TrimView(texts[1]);
        m_strField6 = TrimView(texts[2]);
        m_strField7 = TrimView(texts[3]);
        m_strField8 = TrimView(texts[4]);
        return 1;
    }
    AssignLike(m_strExtra, extra, previous->m_strExtra);
    AssignLike(m_strField5, TrimView(texts[1]), previous->m_strField5);
    AssignLike(m_strField6, TrimView(texts[2]), previous->m_strField6);
    AssignLike(m_strField7, TrimView(texts[3]), previous->m_strField7);
    AssignLike(m_strField8, TrimView(texts[4]), previous->m_strField8);
    return 1;
}

void CInfoEntry::Store(platform::CArchive& ar) const {
    const int numbers[] = {m_nSeq, m_nGroup, m_nEntry, m_nFun, m_nInf};
    // The five numbers little-endian in one write: a cache holds hundreds of thousands.
    char block[sizeof numbers / sizeof numbers[0] * 4];
    std::size_t at = 0;
    for (const int n : numbers)
        for (int shift = 0; shift < 32; shift += 8)
            block[at++] = static_cast<char>(static_cast<std::uint32_t>(n) >> shift);
    ar.WriteBytes(std::string_view(block, sizeof block));
    for (const std::string_view t :
         {std::string_view(m_strDesc), m_strField5.View(), m_strField6.View(), m_strField7.View(),
          m_strField8.View(), m_strGroupName.View(), m_strExtra.View(), std::string_view(m_strReference)})
        StoreText(ar, t);
}

void CInfoEntry::Serialize(platform::CArchive& ar) {
    if (ar.IsStoring()) {
        Store(ar);
        return;
    }
    for (int* n : {&m_nSeq, &m_nGroup, &m_nEntry, &m_nFun, &m_nInf})
        *n = ar.ReadI32();
    m_strDesc = LoadText(ar);
    m_strField5 = LoadText(ar);
    m_strField6 = LoadText(ar);
    m_strField7 = LoadText(ar);
    m_strField8 = LoadText(ar);
    m_strGroupName = LoadText(ar);
    m_strExtra = LoadText(ar);
    m_strReference = LoadText(ar);
    if (m_strDesc == m_strReference)
        m_strDesc = m_strReference;
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
    return InsertSorted(CInfoEntry(entry));
}

int CInfoEntryArray::InsertSorted(CInfoEntry&& entry) {
    // Entries mostly come in ascending order: appended without a search.
    if (items_.empty() || items_.back().m_nEntry < entry.m_nEntry) {
        items_.push_back(std::move(entry));
        return GetSize() - 1;
    }
    int i = LowerBound(entry.m_nEntry);
    if (i < GetSize() && items_[static_cast<std::size_t>(i)].m_nEntry == entry.m_nEntry)
        return -1;
    items_.insert(items_.begin() + i, std::move(entry));
    return i;
}

void CInfoEntryArray::AssignSorted(std::vector<CInfoEntry> entries) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const CInfoEntry& a, const CInfoEntry& b) { return a.m_nEntry < b.m_nEntry; });
    entries.erase(
        std::unique(entries.begin(), entries.end(),
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
