#include "monitor/app/TextMonitorForm.h"
#include "monitor/model/MonitorTexts.h"

#include "monitor/app/CommandIds.h"
#include "monitor/app/FramePropDlg.h"
#include "monitor/app/MarindleApp.h"
#include "monitor/core/DevTime.h"
#include "platform/Prompt.h"
#include "platform/ui/BatchedText.h"
#include "platform/ui/DialogButtons.h"

#include "platform/ui/WidgetPrompt.h"
#include <QDialogButtonBox>

#include <QAbstractTextDocumentLayout>
#include <QCheckBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <string>
#include <vector>

using platform::Qs;
using platform::Ss;

namespace marindle {

namespace {
// The windows' colours are written 0x00BBGGRR.
std::uint32_t ToRgb(std::uint32_t c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr std::uint32_t kNavy = 0x800000;  // RGB(0, 0, 128)
constexpr std::uint32_t kGreen = 0x008000; // RGB(0, 128, 0)
} // namespace

CFindCharDlg::CFindCharDlg(int mode, QWidget* parent) : QDialog(parent) {
    setObjectName("CFindCharDlg");
    setWindowTitle(Qs(mode == 1 ? "查找特殊字符" : "标记特殊字符"));
    edit_ = new QLineEdit(this);
    edit_->setObjectName("edit1012");
    case_ = new QCheckBox(Qs("区分大小写"), this);
    case_->setObjectName("check1013");
    whole_ = new QCheckBox(Qs("完全匹配"), this);
    whole_->setObjectName("check1014");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow(Qs("字 符"), edit_);
    layout->addLayout(form);
    layout->addWidget(case_);
    layout->addWidget(whole_);
    layout->addWidget(platform::MakeOkCancelButtons(this));
}

std::string CFindCharDlg::Text() const {
    return Ss(edit_->text());
}
bool CFindCharDlg::MatchCase() const {
    return case_->isChecked();
}
bool CFindCharDlg::WholeWord() const {
    return whole_->isChecked();
}

CTextMonitorForm::CTextMonitorForm(CMarindleApp& app, int kind, const WindowKey& key)
    : CMonitorForm(app, kind, key) {
    edit_ = new QTextEdit(this);
    edit_->setObjectName("richEdit");
    edit_->setReadOnly(true);
    edit_->setLineWrapMode(QTextEdit::NoWrap);
    edit_->setUndoRedoEnabled(false);
    platform::KeepLastLines(edit_, kMaxLines);
    edit_->installEventFilter(this);
    edit_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(edit_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { BuildContextMenu()->exec(edit_->mapToGlobal(p)); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(edit_);
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, [this] { OnTick(); });
}

CTextMonitorForm::~CTextMonitorForm() {
    WriteSaveText();
}

void CTextMonitorForm::Initialise(const std::string& title) {
    CMonitorForm::Initialise(title);
    edit_->setReadOnly(true);
    timer_->start(1000);
    savePath_ = app_.SavFolder() / SaveName();
    saveFile_ = CSaveFileAppender(savePath_);
}

void CTextMonitorForm::Enqueue(MonitorItem item) {
    const std::string& body = item.isFrame ? item.frame.frameText : item.text;
    if (body.empty() || !Passes(item))
        return;
    if (IsSaving() && !savePath_.empty()) {
        saveText_ += SaveEntry(item);
        if (saveText_.size() >= kSaveChunk)
            WriteSaveText();
    }
    if (paused_)
        return;
    const std::size_t bytes =
        body.size() + item.text.size() + item.frame.headerText.size() + sizeof(MonitorItem);
    // The lines it makes: its line breaks; text without one still takes a line.
    const std::size_t lines =
        std::max<std::size_t>(1, static_cast<std::size_t>(std::count(body.begin(), body.end(), '\n')));
    queue_.Push(std::move(item), bytes, lines);
}

namespace {

// The save failures of every text window go through one box at a time: a window whose disk fills
// while another's box is up has its text shown after that box, never in a box inside it.
std::vector<std::string>& PendingSaveFailures() {
    static std::vector<std::string> pending;
    return pending;
}
bool g_saveFailureBoxUp = false;
bool g_saveFailurePosted = false;
const CMarindleApp* g_saveFailureApp = nullptr;

void TellSaveFailure(CMarindleApp& app, std::string text) {
    if (g_saveFailureApp != &app) {
        // A call posted to an application that has gone never ran: start again.
        g_saveFailureApp = &app;
        g_saveFailurePosted = false;
        PendingSaveFailures().clear();
    }
    PendingSaveFailures().push_back(std::move(text));
    if (g_saveFailureBoxUp || g_saveFailurePosted)
        return; // the box that is up, or the call already posted, shows it
    g_saveFailurePosted = true;
    app.Post([] {
        g_saveFailurePosted = false;
        g_saveFailureBoxUp = true;
        while (!PendingSaveFailures().empty()) {
            const std::string next = PendingSaveFailures().front();
            PendingSaveFailures().erase(PendingSaveFailures().begin());
            platform::MessageBox(next);
        }
        g_saveFailureBoxUp = false;
    });
}

} // namespace

void CTextMonitorForm::WriteSaveText() {
    if (!saveText_.empty() && !savePath_.empty()) {
        // A failure is said once for this window's file, after the handling in progress; the
        // gap it leaves is marked in the file.
        if (saveFile_.Append(saveText_) == CSaveFileAppender::Result::FailedFirst)
            TellSaveFailure(app_, std::string(text::kWriteFailed) + "\n" + savePath_.string());
    }
    saveText_.clear();
}

void CTextMonitorForm::OnTick() {
    WriteSaveText();
    auto batch = queue_.Take();
    if (paused_ || (batch.items.empty() && batch.omitted == 0))
        return;
    std::vector<platform::TextRun> runs;
    runs.reserve(batch.items.size());
    for (const MonitorItem& item : batch.items) {
        std::string text;
        std::uint32_t colour = 0;
        if (Display(item, text, colour))
            runs.push_back({std::move(text), ToRgb(colour)});
    }
    platform::AppendBatch(edit_, batch.omitted, runs, QTextCharFormat(), true);
}

void CTextMonitorForm::OnClear() {
    queue_.Clear();
    edit_->clear();
}

std::string CTextMonitorForm::PlainText() const {
    return Ss(edit_->toPlainText());
}

void CTextMonitorForm::OnFind() {
    // The dialog belongs to the main window; this window may be closed while it is open.
    const QPointer<CTextMonitorForm> self(this);
    CFindCharDlg dlg(1, window());
    if (platform::RunDialog(dlg) != QDialog::Accepted || !self || dlg.Text().empty())
        return;
    findFlags_ = {};
    if (dlg.MatchCase())
        findFlags_ |= QTextDocument::FindCaseSensitively;
    if (dlg.WholeWord())
        findFlags_ |= QTextDocument::FindWholeWords;
    searchText_ = dlg.Text();
    nextStart_ = 0;
    searchActive_ = true;
    FindNext();
}

void CTextMonitorForm::FindNext() {
    if (!searchActive_) {
        OnFind();
        return;
    }
    QTextDocument* doc = edit_->document();
    QTextCursor found = doc->find(Qs(searchText_), nextStart_, findFlags_);
    if (found.isNull())
        found = doc->find(Qs(searchText_), 0, findFlags_);
    if (found.isNull()) {
        QTextCursor start(doc);
        edit_->setTextCursor(start);
        searchActive_ = false;
        platform::MessageBox("查找无结果。");
        return;
    }
    nextStart_ = found.selectionStart() + 1;
    edit_->setTextCursor(found);
    // The found line becomes the first visible line.
    const int top =
        static_cast<int>(edit_->document()->documentLayout()->blockBoundingRect(found.block()).top());
    edit_->verticalScrollBar()->setValue(top);
    edit_->setFocus();
}

void CTextMonitorForm::OnMark() {
    const QPointer<CTextMonitorForm> self(this);
    CFindCharDlg dlg(0, window());
    if (platform::RunDialog(dlg) != QDialog::Accepted || !self || dlg.Text().empty())
        return;
    QTextDocument::FindFlags flags;
    if (dlg.MatchCase())
        flags |= QTextDocument::FindCaseSensitively;
    if (dlg.WholeWord())
        flags |= QTextDocument::FindWholeWords;
    QTextCharFormat red;
    red.setForeground(QColor(255, 0, 0));
    QTextDocument* doc = edit_->document();
    for (QTextCursor c = doc->find(Qs(dlg.Text()), 0, flags); !c.isNull();
         c = doc->find(Qs(dlg.Text()), c, flags))
        c.mergeCharFormat(red);
}

std::unique_ptr<QMenu> CTextMonitorForm::BuildContextMenu() {
    auto menu = std::make_unique<QMenu>(Qs("报文"));
    auto add = [&](const char* text, int id, void (CTextMonitorForm::*fn)()) {
        QAction* a = menu->addAction(Qs(text));
        a->setData(id);
        connect(a, &QAction::triggered, this, [this, fn] { (this->*fn)(); });
        return a;
    };
    QAction* cont = add("继续刷新", kCmdContinue, &CTextMonitorForm::OnContinue);
    cont->setCheckable(true);
    cont->setChecked(!paused_);
    cont->setEnabled(paused_ != 0);
    QAction* pause = add("暂停刷新", kCmdPause, &CTextMonitorForm::OnPause);
    pause->setCheckable(true);
    pause->setChecked(paused_ != 0);
    pause->setEnabled(!paused_);
    add("清除报文", kCmdClearFrames, &CTextMonitorForm::OnClear);
    QAction* save = add(IsSaving() ? "终止保存" : "开始保存", kCmdSaveFrames, &CTextMonitorForm::OnSave);
    save->setCheckable(true);
    save->setChecked(IsSaving());
    add("查找字符", kCmdFindText, &CTextMonitorForm::OnFind);
    add("标记字符", kCmdMarkText, &CTextMonitorForm::OnMark);
    QAction* props = add("报文属性", kCmdTraceProperties, &CTextMonitorForm::OnProperties);
    props->setEnabled(HasProperties());
    return menu;
}

bool CTextMonitorForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F && (key->modifiers() & Qt::ControlModifier)) {
            OnFind();
            return true;
        }
        if (key->key() == Qt::Key_F3) {
            FindNext();
            return true;
        }
    }
    return CMonitorForm::eventFilter(watched, event);
}

// ---- debug information ----

CDebugForm::CDebugForm(CMarindleApp& app) : CTextMonitorForm(app, kDebugWindow, {}) {
    setObjectName("CDebugForm");
}

void CDebugForm::AddText(std::uint32_t colour, const std::string& text) {
    MonitorItem item;
    item.colour = colour;
    item.text = text;
    Enqueue(std::move(item));
}

bool CDebugForm::Display(const MonitorItem& item, std::string& text, std::uint32_t& colour) const {
    text = item.text;
    colour = item.colour;
    return true;
}

// ---- protocol information ----

CProcForm::CProcForm(CMarindleApp& app, std::uint16_t portKey)
    : CTextMonitorForm(app, kProcWindow, {0, 0, portKey}) {
    setObjectName("CProcForm");
}

CProcForm::~CProcForm() {
    SendMonitor(1);
}

void CProcForm::SendMonitor(std::uint8_t onOff) {
    if (const CPortRecord* p = app_.model.FindPortByKey(Key().key))
        app_.link.SendRequest(
            CProtocolMonitorMsg(p->board, onOff, static_cast<std::uint8_t>(p->kind), p->number));
}

void CProcForm::Initialise(const std::string& title) {
    CTextMonitorForm::Initialise(title);
    SendMonitor(0);
}

void CProcForm::AddText(const std::string& text) {
    MonitorItem item;
    item.text = text;
    Enqueue(std::move(item));
}

bool CProcForm::Display(const MonitorItem& item, std::string& text, std::uint32_t& colour) const {
    text = item.text;
    colour = kNavy;
    return true;
}

std::string CProcForm::SaveEntry(const MonitorItem& item) const {
    return ProtocolSaveEntry(item.text, Now());
}

std::string CProcForm::SaveName() const {
    return ProtocolSaveName(app_.model, Key().key);
}

// ---- frame trace ----

CTraceForm::CTraceForm(CMarindleApp& app, int mainFlag, int deviceFlag, std::uint16_t key)
    : CTextMonitorForm(app, kTraceWindow, {mainFlag, deviceFlag, key}) {
    setObjectName("CTraceForm");
}

CTraceForm::~CTraceForm() {
    SendMonitor(false);
}

void CTraceForm::SendMonitor(bool on) {
    if (Key().mainFlag)
        return;
    const CPortRecord* port = nullptr;
    std::uint16_t device = 0xFFFF;
    if (Key().deviceFlag) {
        const CDeviceRecord* d = app_.model.FindDeviceByKey(Key().key);
        if (!d)
            return;
        port = app_.model.FindPortByKey(d->portKey);
        device = d->address;
    } else {
        port = app_.model.FindPortByKey(Key().key);
    }
    if (port)
        app_.link.SendRequest(
            CFrameMonitorMsg(port->board, on, port->kind == CPortRecord::kNetwork, port->number, device));
}

void CTraceForm::Initialise(const std::string& title) {
    CTextMonitorForm::Initialise(title);
    SendMonitor(true);
}

void CTraceForm::AddFrame(const TraceItem& frame) {
    MonitorItem item;
    item.isFrame = true;
    item.frame = frame;
    Enqueue(std::move(item));
}

bool CTraceForm::Passes(const MonitorItem& item) const {
    return FramePasses(settings_, item.frame);
}

bool CTraceForm::Display(const MonitorItem& item, std::string& text, std::uint32_t& colour) const {
    if (item.frame.direction != 0 && item.frame.direction != 1)
        return false;
    colour = item.frame.direction == 1 ? kNavy : kGreen;
    text = TraceDisplayText(settings_, item.frame);
    return true;
}

std::string CTraceForm::SaveEntry(const MonitorItem& item) const {
    return TraceSaveEntry(settings_, item.frame);
}

std::string CTraceForm::SaveName() const {
    return TraceSaveName(app_.model, Key().mainFlag, Key().deviceFlag, Key().key);
}

void CTraceForm::OnProperties() {
    if (Key().mainFlag)
        return;
    const CPortRecord* port = nullptr;
    if (Key().deviceFlag) {
        if (const CDeviceRecord* d = app_.model.FindDeviceByKey(Key().key))
            port = app_.model.FindPortByKey(d->portKey);
    } else {
        port = app_.model.FindPortByKey(Key().key);
    }
    if (!port)
        return;
    const QPointer<CTextMonitorForm> self(this);
    CFramePropDlg dlg(false, port->kind == CPortRecord::kNetwork, settings_, window());
    if (platform::RunDialog(dlg) == QDialog::Accepted && self)
        settings_ = dlg.Settings();
}

} // namespace marindle
