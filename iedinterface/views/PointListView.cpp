#include "iedinterface/views/PointListView.h"

#include "iedinterface/model/PointClassifier.h"
#include "iedinterface/model/PointTyping.h"
#include "iedinterface/views/PointList.h"
#include "platform/ui/WidgetPrompt.h"

#include <QLabel>
#include <QMenu>
#include <QTabBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace iedinterface {

using platform::Qs;
using platform::Ss;

namespace {
constexpr int kControlTab = 13 - kClassFirst;
}

CPointListView::CPointListView(CPointClassifier& classifier, int source, const QString& caption,
                               QWidget* parent)
    : QWidget(parent), m_classifier(classifier), m_source(source) {
    m_caption = new QLabel(caption, this);
    m_caption->setObjectName("caption");
    m_caption->setFixedHeight(20);
    m_tab = new QTabBar(this);
    m_tab->setObjectName("tab");
    for (int i = 0; i < kClassCount; ++i)
        m_tab->addTab(QString::fromUtf8(ClassTabCaption(kClassFirst + i)));
    m_list = MakePointList(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 15, 10, 10);
    layout->addWidget(m_caption);
    layout->addWidget(m_tab);
    layout->addWidget(m_list, 1);

    connect(m_tab, &QTabBar::currentChanged, this, &CPointListView::OnTabChanged);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this](int, int) { OnAdd(); });
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QMenu* menu = CreateContextMenu();
        menu->exec(m_list->viewport()->mapToGlobal(pos));
        delete menu;
    });
}

int CPointListView::ClassTab() const {
    return m_tab->currentIndex();
}

void CPointListView::SelectClassTab(int tab) {
    if (tab == m_tab->currentIndex())
        return;
    m_filling = true;
    m_tab->setCurrentIndex(tab);
    m_filling = false;
    Refill();
}

void CPointListView::OnTabChanged(int tab) {
    if (m_filling)
        return;
    Refill();
    emit ClassTabChanged(tab);
}

void CPointListView::SetColumns() {
    QStringList headers = {QStringLiteral("引用名"), QStringLiteral("描述名"), QStringLiteral("CDC属性"),
                           QStringLiteral("FC属性")};
    if (ClassTab() == kControlTab)
        headers << QStringLiteral("CtlModel属性");
    m_list->setColumnCount(int(headers.size()));
    m_list->setHorizontalHeaderLabels(headers);
}

void CPointListView::Refill() {
    m_list->setUpdatesEnabled(false);
    m_list->clearContents();
    SetColumns();
    const auto rows = m_classifier.PointRows(m_source, kClassFirst + ClassTab());
    m_list->setRowCount(int(rows.size()));
    const bool control = ClassTab() == kControlTab;
    for (int r = 0; r < int(rows.size()); ++r) {
        const CPointRow& row = rows[std::size_t(r)];
        m_list->setItem(r, 0, new QTableWidgetItem(Qs(row.Reference)));
        m_list->setItem(r, 1, new QTableWidgetItem(Qs(row.Description)));
        m_list->setItem(r, 2, new QTableWidgetItem(Qs(row.Cdc)));
        m_list->setItem(r, 3, new QTableWidgetItem(Qs(row.Fc)));
        if (control)
            m_list->setItem(r, 4, new QTableWidgetItem(Qs(row.CtlModel)));
    }
    FitColumns(*m_list);
    m_list->setUpdatesEnabled(true);
}

std::vector<std::string> CPointListView::SelectedReferences() const {
    return iedinterface::SelectedReferences(*m_list);
}

QMenu* CPointListView::CreateContextMenu() {
    auto* menu = new QMenu(this);
    QAction* add = menu->addAction(QStringLiteral("<<添加"), this, &CPointListView::OnAdd);
    add->setObjectName("actionAdd");
    add->setEnabled(!SelectedReferences().empty());
    return menu;
}

void CPointListView::OnAdd() {
    const std::vector<std::string> refs = SelectedReferences();
    if (refs.empty() || !CurrentCategory)
        return;
    const auto added = m_classifier.AddPoints(m_source, CurrentCategory(), refs);
    Refill();
    if (!added.empty())
        emit PointsAdded();
}

CDataSetView::CDataSetView(CPointClassifier& classifier, QWidget* parent)
    : CPointListView(classifier, CPointClassifier::SourceDataSet,
                     QStringLiteral("IEC61850-引入DataSet数据："), parent) {
    setObjectName("dataSetView");
}

CLndataView::CLndataView(CPointClassifier& classifier, QWidget* parent)
    : CPointListView(classifier, CPointClassifier::SourceOther,
                     QStringLiteral("IEC61850-非引入DataSet数据："), parent) {
    setObjectName("lndataView");
}

} // namespace iedinterface
