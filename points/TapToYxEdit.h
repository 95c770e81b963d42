#pragma once
// The rules of the three whole-model tap-position editors, which derive telesignals from tap
// positions on a copy of the composite device's model: one per tap value (dialog 187, operator
// 24), one per bit of the value (186, operators 15..22), one per bit of the two BCD digits (188,
// operator 26). The single-point editors are CTapToYcEdit and CYxToTapEdit.
#include "points/ExprOperands.h"

#include <optional>
#include <string>
#include <vector>

namespace points {

class CTapToYxEdit {
public:
    enum Kind { Single, Binary, Bcd }; // dialogs 187, 186, 188

    CTapToYxEdit(Kind kind, CProjectModel* doc, CDeviceTemplate* copy)
        : m_kind(kind), m_doc(doc), m_copy(copy) {}

    // "档位%d" 1..32 (dialog 187), the eight bit buttons' captions (186, 188).
    static std::vector<std::string> ValueCaptions(Kind kind);
    // "取值%d", "GetBit%d", "个位Bit%d"/"十位Bit%d" of an expression of the editor's code.
    static std::string Label(Kind kind, const projectmodel::CExpression& expr);
    // The expression's operands follow the editor's rule.
    static bool FollowsRule(Kind kind, const projectmodel::CExpression& expr);
    bool IsOwnCode(int code) const;

    std::vector<CPointRow> SourceRows() const { return SourcePointRows(m_doc, projectmodel::kInfoTypeYP); }
    // "取值", "装置", "分组", "条目", "描述" per derived telesignal of the copy; an entry that
    // breaks the rule is reported and ends the rows.
    std::vector<CPointRow> ResultRows() const;
    // A new telesignal of the copy for the tap position: value 1..32 (187) or bit 0..7.
    int Add(const CPointKey& tap, int value);
    void Remove(const std::vector<std::pair<int, int>>& keys);
    // A click on a result row: the value (187) and the index of the source row of its tap
    // position (-1 when none), and the text of the tap-position field.
    void ClickResult(int group, int entry, const std::vector<CPointRow>& sources, int& value, int& sourceRow,
                     std::string& field) const;

private:
    Kind m_kind;
    CProjectModel* m_doc;
    CDeviceTemplate* m_copy;
};

} // namespace points
