#pragma once
// The progress of the SCD import shown in the application-modal progress dialog, with the wait
// cursor. The import runs on the user-interface thread; between its steps the dialog repaints and
// no user input is taken, and the main frame refuses every command that touches the project until
// it ends.
#include "points/SCDImport.h"

#include <memory>

namespace editors {
class CExportProgressDlg;
} // namespace editors

namespace points {

// The SCD import's progress shown in the application-modal progress dialog.
class CScdProgress : public IScdProgress {
public:
    CScdProgress();
    ~CScdProgress() override;
    void Show(const std::string& caption) override;
    void SetCaption(const std::string& caption) override;
    void SetPos(int pos) override;
    void Hide() override;
    void SetWaitCursor(bool wait) override;

private:
    std::unique_ptr<editors::CExportProgressDlg> m_dlg;
    bool m_bWait = false;
};

} // namespace points
