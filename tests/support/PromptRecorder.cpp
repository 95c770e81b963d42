#include "PromptRecorder.h"

namespace testsupport {

PromptRecorder::PromptRecorder() : previous_(platform::CurrentPrompt()) {
    platform::SetPrompt(this);
}

PromptRecorder::~PromptRecorder() {
    platform::SetPrompt(nullptr);
}

platform::Answer PromptRecorder::Message(const std::string& text, const std::string& caption,
                                         platform::Icon icon, platform::Buttons buttons) {
    return MessageWithDefault(text, caption, icon, buttons, platform::FirstButton(buttons));
}

platform::Answer PromptRecorder::MessageWithDefault(const std::string& text, const std::string& caption,
                                                    platform::Icon icon, platform::Buttons buttons,
                                                    platform::Answer defaultButton) {
    std::lock_guard lock(mutex_);
    messages_.push_back({text, caption, icon, buttons, defaultButton});
    if (!script_.empty()) {
        platform::Answer a = script_.front();
        script_.pop_front();
        return a;
    }
    if (answerDefaultButton_)
        return defaultButton;
    if (hasDefault_)
        return defaultAnswer_;
    return platform::FirstButton(buttons);
}

void PromptRecorder::Script(std::initializer_list<platform::Answer> answers) {
    std::lock_guard lock(mutex_);
    script_.insert(script_.end(), answers.begin(), answers.end());
}

std::vector<RecordedMessage> PromptRecorder::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<std::string> PromptRecorder::Texts() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& m : messages_)
        out.push_back(m.text);
    return out;
}

std::size_t PromptRecorder::Count() const {
    std::lock_guard lock(mutex_);
    return messages_.size();
}

std::string PromptRecorder::LastText() const {
    std::lock_guard lock(mutex_);
    return messages_.empty() ? std::string() : messages_.back().text;
}

void PromptRecorder::Clear() {
    std::lock_guard lock(mutex_);
    messages_.clear();
    script_.clear();
}

} // namespace testsupport
