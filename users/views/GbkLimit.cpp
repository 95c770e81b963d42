#include "users/views/GbkLimit.h"

#include "platform/Gbk.h"
#include "platform/ui/WidgetPrompt.h"

#include <QLineEdit>

void LimitGbkInput(QLineEdit* edit, std::size_t maxBytes) {
    // No character takes less than one byte, so the character limit never cuts too early.
    edit->setMaxLength(static_cast<int>(maxBytes));
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit, maxBytes](const QString& text) {
        std::string utf8 = platform::Ss(text);
        if (platform::GbkLength(utf8) > maxBytes)
            edit->setText(platform::Qs(platform::TruncateGbk(utf8, maxBytes)));
    });
}
