#pragma once
// The programs' side of the prompt seam: message boxes as QMessageBox, and every modal dialog run
// through one function that tests can replace to fill and accept dialogs without a blocking exec().
#include "platform/Prompt.h"

#include <functional>
#include <QString>
#include <string>

class QDialog;
class QWidget;

namespace platform {

// Shows messages with QMessageBox on the user-interface thread; a call from another thread waits
// while the user-interface thread shows the box.
class CWidgetPrompt : public IPrompt {
public:
    Answer Message(const std::string& text, const std::string& caption, Icon icon, Buttons buttons) override;
    Answer MessageWithDefault(const std::string& text, const std::string& caption, Icon icon, Buttons buttons,
                              Answer defaultButton) override;
};

// Runs a modal dialog and returns its result (QDialog::Accepted or Rejected, or the value given to
// done()). The default runner calls exec(); tests install their own.
using DialogRunner = std::function<int(QDialog&)>;
int RunDialog(QDialog& dialog);
void SetDialogRunner(DialogRunner runner);

// Conversions between the logic's UTF-8 std::string and the widgets' QString.
inline QString Qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}
inline std::string Ss(const QString& s) {
    return s.toUtf8().toStdString();
}

// Runs fn on the user-interface thread and waits for it (directly when already there), the way a
// sent window message made another thread wait.
void RunOnUiThread(const std::function<void()>& fn);

} // namespace platform
