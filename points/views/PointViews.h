#pragma once
// Plugs the point configuration into the main tool: the point views into the project frame's
// view registry, the Excel writer into the project tree's point export, and the progress dialog
// of the SCD import.
#include "points/SCDImport.h"

#include <memory>

class CExportProgressDlg;

// Registers the all-points view, the device point view and the virtual point view, and the
// workbook of the point export.
void RegisterPointViews();

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
    std::unique_ptr<CExportProgressDlg> m_dlg;
    bool m_bWait = false;
};
