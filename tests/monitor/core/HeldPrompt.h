#pragma once
// A prompt that keeps each message box open the way a modal box does: the event loop runs inside it
// (socket notifications, timers, queued calls) until the test lets the box close or its bound runs
// out. A prompt double that answers at once would hide what happens while a box is up.
#include "platform/Prompt.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

namespace montest {

class HeldPrompt : public platform::IPrompt {
public:
    HeldPrompt() : previous_(platform::CurrentPrompt()) { platform::SetPrompt(this); }
    ~HeldPrompt() override { platform::SetPrompt(previous_); }
    HeldPrompt(const HeldPrompt&) = delete;
    HeldPrompt& operator=(const HeldPrompt&) = delete;

    // Called again and again while a box is open (the event loop runs between the calls); true
    // closes the box. Without it every box closes at once.
    std::function<bool(const std::string& text)> whileOpen;
    // A box still open after this long is closed and noted in timedOut.
    int boundMs = 20000;

    platform::Answer Message(const std::string& text, const std::string&, platform::Icon,
                             platform::Buttons buttons) override {
        texts.push_back(text);
        ++open;
        QTimer wake; // keeps the loop below from sleeping for ever
        wake.start(5);
        QElapsedTimer held;
        held.start();
        while (whileOpen && !whileOpen(text)) {
            if (held.elapsed() > boundMs) {
                timedOut = true;
                break;
            }
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        --open;
        closed.push_back(text);
        return buttons == platform::Buttons::YesNo || buttons == platform::Buttons::YesNoCancel
                   ? platform::Answer::Yes
                   : platform::Answer::Ok;
    }

    std::vector<std::string> texts;  // every box, in the order opened
    std::vector<std::string> closed; // in the order closed
    int open = 0;                    // boxes open now
    bool timedOut = false;

private:
    platform::IPrompt* previous_;
};

} // namespace montest
