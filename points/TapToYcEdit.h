#pragma once
// The rules of the editor of a tap position shown as a telemeasurement (dialog 184, operator 25).
#include "points/ExprOperands.h"

#include <optional>
#include <string>
#include <vector>

namespace points {

// Dialog 184: exactly one tap-position operand, operator 25.
class CTapToYcEdit : public CExprPointEdit {
public:
    explicit CTapToYcEdit(CProjectModel* doc) : CExprPointEdit(doc) {}

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

} // namespace points
