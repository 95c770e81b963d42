#pragma once
// What the point expression editors share: the operand kinds, the rows of the points an operand
// can name, the text of a point key, the range checks of the key fields and the operand list
// edits.
#include "points/PointRows.h"

#include <optional>
#include <string>
#include <vector>

namespace points {

// The group of the composite device reserved for the warning (entry 1) and accident-total (entry 2)
// signals.
constexpr int kReservedGroupNo = 10;
// Said when a point other than the warning or the accident signal is filed into that group.
inline constexpr const char* kReservedGroupText =
    "组号10只用于预告信号(条目1)和事故总信号(条目2)，不能放入其他测点！";

// What every single-point expression editor edits: the key and name of the composite point it
// makes, and its expression.
struct CExprPointEdit {
    explicit CExprPointEdit(CProjectModel* doc) : m_doc(doc) {}

    CProjectModel* m_doc;
    std::optional<projectmodel::CExpression> m_expr;
    int m_nAddress = projectmodel::kCompositeDeviceAddress;
    int m_nGroup = 0;
    int m_nEntry = 0;
    std::string m_strName;
};

// Operand kinds of an expression.
enum OperandKind { kOperandYC = 0, kOperandYX = 1, kOperandTap = 5, kOperandNumber = 6 };

// The operand messages that several expression editors show.
inline constexpr const char* kOperandKindError = "程序错误：操作数标识错误！";
inline constexpr const char* kExtraOperandsCut = "操作数超过1个，删除多余操作数！";
inline constexpr const char* kTwoOperandsNeeded = "操作数不得少于2个！";
inline constexpr const char* kTooFewOperands = "操作数太少！";

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

// An operand of the kind with its three values (device address, group, entry; a number in the
// first).
projectmodel::CExprOperand MakeOperand(int kind, int a, int b = 0, int c = 0);
// Removes the operands at the indices (each once; indices outside the list are ignored).
void RemoveOperands(std::optional<projectmodel::CExpression>& expr, std::vector<int> indices);

} // namespace points
