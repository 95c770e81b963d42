#include "monitor/app/HistoryForms.h"

#include "monitor/app/MarindleApp.h"
#include "monitor/core/DevModel.h"
#include "monitor/core/DevTime.h"
#include "monitor/coreui/UnitTimeDlg.h"
#include "monitor/model/MonitorTexts.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"

#include <algorithm>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTableWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

using platform::Qs;
using platform::Ss;

namespace marindle {

namespace {
std::time_t Join(const QDateEdit* date, const QTimeEdit* time) {
    const QDate d = date->date();
    const QTime t = time->time();
    return MakeLocalTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}
} // namespace

CHistoryForm::CHistoryForm(CMarindleApp& app, int kind, std::uint16_t deviceKey)
    : CMonitorForm(app, kind, {0, 1, deviceKey}) {
    QLabel* caption = MakeCaption();
    list_ = new QTableWidget(this);
    list_->verticalHeader()->hide();
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    query_ = new QPushButton(Qs("召 唤"), this);
    query_->setObjectName("button1015");
    wait_ = new QLabel(Qs(text::kQuerying), this);
    wait_->setObjectName("static1032");
    fromDate_ = new QDateEdit(this);
    fromDate_->setObjectName("date1030");
    // Any year can be typed: one the unit's time cannot carry is refused when querying.
    fromDate_->setDisplayFormat("yyyy-MM-dd");
    fromTime_ = new QTimeEdit(this);
    fromTime_->setObjectName("time1031");
    fromTime_->setDisplayFormat("HH:mm:ss");
    toDate_ = new QDateEdit(this);
    toDate_->setObjectName("date1025");
    toDate_->setDisplayFormat("yyyy-MM-dd");
    toTime_ = new QTimeEdit(this);
    toTime_->setObjectName("time1026");
    toTime_->setDisplayFormat("HH:mm:ss");
    auto* from = new QLabel(Qs("自"), this);
    from->setObjectName("static1034");
    auto* to = new QLabel(Qs("至"), this);
    to->setObjectName("static1033");
    filters_ = new QHBoxLayout;
    auto* range = new QHBoxLayout;
    range->addWidget(from);
    range->addWidget(fromDate_);
    range->addWidget(fromTime_);
    range->addWidget(to);
    range->addWidget(toDate_);
    range->addWidget(toTime_);
    range->addStretch();
    range->addWidget(wait_);
    range->addWidget(query_);
    layout_ = new QVBoxLayout(this);
    layout_->addWidget(caption);
    layout_->addLayout(filters_);
    layout_->addLayout(range);
    layout_->addWidget(list_);
    connect(query_, &QPushButton::clicked, this, [this] { Query(); });
}

void CHistoryForm::SetColumns(const std::vector<const char*>& titles, const std::vector<int>& widths) {
    list_->setColumnCount(static_cast<int>(titles.size()));
    for (int c = 0; c < static_cast<int>(titles.size()); ++c) {
        list_->setHorizontalHeaderItem(c, new QTableWidgetItem(Qs(titles[c])));
        list_->setColumnWidth(c, widths[c]);
    }
    widths_ = widths;
}

void CHistoryForm::FitColumns(int firstRow) {
    const QFontMetrics cells(list_->font());
    const QFontMetrics titles(list_->horizontalHeader()->font());
    // Room for the cell's margins and the grid line, and for the header's sort indicator.
    const int cellPad = 2 * list_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list_) + 12;
    for (int c = 0; c < list_->columnCount(); ++c) {
        int width = std::max(list_->columnWidth(c), c < static_cast<int>(widths_.size()) ? widths_[c] : 0);
        if (const QTableWidgetItem* h = list_->horizontalHeaderItem(c))
            width = std::max(width, titles.horizontalAdvance(h->text()) + cellPad + 8);
        for (int r = std::max(firstRow, 0); r < list_->rowCount(); ++r)
            if (const QTableWidgetItem* item = list_->item(r, c))
                width = std::max(width, cells.horizontalAdvance(item->text()) + cellPad);
        list_->setColumnWidth(c, width);
    }
}

void CHistoryForm::SetRange(std::time_t start, std::time_t end) {
    const QDateTime s = QDateTime::fromSecsSinceEpoch(start);
    const QDateTime e = QDateTime::fromSecsSinceEpoch(end);
    fromDate_->setDate(s.date());
    fromTime_->setTime(s.time());
    toDate_->setDate(e.date());
    toTime_->setTime(e.time());
}

std::time_t CHistoryForm::Start() const {
    return Join(fromDate_, fromTime_);
}

std::time_t CHistoryForm::End() const {
    return Join(toDate_, toTime_);
}

void CHistoryForm::Initialise(const std::string& title) {
    CMonitorForm::Initialise(title);
    findChild<QLabel*>("static1024")->setText(Qs(title));
    const std::time_t now = Now();
    SetRange(now - 3600, now);
    wait_->hide();
}

void CHistoryForm::Query() {
    if (!CheckFilters())
        return;
    for (const QDateEdit* date : {fromDate_, toDate_}) {
        const std::string refusal = TypedDateRefusal(date);
        if (!refusal.empty()) {
            platform::MessageBox(refusal);
            return;
        }
    }
    const std::time_t start = Start();
    const std::time_t end = End();
    const std::string error = CheckTimeRange(start, end);
    if (!error.empty()) {
        platform::MessageBox(error);
        return;
    }
    // Every box comes before the device is looked up: a box runs the event loop.
    if (!PrepareQuery())
        return;
    CDeviceRecord* d = app_.model.FindDeviceByKey(Key().key);
    if (!d || !SendQuery(*d, start, end))
        return;
    list_->setRowCount(0);
    FreeRecords();
    wait_->show();
    waiting_ = 1;
}

void CHistoryForm::AddRow(const std::vector<std::string>& cells) {
    const int row = list_->rowCount();
    list_->insertRow(row);
    for (int c = 0; c < static_cast<int>(cells.size()) && c < list_->columnCount(); ++c)
        list_->setItem(row, c, new QTableWidgetItem(Qs(cells[c])));
}

// ---- events ----

CEventForm::CEventForm(CMarindleApp& app, std::uint16_t deviceKey)
    : CHistoryForm(app, kEventWindow, deviceKey) {
    setObjectName("CEventForm");
    list_->setObjectName("list1040");
    type_ = new QComboBox(this);
    type_->setObjectName("combo1047");
    // Filled after the window is first shown: the width follows the items, not the empty combo.
    type_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* exportButton = new QPushButton(Qs("导 出"), this);
    exportButton->setObjectName("button1069");
    filters_->addWidget(new QLabel(Qs("事件类型"), this));
    filters_->addWidget(type_);
    filters_->addStretch();
    filters_->addWidget(exportButton);
    connect(exportButton, &QPushButton::clicked, this, [this] { Export(); });
}

void CEventForm::Initialise(const std::string& title) {
    SetColumns({"序号", "描述", "类型", "组号", "条目号", "值", "时间"}, {60, 200, 120, 50, 50, 80, 170});
    for (const auto& name : EventTypeNames())
        type_->addItem(Qs(name));
    type_->setCurrentIndex(0);
    CHistoryForm::Initialise(title);
    Query();
}

bool CEventForm::CheckFilters() {
    return type_->currentIndex() >= 0;
}

bool CEventForm::SendQuery(CDeviceRecord& d, std::time_t start, std::time_t end) {
    const int type = type_->currentIndex();
    app_.link.SendRequest(CEventQueryMsg(d.board, d.address, CTimeToCp56Time(start), CTimeToCp56Time(end),
                                         static_cast<std::uint8_t>(type == 0 ? 255 : type)));
    return true;
}

void CEventForm::AddRecord(const std::string& description, int eventType, std::time_t time,
                           std::uint16_t entryKey, const std::string& value) {
    records_.push_back({description, eventType, time, KeyGroup(entryKey), KeyEntry(entryKey), value});
}

void CEventForm::ShowRecords(bool last) {
    const int firstNew = list_->rowCount();
    for (const EventRecord& r : records_)
        AddRow(EventRowTexts(++shown_, r));
    FitColumns(firstNew);
    if (list_->rowCount() > 0)
        list_->scrollToItem(list_->item(list_->rowCount() - 1, 0));
    records_.clear();
    if (last) {
        wait_->hide();
        waiting_ = 0;
    }
}

void CEventForm::Export() {
    if (!app_.model.FindDeviceByKey(Key().key))
        return;
    // The question runs an event loop: this window and the device are looked at again after it.
    const QPointer<CEventForm> self(this);
    if (platform::MessageBox("确定将当前历史事件导出为文本？", {}, platform::Icon::Question,
                             platform::Buttons::YesNo) != platform::Answer::Yes ||
        !self)
        return;
    const CDeviceRecord* d = app_.model.FindDeviceByKey(Key().key);
    if (!d)
        return;
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < list_->rowCount(); ++r) {
        std::vector<std::string> cells;
        for (int c = 0; c < 7; ++c)
            cells.push_back(list_->item(r, c) ? Ss(list_->item(r, c)->text()) : std::string());
        rows.push_back(std::move(cells));
    }
    const std::filesystem::path file = app_.SavFolder() / ("EVT_" + d->name + ".txt");
    // The earlier export stays as it was when this one cannot be written; the user is told.
    if (!WriteExport(file, EventExportText(rows))) {
        platform::MessageBox("导出历史事件失败，无法写入文件\"" + file.string() + "\"", {},
                             platform::Icon::Warning);
        return;
    }
    platform::MessageBox("已成功导出历史事件为文件\"" + file.string() + "\"");
}

// ---- remote commands ----

CRmtForm::CRmtForm(CMarindleApp& app, std::uint16_t deviceKey) : CHistoryForm(app, kRmtWindow, deviceKey) {
    setObjectName("CRmtForm");
    list_->setObjectName("list1046");
    source_ = new QComboBox(this);
    source_->setObjectName("combo1044");
    source_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    type_ = new QComboBox(this);
    type_->setObjectName("combo1047");
    // Filled after the window is first shown: the width follows the items, not the empty combo.
    type_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* exportButton = new QPushButton(Qs("导 出"), this);
    exportButton->setObjectName("button1069");
    filters_->addWidget(new QLabel(Qs("命令源"), this));
    filters_->addWidget(source_);
    filters_->addWidget(new QLabel(Qs("命令类型"), this));
    filters_->addWidget(type_);
    filters_->addStretch();
    filters_->addWidget(exportButton);
    connect(exportButton, &QPushButton::clicked, this, [this] { Export(); });
}

void CRmtForm::Initialise(const std::string& title) {
    SetColumns({"描述", "命令类型", "命令源", "组号", "条目号", "值", "时间", "自描述信息"},
               {150, 100, 100, 50, 50, 50, 170, 200});
    source_->addItem(Qs("所有命令源"));
    for (const auto& p : app_.model.Ports()) {
        source_->addItem(Qs(platform::StrFormat("板卡%u", p->board + 1u) + p->name));
        portKeys_.push_back(p->key);
    }
    for (const auto& name : RemoteCmdTypeNames())
        type_->addItem(Qs(name));
    source_->setCurrentIndex(0);
    type_->setCurrentIndex(0);
    CHistoryForm::Initialise(title);
    Query();
}

bool CRmtForm::CheckFilters() {
    return source_->currentIndex() >= 0 && type_->currentIndex() >= 0;
}

bool CRmtForm::SendQuery(CDeviceRecord& d, std::time_t start, std::time_t end) {
    std::uint8_t board = 255, kind = 255, number = 255;
    const int s = source_->currentIndex();
    if (s > 0) {
        const CPortRecord* p = app_.model.FindPortByKey(portKeys_[s - 1]);
        if (!p)
            return false;
        board = p->board;
        kind = static_cast<std::uint8_t>(p->kind);
        number = p->number;
    }
    const int type = type_->currentIndex();
    app_.link.SendRequest(CRemoteCmdQueryMsg(d.board, d.address, CTimeToCp56Time(start), CTimeToCp56Time(end),
                                             board, kind, number,
                                             static_cast<std::uint8_t>(type == 0 ? 255 : type)));
    return true;
}

void CRmtForm::AddRecord(const std::string& description, int commandType, const std::string& source,
                         std::time_t time, std::uint16_t entryKey, const std::string& value,
                         const std::string& selfDescription) {
    records_.push_back({description, commandType, source, time, KeyGroup(entryKey), KeyEntry(entryKey), value,
                        selfDescription});
}

void CRmtForm::ShowRecords(bool) {
    list_->setRowCount(0);
    for (const RemoteCmdRecord& r : records_)
        AddRow(RemoteCmdRowTexts(r));
    FitColumns();
    if (list_->rowCount() > 0)
        list_->scrollToItem(list_->item(list_->rowCount() - 1, 0));
    wait_->hide();
    waiting_ = 0;
}

void CRmtForm::Export() {
    if (!app_.model.FindDeviceByKey(Key().key))
        return;
    const QPointer<CRmtForm> self(this);
    if (platform::MessageBox("确定将当前远方命令导出为文本？", {}, platform::Icon::Question,
                             platform::Buttons::YesNo) != platform::Answer::Yes ||
        !self)
        return;
    const CDeviceRecord* d = app_.model.FindDeviceByKey(Key().key);
    if (!d)
        return;
    const std::filesystem::path file = app_.SavFolder() / ("RMT_" + d->name + ".txt");
    // The earlier export stays as it was when this one cannot be written; the user is told.
    if (!WriteExport(file, RemoteCmdExportText(records_))) {
        platform::MessageBox("导出远方命令失败，无法写入文件\"" + file.string() + "\"", {},
                             platform::Icon::Warning);
        return;
    }
    platform::MessageBox("已成功导出远方命令为文件\"" + file.string() + "\"");
}

// ---- waveform records ----

CWaveForm::CWaveForm(CMarindleApp& app, std::uint16_t deviceKey) : CHistoryForm(app, kWaveWindow, deviceKey) {
    setObjectName("CWaveForm");
    list_->setObjectName("list1013");
    byTime_ = new QRadioButton(Qs("按时间"), this);
    byTime_->setObjectName("radio1028");
    byNof_ = new QRadioButton(Qs("按NOF"), this);
    byNof_->setObjectName("radio1029");
    nofLabel_ = new QLabel(Qs("NOF"), this);
    nofLabel_->setObjectName("static1002");
    nof_ = new QLineEdit(this);
    nof_->setObjectName("edit1027");
    filters_->addWidget(byTime_);
    filters_->addWidget(byNof_);
    filters_->addWidget(nofLabel_);
    filters_->addWidget(nof_);
    filters_->addStretch();
    connect(byTime_, &QRadioButton::clicked, this, [this] { SetMode(0); });
    connect(byNof_, &QRadioButton::clicked, this, [this] { SetMode(1); });
}

void CWaveForm::SetMode(int mode) {
    mode_ = mode;
    byTime_->setChecked(mode == 0);
    byNof_->setChecked(mode == 1);
    for (QWidget* w :
         std::initializer_list<QWidget*>{fromDate_, fromTime_, toDate_, toTime_,
                                         findChild<QLabel*>("static1034"), findChild<QLabel*>("static1033")})
        w->setVisible(mode == 0);
    nof_->setVisible(mode == 1);
    nofLabel_->setVisible(mode == 1);
}

void CWaveForm::Initialise(const std::string& title) {
    SetColumns({"序号", "文件名", "源文件名", "故障时间", "NOF"}, {40, 70, 410, 150, 60});
    CHistoryForm::Initialise(title);
    SetMode(0);
    Query();
}

bool CWaveForm::PrepareQuery() {
    nofValue_ = 0;
    if (mode_ != 1)
        return true;
    std::string message;
    if (!ParseNof(Ss(nof_->text().trimmed()), nofValue_, message)) {
        nof_->setFocus();
        if (!nof_->text().isEmpty())
            nof_->selectAll();
        platform::MessageBox(message);
        return false;
    }
    return true;
}

bool CWaveForm::SendQuery(CDeviceRecord& d, std::time_t start, std::time_t end) {
    app_.link.SendRequest(CWaveQueryMsg(d.board, d.address, static_cast<std::uint8_t>(mode_),
                                        CTimeToCp56Time(start), CTimeToCp56Time(end), nofValue_));
    return true;
}

void CWaveForm::AddRecord(const std::string& fileName, const std::string& sourceFileName,
                          std::time_t faultTime, std::uint16_t nof) {
    records_.push_back({fileName, sourceFileName, faultTime, nof});
}

void CWaveForm::ShowRecords(bool) {
    list_->setRowCount(0);
    unsigned n = 0;
    for (const WaveRecord& r : records_)
        AddRow(WaveRowTexts(++n, r));
    FitColumns();
    if (list_->rowCount() > 0)
        list_->scrollToItem(list_->item(list_->rowCount() - 1, 0));
    wait_->hide();
    waiting_ = 0;
}

} // namespace marindle
