#include "monitor/app/ShellStyle.h"

#include <functional>
#include <memory>
#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QStyleOption>

namespace marindle {

namespace {

// An icon made by the style the first time it is drawn or measured.
class CLaterIcon : public QIconEngine {
public:
    explicit CLaterIcon(std::function<QIcon()> make) : make_(std::make_shared<Make>(std::move(make))) {}

    // As a pixmap icon paints: its pixmap at the device's resolution, drawn into the rectangle.
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const QPaintDevice* device = painter->device();
        const qreal ratio = device ? device->devicePixelRatio() : qApp->devicePixelRatio();
        painter->drawPixmap(rect, pixmap(rect.size() * ratio, mode, state));
    }
    // The made icon's pixmap at the size asked for, in device pixels (QIcon applies the ratio).
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Icon().pixmap(size, 1.0, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return pixmap(size, mode, state).size();
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return Icon().availableSizes(mode, state);
    }
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("CLaterIcon"); }
    QIconEngine* clone() const override { return new CLaterIcon(*this); }

private:
    // Shared by the copies of the icon: the files are read once.
    struct Make {
        explicit Make(std::function<QIcon()> f) : make(std::move(f)) {}
        std::function<QIcon()> make;
        QIcon icon;
        bool made = false;
    };

    QIcon& Icon() {
        if (!make_->made) {
            make_->icon = make_->make();
            make_->made = true;
            make_->make = nullptr;
        }
        return make_->icon;
    }

    std::shared_ptr<Make> make_;
};

bool MadeOnce(QStyle::StandardPixmap pixmap) {
    switch (pixmap) {
    case QStyle::SP_TitleBarNormalButton:
    case QStyle::SP_TitleBarCloseButton:
    case QStyle::SP_DockWidgetCloseButton:
    case QStyle::SP_TitleBarMinButton:
        return true;
    default:
        return false;
    }
}

bool MadeWhenDrawn(QStyle::StandardPixmap pixmap) {
    return pixmap == QStyle::SP_ToolBarHorizontalExtensionButton ||
           pixmap == QStyle::SP_ToolBarVerticalExtensionButton;
}

} // namespace

CShellStyle::CShellStyle(QStyle* base) : QProxyStyle(base) {}

QIcon CShellStyle::standardIcon(StandardPixmap pixmap, const QStyleOption* option,
                                const QWidget* widget) const {
    const bool once = MadeOnce(pixmap);
    if (!once && !MadeWhenDrawn(pixmap))
        return QProxyStyle::standardIcon(pixmap, option, widget);
    // The arrows point the other way right to left: the base style reads the direction from the
    // option, or from the application without one. The title pictures are the same either way.
    const Qt::LayoutDirection direction = option ? option->direction : QGuiApplication::layoutDirection();
    auto& icon = icons_[{pixmap, once ? 0 : static_cast<int>(direction)}];
    if (icon.isNull()) {
        if (once) {
            icon = QProxyStyle::standardIcon(pixmap, option, widget);
        } else {
            const QStyle* base = baseStyle();
            icon = QIcon(new CLaterIcon([base, pixmap, direction] {
                QStyleOption made;
                made.direction = direction;
                return base->standardIcon(pixmap, &made);
            }));
        }
    }
    return icon;
}

} // namespace marindle
