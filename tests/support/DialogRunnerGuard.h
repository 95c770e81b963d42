#pragma once
// Installs a dialog runner for a scope: every modal dialog the code under test runs goes to it
// instead of exec(), and the runner is removed again at the end of the scope.
#include "platform/ui/WidgetPrompt.h"

#include <utility>

namespace testsupport {

struct DialogRunnerGuard {
    explicit DialogRunnerGuard(platform::DialogRunner r) { platform::SetDialogRunner(std::move(r)); }
    ~DialogRunnerGuard() { platform::SetDialogRunner(nullptr); }
    DialogRunnerGuard(const DialogRunnerGuard&) = delete;
    DialogRunnerGuard& operator=(const DialogRunnerGuard&) = delete;
};

} // namespace testsupport
