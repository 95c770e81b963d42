#pragma once
// The progress of the SCD import shown in the modeless progress dialog, with the wait cursor.
#include "points/SCDImport.h"

#include <memory>

namespace editors {
class CExportProgressDlg;
} // namespace editors

namespace points {

// The SCD import's progress shown in the modeless progress dialog.
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
