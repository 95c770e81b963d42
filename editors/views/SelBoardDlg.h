#pragma once
// "请选择要加入的端口": the port a device is put on when more than one port runs its protocol.
#include "editors/model/EditorDialogRules.h"

#include <QDialog>
#include <vector>

class QComboBox;
class QLabel;

namespace editors {

class CSelBoardDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSelBoardDlg(QWidget* parent = nullptr);
    projectmodel::CDevice* m_pDevice = nullptr;
    projectmodel::CBoardCommCfg* m_pBoardCfg = nullptr;
    int m_nCapacity = 0;
    // The chosen port after OK.
    projectmodel::CPortRecord* m_pPort = nullptr;

    int DoModal();
    bool OnInitDialog();
    void accept() override;
    QComboBox* Combo() const { return m_pCombo; }
    QLabel* Label() const { return m_pLabel; }

private:
    QLabel* m_pLabel;
    QComboBox* m_pCombo;
    std::vector<CPortChoice> m_choices;
};

} // namespace editors
