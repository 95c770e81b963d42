#pragma once
// The progress dialog shown while a CID/ICD file is read and earlier choices restored. The reading
// runs on the user-interface thread: the dialog is application-modal and its repaints admit no user
// input.
#include "iedinterface/model/ImportProgress.h"

#include <QDialog>

class QProgressBar;

namespace iedinterface {

class CImportProgressDlg : public QDialog, public IImportProgress {
    Q_OBJECT
public:
    explicit CImportProgressDlg(QWidget* parent = nullptr);

    void Open(const std::string& caption, int low, int high) override;
    void SetPos(int pos) override;
    void Close() override;

    int Pos() const;

private:
    QProgressBar* m_progress;
};

} // namespace iedinterface
