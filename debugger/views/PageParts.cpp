#include "debugger/views/PageParts.h"

#include "debugger/views/ContextMenu.h"
#include "debugger/views/ListCtrls.h"
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

namespace quorvex::pageparts {

QPushButton* AddButton(QWidget* page, QHBoxLayout* row, const char* name, const char* caption) {
    auto* b = new QPushButton(caption, page);
    b->setObjectName(name);
    row->addWidget(b);
    return b;
}

void SetColumns(QTableWidget* list, const std::vector<std::pair<const char*, int>>& columns) {
    list->setColumnCount(static_cast<int>(columns.size()));
    QStringList titles;
    for (const auto& [title, width] : columns)
        titles << title;
    list->setHorizontalHeaderLabels(titles);
    for (std::size_t i = 0; i < columns.size(); ++i)
        list->setColumnWidth(static_cast<int>(i), columns[i].second);
}

// The value columns with w = a quarter of the list's width.
void SetValueColumns(QTableWidget* list, bool withSetColumn) {
    const int w = 900 / 4;
    std::vector<std::pair<const char*, int>> c = {{"类型", withSetColumn ? 2 * w / 3 : w},
                                                  {"名称", w},
                                                  {"地址", w / 3},
                                                  {"组号", w / 3},
                                                  {"条目号", w / 3},
                                                  {"实际值", 6 * w / 7}};
    if (withSetColumn)
        c.push_back({"置数", w / 3});
    SetColumns(list, c);
}

std::string RowsExportText(const CValueGrid* list) {
    std::string text;
    for (int r = 0; r < list->rowCount(); ++r)
        text += list->Text(r, 0) + " , " + list->Text(r, 1) + " , " + list->Text(r, 3) + " , " +
                list->Text(r, 4) + " , " + list->Text(r, 5) + "\n";
    return text;
}

// The full-list box of both pages' typed values.
void ShowListFull() {
    platform::MessageBox("输入个数不可超过63", "警告", platform::Icon::Warning);
}

// A refill that no longer holds the entry of an open editor: what was typed there is not kept.
void TellEditLost(CQuorvexApp& app, const std::string& name) {
    // The refill runs inside the handling of a frame: the box comes after it.
    app.Later([name] {
        platform::MessageBox("条目 " + name + " 已不在列表中，输入的值未保留。", "信息",
                             platform::Icon::Information);
    });
}

// Shows the values not yet set on their rows after a fill: in the colour of a value to send, or
// as they went out while their answer is awaited.
void ShowPendingRows(CValueGrid* list, const CPendingList& pending, const CEntryMarks& sent,
                     const std::function<std::vector<int>(const CPendingValue&)>& rowsOf) {
    for (const CPendingValue& p : pending.Items())
        for (int row : rowsOf(p)) {
            list->ShowPendingValue(row, p.m_newValue);
            if (sent.Has(p.m_address, p.m_key))
                list->ResetColours(row, false);
        }
}

// The box of a value refused before sending: the entry, why, and what did not happen.
void ShowRefusal(const std::string& name, const std::string& refusal, const char* outcome) {
    platform::MessageBox("条目 " + name + " " + refusal + "\n" + outcome, "错误", platform::Icon::Error);
}

bool ReadyToSend(QWidget* page, CQuorvexApp& app, std::uint32_t rights, CValueGrid* list,
                 const CPendingList& pending, const char* nothingText) {
    const QPointer<QWidget> self(page);
    if (!app.CheckRights(rights) || !self)
        return false;
    if (!list->CommitEdit() || !self)
        return false;
    if (pending.IsEmpty()) {
        platform::MessageBox(nothingText, "信息", platform::Icon::Information);
        return false;
    }
    return true;
}

int AppendEntryRow(CValueGrid* list, const CGroupTable& groups, const CDbEntry& e) {
    using platform::StrFormat;
    const int row = list->AppendRow();
    list->SetText(row, 0, groups.TitleOf(KeyGroup(e.m_key)));
    list->SetText(row, 1, e.m_name);
    list->SetText(row, 2, StrFormat("%u", unsigned(e.m_address)));
    list->SetText(row, 3, StrFormat("%u", unsigned(KeyGroup(e.m_key))));
    list->SetText(row, 4, StrFormat("%u", unsigned(KeyEntry(e.m_key))));
    list->SetText(row, 5, e.m_value);
    return row;
}

} // namespace quorvex::pageparts
