#pragma once
// The start window: a frameless window on top with the program's name and version that closes
// itself two seconds after it is shown. It is the program's first window: the main frame is built
// once the start window is on screen, so that the program shows something at once rather than after
// the whole frame's first layout and paint.
#include <functional>
#include <QDialog>

namespace marindle {

class CStartWindow : public QDialog {
public:
    // How long the window stays up.
    static constexpr int kShownMs = 2000;
    // The latest moment the next step runs when the window is not painted (a hidden screen).
    static constexpr int kFallbackMs = 100;

    CStartWindow();

    // Shows the window; then runs once from the event loop, after the window's first paint (or
    // after kFallbackMs). Nothing runs when the window is gone before then.
    void ShowThen(std::function<void()> then);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void RunNext();

    std::function<void()> then_;
};

} // namespace marindle
