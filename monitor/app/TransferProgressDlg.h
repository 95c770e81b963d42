#pragma once
// The modeless progress window of transfers, downloads and telecontrol (one bar, 0..100), and the
// file choosers the monitor windows use (run through the dialog seam).
#include <QDialog>
#include <string>

class QProgressBar;

namespace marindle {

class CTransferProgressDlg : public QDialog {
    Q_OBJECT
public:
    CTransferProgressDlg(const std::string& caption, QWidget* parent = nullptr);
    void SetPos(int position);
    int Pos() const;

private:
    QProgressBar* bar_; // 1008
};

// The filter that lists every file. "*" rather than "*.*": on this system "*.*" hides files
// without an extension, and a save dialog would add a dot to such a name.
inline constexpr const char* kAllFilesFilter = "所有文件 (*)";

// A save or open file chooser in the folder with the proposed name; the chosen path or empty.
std::string ChooseFile(QWidget* parent, bool save, const std::string& caption, const std::string& folder,
                       const std::string& proposedName, const QStringList& filters);

} // namespace marindle
