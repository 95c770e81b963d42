#pragma once
// The rules of the two composite expression editors: a virtual telemeasurement computed from
// telemeasurements and numbers with "＋", "－", "×", "/" (dialog 183), and a virtual telesignal
// computed from telesignals and numbers with "非(not)", "与(and)", "或(or)", "异或(Xor)"
// (dialog 185). The dialogs show these rows and call these operations; refusals are message
// boxes.
#include "points/PointRows.h"

#include <optional>
#include <string>
#include <vector>

namespace points {

// The group of the composite device reserved for the warning (entry 1) and accident-total (entry 2)
// signals.
constexpr int kReservedGroupNo = 10;

// Operand kinds of an expression.
enum OperandKind { kOperandYC = 0, kOperandYX = 1, kOperandTap = 5, kOperandNumber = 6 };

struct COperatorItem {
    std::string caption;
    int code = 0;
};

// Rows of every point of a category over the project's devices: device address, group number,
// entry number, point display text.
std::vector<CPointRow> SourcePointRows(const CProjectModel* doc, int category);
// The display text of a point key, or empty with found false.
std::string PointKeyText(const CProjectModel* doc, int address, int group, int entry, bool& found);
// The class library's range prompt for an integer field.
std::string RangePrompt(int low, int high);
// Checks an integer field against its range; shows the range prompt when outside.
bool CheckRange(int value, int low, int high);
// The key a single-point editor gives a computed point of the composite device, of category 0
// (遥测), 1 (遥信) or 5 (步位置): the entry number 1..255 (the range prompt), the group number
// 1..255, group 10 only for the warning (10-1) and accident-total (10-2) telesignals, and never a
// group that already holds points of another category. False after a message.
bool CheckCompositePointKey(const CProjectModel* doc, int category, int group, int entry);

class CCompositeExprEdit {
public:
    enum Kind { YC, YX }; // dialog 183, dialog 185

    CCompositeExprEdit(Kind kind, CProjectModel* doc) : m_kind(kind), m_doc(doc) {}

    Kind m_kind;
    CProjectModel* m_doc;
    std::optional<projectmodel::CExpression> m_expr;
    int m_nOperator = 28;
    int m_nAddress = projectmodel::kCompositeDeviceAddress;
    int m_nGroup = 0;
    int m_nEntry = 0;
    std::string m_strName;

    const std::vector<COperatorItem>& Operators() const;
    // Index of the current operator among Operators(), -1 when it is not one of them.
    int OperatorIndex() const;
    // The current operator from the expression ("表达式运算符错误！" for a foreign code), or the
    // default of a new point ("＋", "或(or)").
    void Open();

    int PointKind() const { return m_kind == YC ? kOperandYC : kOperandYX; }
    std::vector<CPointRow> SourceRows() const { return SourcePointRows(m_doc, PointKind()); }
    // One row per operand; an operand of a foreign kind is reported and ends the rows.
    std::vector<CPointRow> OperandRows() const;

    // Appends the points (kind 0 or 1) or one number; false when the operator refuses more.
    bool AddPoints(const std::vector<CPointKey>& keys);
    bool AddNumber(const std::string& text);
    void Remove(const std::vector<int>& rows);
    bool MoveUp(int row);
    bool MoveDown(int row);
    // The combo's selection: "－", "/" keep two operands, "非(not)" one (reported when cut).
    void SetOperator(int code);
    // The first cell of an operand row typed over: a number takes the value; a point takes the
    // device address (asking before an address without that point). False when nothing changed;
    // otherwise cells receives the row's new first and last cell texts.
    bool EditOperand(int row, const std::string& cell, const std::string& typed, std::string& first,
                     std::string& last);
    // The OK checks; numberField is the direct-number edit's value (dialog 185 wants 0 or 1).
    bool Accept(int numberField);

private:
    bool CanAdd() const;
    int Count() const { return m_expr ? static_cast<int>(m_expr->m_operands.size()) : 0; }
    void Append(const projectmodel::CExprOperand& operand);
};

} // namespace points
