#include "debugger/views/SheetPages.h"

#include "debugger/views/ContextMenu.h"
#include "debugger/views/ListCtrls.h"
#include "debugger/views/PageParts.h"
#include "debugger/views/QuorvexApp.h"

#include "debugger/core/DeviceRequests.h"
#include "debugger/core/LogFiles.h"
#include "debugger/core/ValueText.h"

#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace quorvex {

using platform::Qs;
using platform::Ss;
using platform::StrFormat;
using namespace pageparts;

// ---- CEvtPage

CEvtPage::CEvtPage(int sheetKind, QWidget* parent)
    : QWidget(parent), sheetKind_(sheetKind), list_(new QTableWidget(this)), rows_(list_, new QLabel(this)) {
    setObjectName("CEvtPage");
    auto* layout = new QVBoxLayout(this);
    list_->setObjectName("list");
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->verticalHeader()->hide();
    layout->addWidget(rows_.DroppedLine());
    const int w = 900;
    SetColumns(list_, {{"类型", w / 8},
                       {"地址", w / 8},
                       {"组号", w / 8},
                       {"条目号", w / 8},
                       {"动作", w / 8},
                       {"时间", w / 4 * 3 / 2}});
    layout->addWidget(list_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    connect(AddButton(this, row, "exit", "退出"), &QPushButton::clicked, this, [this] {
        if (m_onExit)
            m_onExit();
    });
    layout->addLayout(row);
}

void CEvtPage::AddEvent(const CEventRecord& ev) {
    rows_.Append({ev.m_name, StrFormat("%u", unsigned(ev.m_address)), StrFormat("%u", unsigned(ev.m_group)),
                  StrFormat("%u", unsigned(ev.m_entry)), ev.m_action, ev.m_time});
}

QMenu* CEvtPage::CreateContextMenu() {
    auto* menu = new QMenu(this);
    menu->addAction("清除", [this] { rows_.Clear(); });
    return menu;
}

void CEvtPage::contextMenuEvent(QContextMenuEvent* e) {
    ShowContextMenu(CreateContextMenu(), e->globalPos());
}

} // namespace quorvex
