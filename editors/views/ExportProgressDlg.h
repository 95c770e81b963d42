#pragma once
// "正在导出测点数据，请稍侯……": the modeless progress dialog of point exports and imports; its owner
// creates it around each export and drives the progress bar.
#include <QDialog>

class QProgressBar;

namespace editors {

class CExportProgressDlg : public QDialog {
    Q_OBJECT
public:
    explicit CExportProgressDlg(QWidget* parent = nullptr);
    // Shown modeless.
    void Create();
    void Destroy();
    void SetRange(int low, int high);
    void SetPos(int pos);
    int GetPos() const;
    QProgressBar* Progress() const { return m_pProgress; }

private:
    QProgressBar* m_pProgress;
};

} // namespace editors
