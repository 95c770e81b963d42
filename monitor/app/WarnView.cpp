#include "monitor/app/WarnView.h"

#include "monitor/app/CommandIds.h"
#include "platform/ui/WidgetPrompt.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QStringList>
#include <QStyleOptionHeader>

using platform::Qs;

namespace marindle {

namespace {

// The column titles. Qt sizes a title bar by its titles measured in bold, a font drawn only while a
// column is highlighted: on the main window's first layout that costs a second font (and its
// fallback for the Chinese titles) that nothing on screen shows. The bar's height here comes from
// the titles in the font they are drawn in, measured again only when a title, the font or the style
// changes. A column's own size hint (sizing a column to its contents) stays Qt's.
class CTitleBar : public QHeaderView {
public:
    explicit CTitleBar(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

    QSize sizeHint() const override {
        QStringList titles;
        for (int c = 0; c < count(); ++c)
            if (!isSectionHidden(c))
                titles.append(model()->headerData(c, orientation(), Qt::DisplayRole).toString());
        if (!hint_.isValid() || titles != titles_ || font() != font_ || style() != style_ ||
            isSortIndicatorShown() != sorted_) {
            titles_ = titles;
            font_ = font();
            style_ = style();
            sorted_ = isSortIndicatorShown();
            hint_ = QSize(0, 0);
            QStyleOptionHeader opt;
            initStyleOption(&opt);
            opt.fontMetrics = fontMetrics();
            if (sorted_)
                opt.sortIndicator = QStyleOptionHeader::SortDown;
            for (const QString& title : titles_) {
                opt.text = title;
                hint_ = hint_.expandedTo(
                    style()->sizeFromContents(QStyle::CT_HeaderSection, &opt, QSize(), this));
            }
        }
        return hint_;
    }

private:
    mutable QSize hint_;
    mutable QStringList titles_;
    mutable QFont font_;
    mutable const QStyle* style_ = nullptr;
    mutable bool sorted_ = false;
};

} // namespace

CWarnView::CWarnView(QWidget* parent) : QTableWidget(parent) {
    setObjectName("list1065");
    // The bar clicks and highlights as the one Qt gave the list.
    auto* bar = new CTitleBar(this);
    bar->setSectionsClickable(horizontalHeader()->sectionsClickable());
    bar->setHighlightSections(horizontalHeader()->highlightSections());
    setHorizontalHeader(bar);
    const char* titles[] = {"序号", "类型", "时间", "名称", "地址", "描述", "状态"};
    const int widths[] = {50, 100, 200, 150, 100, 310, 70};
    setColumnCount(7);
    for (int c = 0; c < 7; ++c) {
        setHorizontalHeaderItem(c, new QTableWidgetItem(Qs(titles[c])));
        setColumnWidth(c, widths[c]);
    }
    verticalHeader()->hide();
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int c) { SortColumn(c); });
}

void CWarnView::AppendRow(std::size_t index) {
    const auto cells = events_.RowTexts(index);
    const int row = rowCount();
    insertRow(row);
    for (int c = 0; c < 7; ++c)
        setItem(row, c, new QTableWidgetItem(Qs(cells[c])));
    scrollToItem(item(row, 0));
}

void CWarnView::AddEvent(int kind, std::time_t time, std::uint16_t ms, const std::string& name,
                         std::uint16_t address, const std::string& description, const std::string& state) {
    if (onEvent)
        onEvent();
    if (!events_.Add({kind, time, ms, name, address, description, state}))
        return;
    AppendRow(events_.Events().size() - 1);
}

void CWarnView::SortColumn(int column) {
    if (!events_.Sort(column))
        return;
    setRowCount(0);
    for (std::size_t i = 0; i < events_.Events().size(); ++i)
        AppendRow(i);
}

void CWarnView::Clear() {
    events_.Clear();
    setRowCount(0);
}

std::unique_ptr<QMenu> CWarnView::BuildContextMenu() {
    auto menu = std::make_unique<QMenu>(Qs("清除"));
    QAction* a = menu->addAction(Qs("清除"));
    a->setData(kCmdClearWarnings);
    connect(a, &QAction::triggered, this, [this] { Clear(); });
    return menu;
}

void CWarnView::contextMenuEvent(QContextMenuEvent* event) {
    BuildContextMenu()->exec(event->globalPos());
}

} // namespace marindle
