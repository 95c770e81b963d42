#include "AppTestRig.h"

#include "platform/ui/WidgetPrompt.h"

#include <QCoreApplication>

namespace apptest {

using namespace montest;

AppRig::AppRig() {
    auto t = std::make_unique<MemoryTransport>();
    transport = t.get();
    app = std::make_unique<marindle::CMarindleApp>(dir.Path(), std::move(t));
    app->rightCheck = [this](int right) {
        rights.push_back(right);
        return grantRights;
    };
    platform::SetDialogRunner([this](QDialog& d) {
        dialogNames.push_back(d.objectName().toStdString());
        if (dialogs.empty())
            return static_cast<int>(QDialog::Rejected);
        auto handler = std::move(dialogs.front());
        dialogs.pop_front();
        return handler(d);
    });
    app->InitInstance("", false);
}

AppRig::~AppRig() {
    app.reset();
    platform::SetDialogRunner(nullptr);
    // The boxes this program queued and the test did not run are not the next test's.
    QCoreApplication::removePostedEvents(QCoreApplication::instance(), QEvent::MetaCall);
}

void AppRig::Login() {
    app->OnConnect();
    Feed(Dsdu({14, 1, 2, 3, 4}));
    Feed(Dsdu({15, 1}));
    Feed(Dsdu(Cat({17}, SamplePortInfo())));
    ClearSent();
    prompts.Clear();
}

void AppRig::Settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}

std::vector<Bytes> AppRig::SentBodies() const {
    std::vector<Bytes> out;
    for (const auto& f : transport->sent)
        out.push_back(BodyOf(f));
    return out;
}

marindle::CDeviceRecord* AppRig::Ready(std::uint16_t address) {
    marindle::CDeviceRecord* d = app->model.FindDevice(address);
    if (d) {
        d->communicating = 1;
        d->structureComplete = 1;
    }
    return d;
}

} // namespace apptest
