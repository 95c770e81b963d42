#pragma once
// A prompt for tests: records every message box and answers from a script.
#include "platform/Prompt.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace testsupport {

struct RecordedMessage {
    std::string text;
    std::string caption;
    platform::Icon icon;
    platform::Buttons buttons;
    // The button Return would press.
    platform::Answer defaultButton = platform::Answer::Ok;
};

// Installs itself as the process prompt for its lifetime.
class PromptRecorder : public platform::IPrompt {
public:
    PromptRecorder();
    ~PromptRecorder() override;

    platform::Answer Message(const std::string& text, const std::string& caption, platform::Icon icon,
                             platform::Buttons buttons) override;
    platform::Answer MessageWithDefault(const std::string& text, const std::string& caption,
                                        platform::Icon icon, platform::Buttons buttons,
                                        platform::Answer defaultButton) override;

    // Answers for the next questions, in order; when the script is empty the default answer is
    // given (Yes for yes/no questions, Ok otherwise).
    void Script(std::initializer_list<platform::Answer> answers);
    void SetDefaultAnswer(platform::Answer a) {
        defaultAnswer_ = a;
        hasDefault_ = true;
    }
    // Unscripted questions are answered with their default button, as a Return press would.
    void AnswerWithDefaultButton() { answerDefaultButton_ = true; }

    std::vector<RecordedMessage> Messages() const;
    std::vector<std::string> Texts() const;
    std::size_t Count() const;
    // The last text, or "" when nothing was shown.
    std::string LastText() const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<RecordedMessage> messages_;
    std::deque<platform::Answer> script_;
    platform::Answer defaultAnswer_ = platform::Answer::Ok;
    bool hasDefault_ = false;
    bool answerDefaultButton_ = false;
    platform::IPrompt* previous_;
};

} // namespace testsupport
