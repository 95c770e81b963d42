#pragma once
// "正在导出测点数据，请稍侯……": the progress dialog of point exports and imports; its owner creates it
// around each export and drives the progress bar. The job runs on the user-interface thread: the
// dialog is application-modal and its repaints admit no user input, so nothing the job holds can
// be changed or closed under it.
#include <QDialog>

class QProgressBar;

namespace editors {

class CExportProgressDlg : public QDialog {
    Q_OBJECT
public:
    explicit CExportProgressDlg(QWidget* parent = nullptr);
    // Shown application-modal.
    void Create();
    // Lets the dialog repaint between steps of the job; no user input is taken meanwhile.
    void Repaint();
    void Destroy();
    void SetRange(int low, int high);
    void SetPos(int pos);
    int GetPos() const;
    QProgressBar* Progress() const { return m_pProgress; }

private:
    QProgressBar* m_pProgress;
};

} // namespace editors
