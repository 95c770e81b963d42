#include "monitor/app/StatForm.h"

#include "monitor/app/CommandIds.h"
#include "monitor/app/MarindleApp.h"
#include "monitor/app/TransferProgressDlg.h"
#include "monitor/core/DevTime.h"
#include "monitor/coreui/UnitTimeDlg.h"
#include "monitor/model/MonitorTexts.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"

#include <QDateEdit>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStringList>
#include <QTableWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <set>

using platform::Qs;
using platform::Ss;

namespace marindle {

std::string StartStatViewer(const std::filesystem::path& program, const std::filesystem::path& queryFile) {
    const QString path = QString::fromStdString(program.string());
    if (!QProcess::startDetached(path, QStringList{QString::fromStdString(queryFile.string())},
                                 QString::fromStdString(program.parent_path().string())))
        return "启动统计数据查看程序失败!\n" + program.string() + " 不存在或不能运行。";
    return {};
}

CStatForm::CStatForm(CMarindleApp& app, std::uint16_t deviceKey)
    : CMonitorForm(app, kStatWindow, {0, 1, deviceKey}) {
    setObjectName("CStatForm");
    QLabel* caption = MakeCaption();
    auto makeDate = [this](const char* name) {
        auto* d = new QDateEdit(this);
        d->setObjectName(name);
        // Any year can be typed: one the unit's time cannot carry is refused when querying.
        d->setDisplayFormat("yyyy-MM-dd");
        return d;
    };
    auto makeTime = [this](const char* name) {
        auto* t = new QTimeEdit(this);
        t->setObjectName(name);
        t->setDisplayFormat("HH:mm:ss");
        return t;
    };
    startDate_ = makeDate("date1030");
    startTime_ = makeTime("time1031");
    endDate_ = makeDate("date1025");
    endTime_ = makeTime("time1026");
    auto* query = new QPushButton(Qs("召 唤"), this);
    query->setObjectName("button1015");
    auto* show = new QPushButton(Qs("显 示"), this);
    show->setObjectName("button1016");
    wait_ = new QLabel(Qs(text::kQuerying), this);
    wait_->setObjectName("static1032");
    list_ = new QTableWidget(this);
    list_->setObjectName("list1068");
    list_->verticalHeader()->hide();
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* range = new QHBoxLayout;
    range->addWidget(new QLabel(Qs("自"), this));
    range->addWidget(startDate_);
    range->addWidget(startTime_);
    range->addWidget(new QLabel(Qs("至"), this));
    range->addWidget(endDate_);
    range->addWidget(endTime_);
    range->addStretch();
    range->addWidget(wait_);
    range->addWidget(query);
    range->addWidget(show);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addLayout(range);
    layout->addWidget(list_);
    timer8_ = new QTimer(this);
    connect(timer8_, &QTimer::timeout, this, [this] { OnTimeout(); });
    connect(query, &QPushButton::clicked, this, [this] { Query(); });
    connect(show, &QPushButton::clicked, this, [this] { ShowViewer(); });
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { BuildContextMenu()->exec(list_->viewport()->mapToGlobal(p)); });
    viewerPath = StatViewerPath(app.ProgramFolder());
}

void CStatForm::Initialise(const std::string& title) {
    CMonitorForm::Initialise(title);
    findChild<QLabel*>("static1024")->setText(Qs(title));
    const char* titles[] = {"描述", "组号", "条目号", "量纲"};
    const int widths[] = {400, 80, 80, 100};
    list_->setColumnCount(4);
    for (int c = 0; c < 4; ++c) {
        list_->setHorizontalHeaderItem(c, new QTableWidgetItem(Qs(titles[c])));
        list_->setColumnWidth(c, widths[c]);
    }
    if (const CDeviceRecord* d = app_.model.FindDeviceByKey(Key().key)) {
        for (const auto& g : d->Groups()) {
            if (g->kind != 3)
                continue;
            for (const auto& e : g->Entries()) {
                const int row = list_->rowCount();
                list_->insertRow(row);
                list_->setItem(row, 0, new QTableWidgetItem(Qs(e->description)));
                list_->setItem(row, 1, new QTableWidgetItem(Qs(platform::StrFormat("%u", e->GroupNumber()))));
                list_->setItem(row, 2, new QTableWidgetItem(Qs(platform::StrFormat("%u", e->EntryNumber()))));
                list_->setItem(row, 3, new QTableWidgetItem(Qs(e->dimension)));
                rows_.push_back({e->key, e->dimension});
            }
        }
    }
    const std::time_t now = Now();
    SetRange(now - 3600, now);
    wait_->hide();
}

void CStatForm::SetRange(std::time_t start, std::time_t end) {
    const QDateTime s = QDateTime::fromSecsSinceEpoch(start);
    const QDateTime e = QDateTime::fromSecsSinceEpoch(end);
    startDate_->setDate(s.date());
    startTime_->setTime(s.time());
    endDate_->setDate(e.date());
    endTime_->setTime(e.time());
}

std::unique_ptr<QMenu> CStatForm::BuildContextMenu() {
    auto menu = std::make_unique<QMenu>(Qs("统计"));
    QAction* q = menu->addAction(Qs("召唤"));
    q->setData(kCmdStatQuery);
    connect(q, &QAction::triggered, this, [this] { Query(); });
    QAction* s = menu->addAction(Qs("显示"));
    s->setData(kCmdStatShow);
    connect(s, &QAction::triggered, this, [this] { ShowViewer(); });
    return menu;
}

void CStatForm::Query() {
    if (Querying()) {
        platform::MessageBox("当前正有命令在执行。");
        return;
    }
    for (const QDateEdit* date : {startDate_, endDate_}) {
        const std::string refusal = TypedDateRefusal(date);
        if (!refusal.empty()) {
            platform::MessageBox(refusal);
            return;
        }
    }
    std::set<int> selected;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows())
        selected.insert(index.row());
    auto join = [](const QDateEdit* d, const QTimeEdit* t) {
        return MakeLocalTime(d->date().year(), d->date().month(), d->date().day(), t->time().hour(),
                             t->time().minute(), t->time().second());
    };
    const std::time_t start = join(startDate_, startTime_);
    const std::time_t end = join(endDate_, endTime_);
    const std::string error = CheckStatQuery(static_cast<int>(selected.size()), start, end);
    if (!error.empty()) {
        platform::MessageBox(error);
        return;
    }
    // No record is kept across the file dialog: a reconnect meanwhile empties the model.
    std::filesystem::path proposed;
    if (const CDeviceRecord* d = app_.model.FindDeviceByKey(Key().key))
        proposed = ProposedStatFile(app_.SavFolder(), d->name, Now());
    else
        return;
    // The dialog belongs to the main window; this window may be closed while it is open.
    const QPointer<CStatForm> self(this);
    CMarindleApp& app = app_;
    const std::string chosen =
        ChooseFile(window(), true, "请选择保存统计数据的文件", proposed.parent_path().string(),
                   proposed.filename().string(), {Qs("数据文件 (*.dat)"), Qs(kAllFilesFilter)});
    if (chosen.empty())
        return;
    if (!self) {
        TellNotSent(app, "统计数据召唤");
        return;
    }
    queryFile_ = chosen;
    start_ = start;
    end_ = end;
    pending_.clear();
    buffer_.clear();
    for (int row : selected) {
        StatEntry e;
        e.entryId = rows_[row].entryId;
        e.unit = rows_[row].unit;
        pending_.push_back(std::move(e));
    }
    AskNext();
}

std::string CStatForm::CommandInFlight() const {
    return Querying() ? "统计数据召唤" : "";
}

void CStatForm::AskNext() {
    for (StatEntry& e : pending_) {
        if (e.state != 0)
            continue;
        const CDeviceRecord* d = app_.model.FindDeviceByKey(Key().key);
        if (!d || !app_.link.SendRequest(CStatQueryMsg(d->board, d->address, e.entryId,
                                                       CTimeToCp56Time(start_), CTimeToCp56Time(end_)))) {
            // The query ends here: what was asked before is not written half.
            pending_.clear();
            buffer_.clear();
            timer8_->stop();
            wait_->hide();
            TellNotSent(app_, "统计数据召唤");
            return;
        }
        e.state = 1;
        timer8_->start(kWaitMs);
        wait_->show();
        return;
    }
    Finish();
}

void CStatForm::Finish() {
    // The box waits for the handling of the frame in progress.
    if (const CDeviceRecord* d = app_.model.FindDeviceByKey(Key().key);
        d && !WriteStatFile(queryFile_, StatFileText(d->name, d->address, start_, end_, pending_)))
        app_.MessageLater(std::string(text::kWriteFailed) + "\n" + queryFile_.string());
    pending_.clear();
    timer8_->stop();
    wait_->hide();
}

void CStatForm::SampleArrived(float value, std::time_t t1, std::time_t t2, std::time_t t3) {
    if (!Querying())
        return;
    buffer_.push_back({value, t1, t2, t3});
}

void CStatForm::EntryData(std::uint16_t entryId, const std::string& name, bool last) {
    if (!Querying())
        return;
    if (!last) {
        timer8_->start(kWaitMs);
        return;
    }
    for (StatEntry& e : pending_)
        if (e.state == 1 && e.entryId == entryId) {
            e.description = name;
            e.samples = std::move(buffer_);
            e.state = 2;
            break;
        }
    buffer_.clear();
    AskNext();
}

void CStatForm::OnTimeout() {
    pending_.clear();
    buffer_.clear();
    wait_->hide();
    timer8_->stop();
    app_.MessageLater("等待装置应答超时，停止召唤。");
}

void CStatForm::ShowViewer() {
    if (queryFile_.empty())
        return;
    const std::string error = StartStatViewer(viewerPath, queryFile_);
    if (!error.empty())
        platform::MessageBox(error);
}

} // namespace marindle
