#pragma once
// The ports of one board: one tab per port group and a grid of the protocol parameters of the
// group's ports, edited in place by the parameter's kind. Choosing another protocol re-places the
// devices of the old and the new protocol; network ports are added and deleted here.
#include "editors/views/GridFormView.h"

class QLineEdit;

namespace projectmodel {
class CBoardInfo;
class CPortArray;
} // namespace projectmodel

namespace editors {

class CConfigPortView : public CGridFormView {
    Q_OBJECT
public:
    explicit CConfigPortView(const CViewContext& context, QWidget* parent = nullptr);

    void OnInitialUpdate() override;
    // Rebuilds the grid of the current group (also after a configuration paste).
    void RefreshPortGrid();
    void OnSelChangeTab() override;
    void OnClickCell(int row, int column) override;
    // "增减端口" over a network group: 添加端口 and 删除端口 (greyed without a selection).
    QMenu* BuildContextMenu(const QPoint& pos) override;
    void OnAddPort();
    void OnDeletePort();
    // The IP address control's text is stored when the edit ends (Return or focus loss).
    void OnIpFinished();

    projectmodel::CBoardInfo* Board() const;
    projectmodel::CPortArray* CurrentGroup() const;

protected:
    void OnCommit(int row, int column, const std::string& oldText, const std::string& newText) override;

private:
    CPathRecord m_path;
    int m_nBoard = -1;
    int m_nGridTab = -1;
    int m_nIpRow = -1;
    int m_nIpColumn = -1;
    QLineEdit* m_pIp;
};

} // namespace editors
