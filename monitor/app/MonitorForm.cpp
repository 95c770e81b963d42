#include "monitor/app/MonitorForm.h"

#include "monitor/app/MarindleApp.h"
#include "monitor/app/WindowManager.h"
#include "monitor/model/MonitorTexts.h"

#include <QLabel>

namespace marindle {

CMonitorForm::CMonitorForm(CMarindleApp& app, int kind, const WindowKey& key, QWidget* parent)
    : QWidget(parent), app_(app), kind_(kind), key_(key) {}

CMonitorForm::~CMonitorForm() {
    app_.windows.Closed(this);
}

QLabel* CMonitorForm::MakeCaption() {
    auto* caption = new QLabel(this);
    caption->setObjectName("static1024");
    return caption;
}

void CMonitorForm::TellNotSent(CMarindleApp& app, const std::string& command) {
    app.MessageLater(text::CommandNotSent(command));
}

} // namespace marindle
