#pragma once
// The program's style: draws exactly as the application's style it stands in for, with two of that
// style's icons made cheaper for the main window's first layout and paint.
// - The pictures of the dock windows' title buttons: the style draws them anew from their pixmap
//   source at every layout of a dock; here each is made once.
// - The arrows of the menu bar's and tool bar's extension buttons: the style reads them from their
//   image files (and loads the image plugins for it) when a bar is built; here they are read when
//   first drawn or measured, which a bar whose items all fit never does.
#include <map>
#include <QProxyStyle>
#include <utility>

namespace marindle {

class CShellStyle : public QProxyStyle {
public:
    // Stands in for the style given, which it takes over (the application's own style, when it is
    // set as the application's style in its place).
    explicit CShellStyle(QStyle* base);

    QIcon standardIcon(StandardPixmap pixmap, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;

private:
    // The icons made so far, by picture and layout direction.
    mutable std::map<std::pair<int, int>, QIcon> icons_;
};

} // namespace marindle
