#pragma once
// One point of a device ("信息"), parsed from one entry line:
//   seq,group,entry,description,f5,f6,f7,f8[,key=value;key=value...]
// and the array of a group's entries, kept ascending by entry number.
#include "projectmodel/CompactText.h"
#include "projectmodel/Expression.h"
#include "projectmodel/RecordArray.h"

#include <string>
#include <string_view>

namespace platform {
class CArchive;
}

namespace projectmodel {

class CInfoEntry {
public:
    // The numbers first and the texts after them: the entry has no padding (a project of a large
    // station holds hundreds of thousands of entries).
    int m_nSeq = -1;
    int m_nGroup = -1;
    int m_nEntry = -1;
    int m_nFun = 0;
    int m_nInf = 0;
    int m_bEnabled = 1;
    int m_equip[5] = {-1, -1, -1, -1, -1}; // "设备=%d,%d,%d,%d,%d"
    int m_yx[3] = {-1, -1, -1};            // "遥信=": address, group, entry of the position signal
    CCompactText m_strDesc;
    CCompactText m_strField5;
    CCompactText m_strField6;
    CCompactText m_strField7; // in the model files: the first state text (合, 动作, 通)
    CCompactText m_strField8; // the second state text (分, 返回, 断)
    CCompactText m_strGroupName;
    // Options of the line without a field of their own (FUN and INF too), in line order, the
    // first preceded by "," and each further one by ";", ready to be appended to the line.
    CCompactText m_strExtra;
    CCompactText m_strReference; // "FCDA=", an IEC 61850 data reference
    CCompactText m_strCloseRule; // "合规则=", "规则=", "校验规则="
    CCompactText m_strOpenRule;  // "分规则="
    CExpression m_expr;

    // Fills the entry from one entry line; FALSE (0) when the line is refused. The eight fields are
    // cut at the first seven commas (not aware of parentheses), options follow the eighth.
    int ParseReference(std::string_view line);
    // Fills the entry as ParseReference does from the line "seq,group,entry,texts[0],...,texts[4],
    // options" without writing the line out, when no text holds a character the line would cut
    // or group at (",;=()'\"") and the options no ",()'\"". FALSE (0), the entry unchanged, when
    // one does: such a line is to be parsed. Texts equal to those of previous (the entry before
    // in the group, when given) share their blocks.
    int AssignPlain(int seq, int group, int entry, const std::string_view (&texts)[5],
                    std::string_view options, const CInfoEntry* previous = nullptr);

    // The entry as stored in the SCD cache: five numbers, then description, fields 5 to 8, group
    // name, extra options and reference. Texts are GBK in the archive.
    void Serialize(platform::CArchive& ar);
    // The storing half of Serialize, which changes nothing.
    void Store(platform::CArchive& ar) const;

    bool operator==(const CInfoEntry&) const = default;
};

class CInfoEntryArray : public CRecordArray<CInfoEntry> {
public:
    // Search by halving over the entry numbers; -1 when absent.
    int FindIndexByEntryNo(int entryNo) const;
    CInfoEntry* GetByEntryNo(int entryNo);
    const CInfoEntry* GetByEntryNo(int entryNo) const;
    // Inserts in entry-number order; -1 (array unchanged) when the number is present.
    int InsertSorted(const CInfoEntry& entry);
    int InsertSorted(CInfoEntry&& entry);
    // Replaces the array by these entries in entry-number order, as InsertSorted one by one
    // would leave it (of equal numbers the first stays), in n log n time.
    void AssignSorted(std::vector<CInfoEntry> entries);
    void RemoveByEntryNo(int entryNo);
    // The smallest entry number from 1 upward not in the array.
    int NextFreeEntryNo() const;

private:
    // Index of the first entry whose number is not below entryNo.
    int LowerBound(int entryNo) const;
};

} // namespace projectmodel
