#pragma once
// The one seam through which every message box of the programs is shown. The programs install a
// QMessageBox implementation; tests install a recorder that scripts answers and keeps every text.
#include <string>
#include <string_view>

namespace platform {

enum class Icon { None, Information, Warning, Error, Question };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
// The numbers are those of the original message-box results, which some callers compare.
enum class Answer { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

class IPrompt {
public:
    virtual ~IPrompt() = default;
    virtual Answer Message(const std::string& text, const std::string& caption, Icon icon,
                           Buttons buttons) = 0;
    // The same with the button that Return presses named: a question whose Yes deletes data names
    // No. Prompts that show or record boxes override it; the others answer as Message does.
    virtual Answer MessageWithDefault(const std::string& text, const std::string& caption, Icon icon,
                                      Buttons buttons, Answer defaultButton) {
        (void)defaultButton;
        return Message(text, caption, icon, buttons);
    }
};

// The first button of a set: the default one unless the caller names another.
Answer FirstButton(Buttons buttons);

// Installs the prompt the process uses (not owned; null restores the fallback, which writes the
// text to standard error and answers the default button).
void SetPrompt(IPrompt* prompt);
IPrompt* CurrentPrompt();

// Shows a message through the installed prompt.
Answer MessageBox(const std::string& text, const std::string& caption = {}, Icon icon = Icon::None,
                  Buttons buttons = Buttons::Ok);
// Shows a question whose default button (the one Return presses) is given.
Answer MessageBox(const std::string& text, const std::string& caption, Icon icon, Buttons buttons,
                  Answer defaultButton);

// A question whose Yes deletes or replaces data: Yes and No with No the default (Return and Escape
// keep the data). True only for Yes.
bool AskYesDefaultNo(const std::string& text, const std::string& caption, Icon icon = Icon::Question);

// The caption used when a caller gives none (the program's name, as the class library did).
void SetDefaultCaption(const std::string& caption);
const std::string& DefaultCaption();

} // namespace platform
