#pragma once
// The bays of the voltage level selected in the tree: add, delete, rename and sort them, and edit
// the level's variable information.
#include "editors/views/GridFormView.h"

namespace projectmodel {
class CVoltLevel;
}

namespace editors {

class CConfigBayView : public CGridFormView {
    Q_OBJECT
public:
    explicit CConfigBayView(const CViewContext& context, QWidget* parent = nullptr);

    void OnInitialUpdate() override;
    void FillList();
    void OnSelChangeTab() override;
    void OnClickCell(int row, int column) override;
    void OnColumnClick(int column) override;
    QMenu* BuildContextMenu(const QPoint& pos) override;
    void OnButton() override;
    void OnAddBay();
    void OnDeleteBay();

    // The level shown (null when the selected node designates none).
    projectmodel::CVoltLevel* Level() const;

protected:
    void OnCommit(int row, int column, const std::string& oldText, const std::string& newText) override;

private:
    void Changed();

    CPathRecord m_path;
    int m_nLastTab = -1;
    std::string m_strTab;
    int m_nLevelCode = -1;
};

} // namespace editors
