#include "platform/Prompt.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace platform {
namespace {

// Nobody to ask: the default button is the answer, so a question whose Yes deletes data keeps it.
class FallbackPrompt : public IPrompt {
public:
    Answer Message(const std::string& text, const std::string& caption, Icon icon, Buttons buttons) override {
        return MessageWithDefault(text, caption, icon, buttons, FirstButton(buttons));
    }
    Answer MessageWithDefault(const std::string& text, const std::string& caption, Icon, Buttons,
                              Answer defaultButton) override {
        std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
        return defaultButton;
    }
};

FallbackPrompt g_fallback;
std::atomic<IPrompt*> g_prompt{nullptr};
std::mutex g_captionMutex;
std::string g_defaultCaption;

} // namespace

Answer FirstButton(Buttons buttons) {
    switch (buttons) {
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
        return Answer::Yes;
    case Buttons::RetryCancel:
        return Answer::Retry;
    case Buttons::AbortRetryIgnore:
        return Answer::Abort;
    default:
        return Answer::Ok;
    }
}

void SetPrompt(IPrompt* prompt) {
    g_prompt = prompt;
}

IPrompt* CurrentPrompt() {
    IPrompt* p = g_prompt.load();
    return p ? p : &g_fallback;
}

Answer MessageBox(const std::string& text, const std::string& caption, Icon icon, Buttons buttons) {
    return MessageBox(text, caption, icon, buttons, FirstButton(buttons));
}

Answer MessageBox(const std::string& text, const std::string& caption, Icon icon, Buttons buttons,
                  Answer defaultButton) {
    return CurrentPrompt()->MessageWithDefault(text, caption.empty() ? DefaultCaption() : caption, icon,
                                               buttons, defaultButton);
}

bool AskYesDefaultNo(const std::string& text, const std::string& caption, Icon icon) {
    return MessageBox(text, caption, icon, Buttons::YesNo, Answer::No) == Answer::Yes;
}

void SetDefaultCaption(const std::string& caption) {
    std::lock_guard lock(g_captionMutex);
    g_defaultCaption = caption;
}

const std::string& DefaultCaption() {
    std::lock_guard lock(g_captionMutex);
    return g_defaultCaption;
}

} // namespace platform
