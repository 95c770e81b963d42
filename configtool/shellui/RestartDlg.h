#pragma once
// "重启动设置": which board of the manager to restart: "全部" (255) or one of the boards 0 to 11.
#include <QDialog>

class QComboBox;

namespace qxm7740 {

class CRestartDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kAllBoards = 255;
    static constexpr int kBoardCount = 12;

    explicit CRestartDlg(QWidget* parent = nullptr);

    // The chosen board address: 255 for all boards, else 0 to 11.
    int GetBoardAddress() const { return m_nBoard; }
    // Selects the combo item of the address (used when the dialog is run again).
    void SetBoardAddress(int board);

    void accept() override;

private:
    int m_nBoard = kAllBoards;
    QComboBox* m_pBoard;
};

} // namespace qxm7740
