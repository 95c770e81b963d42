// The program's style draws the icons of the style it stands in for: the pictures it makes once and
// the extension arrows it makes when first drawn are those of a plain instance of that style, at
// every size and in both directions.
#include "monitor/app/ShellStyle.h"

#include <gtest/gtest.h>
#include <memory>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOption>

using marindle::CShellStyle;

namespace {

QImage Painted(const QIcon& icon, const QSize& size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon.paint(&painter, QRect(QPoint(0, 0), size));
    return image;
}

void ExpectSameIcon(const QIcon& made, const QIcon& plain, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_FALSE(made.isNull());
    EXPECT_EQ(made.availableSizes(), plain.availableSizes());
    for (int side : {8, 13, 16, 24, 32, 48}) {
        const QSize size(side, side);
        EXPECT_EQ(made.actualSize(size), plain.actualSize(size)) << side;
        EXPECT_EQ(made.pixmap(size).toImage(), plain.pixmap(size).toImage()) << side;
        EXPECT_EQ(made.pixmap(size, QIcon::Disabled).toImage(), plain.pixmap(size, QIcon::Disabled).toImage())
            << side;
        EXPECT_EQ(Painted(made, size), Painted(plain, size)) << side;
    }
}

} // namespace

TEST(ShellStyleTest, IconsAreThoseOfThePlainStyle) {
    std::unique_ptr<QStyle> plain(QStyleFactory::create(QApplication::style()->name()));
    ASSERT_NE(plain, nullptr);
    CShellStyle style(QStyleFactory::create(QApplication::style()->name()));
    const std::pair<QStyle::StandardPixmap, const char*> icons[] = {
        {QStyle::SP_TitleBarNormalButton, "title normal"},
        {QStyle::SP_TitleBarCloseButton, "title close"},
        {QStyle::SP_DockWidgetCloseButton, "dock close"},
        {QStyle::SP_TitleBarMinButton, "title minimise"},
        {QStyle::SP_ToolBarHorizontalExtensionButton, "horizontal extension"},
        {QStyle::SP_ToolBarVerticalExtensionButton, "vertical extension"},
        {QStyle::SP_DialogOkButton, "ok, passed through"}};
    QStyleOption rightToLeft;
    rightToLeft.direction = Qt::RightToLeft;
    for (const auto& [pixmap, what] : icons) {
        ExpectSameIcon(style.standardIcon(pixmap), plain->standardIcon(pixmap), what);
        // Asked again, the icon made first comes back.
        ExpectSameIcon(style.standardIcon(pixmap), plain->standardIcon(pixmap), what);
        ExpectSameIcon(style.standardIcon(pixmap, &rightToLeft), plain->standardIcon(pixmap, &rightToLeft),
                       what);
    }
    // The arrows differ by direction, and each direction keeps its own.
    EXPECT_NE(
        style.standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton).pixmap(16).toImage(),
        style.standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton, &rightToLeft).pixmap(16).toImage());
}

// Set as the application's style in place of the application's own, it keeps the palette and the
// font, and a widget measures and draws as under the plain style.
TEST(ShellStyleTest, AsTheApplicationsStyleWidgetsLookTheSame) {
    const QString name = QApplication::style()->name();
    const QPalette palette = QApplication::palette();
    const QFont font = QApplication::font();
    auto look = [] {
        QPushButton button(QString::fromUtf8("确定"));
        button.resize(button.sizeHint());
        return std::make_pair(button.sizeHint(), button.grab().toImage());
    };
    const auto plain = look();
    QApplication::setStyle(new CShellStyle(QApplication::style()));
    EXPECT_EQ(QApplication::palette(), palette);
    EXPECT_EQ(QApplication::font(), font);
    const auto shell = look();
    EXPECT_EQ(shell.first, plain.first);
    EXPECT_EQ(shell.second, plain.second);
    // The later tests run under a plain instance of the style again.
    QApplication::setStyle(QStyleFactory::create(name));
    EXPECT_EQ(QApplication::palette(), palette);
}
