#pragma once
// The rules of the tap-position conversion editors. Three whole-model editors derive telesignals
// from tap positions on a copy of the composite device's model: one per tap value (dialog 187,
// operator 24), one per bit of the value (186, operators 15..22), one per bit of the two BCD
// digits (188, operator 26). Two single-point editors edit one expression: a tap position as a
// telemeasurement (184, operator 25) and a tap position built from telesignal bits (189,
// operator 23).
#include "points/ExprEdit.h"

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

// Dialog 184: exactly one tap-position operand, operator 25.
class CTapToYcEdit {
public:
    explicit CTapToYcEdit(CProjectModel* doc) : m_doc(doc) {}

    CProjectModel* m_doc;
    std::optional<projectmodel::CExpression> m_expr;
    int m_nAddress = projectmodel::kCompositeDeviceAddress;
    int m_nGroup = 0;
    int m_nEntry = 0;
    std::string m_strName;

    std::vector<CPointRow> SourceRows() const { return SourcePointRows(m_doc, projectmodel::kInfoTypeYP); }
    // Checks the expression given ("程序错误：表达式标识错误！", "程序错误：操作数标识错误！") and
    // cuts it to one operand ("操作数超过1个，删除多余操作数！"); true when the operand is shown.
    bool Open();
    std::vector<CPointRow> OperandRows() const;
    void Add(const std::vector<CPointKey>& keys);
    void Remove(const std::vector<int>& rows);
    bool Accept();

private:
    bool m_bShow = false;
};

// Dialog 189: telesignal bits, the last operand being bit 0; rows show the operands from the
// last to the first.
class CYxToTapEdit {
public:
    explicit CYxToTapEdit(CProjectModel* doc) : m_doc(doc) {}

    CProjectModel* m_doc;
    std::optional<projectmodel::CExpression> m_expr;
    int m_nAddress = projectmodel::kCompositeDeviceAddress;
    int m_nGroup = 0;
    int m_nEntry = 0;
    std::string m_strName;

    std::vector<CPointRow> SourceRows() const { return SourcePointRows(m_doc, projectmodel::kInfoTypeYX); }
    // "位序" ("第%d位"), "装置", "分组", "条目", "描述".
    std::vector<CPointRow> OperandRows() const;
    void Add(const std::vector<CPointKey>& keys);
    void Remove(const std::vector<int>& rows);
    // The row that stays selected, or -1 when nothing moved.
    int MoveUp(int row);
    int MoveDown(int row);
    bool Accept();

private:
    int Count() const { return m_expr ? static_cast<int>(m_expr->m_operands.size()) : 0; }
};

} // namespace points
