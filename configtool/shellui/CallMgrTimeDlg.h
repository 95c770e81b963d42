#pragma once
// "召唤管理机时间": the board whose clock to call.
#include <QDialog>

class QComboBox;

namespace qxm7740 {

class CCallMgrTimeDlg : public QDialog {
    Q_OBJECT
public:
    explicit CCallMgrTimeDlg(QWidget* parent = nullptr);
    int GetBoard() const { return m_nBoard; }
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    int m_nBoard = 0;
    QComboBox* m_pBoard;
};

} // namespace qxm7740
