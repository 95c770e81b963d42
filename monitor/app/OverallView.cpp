#include "monitor/app/OverallView.h"

#include "monitor/app/CommandIds.h"
#include "monitor/app/FramePropDlg.h"
#include "monitor/app/MarindleApp.h"
#include "monitor/model/MonitorTexts.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/FitText.h"
#include "platform/ui/WidgetPrompt.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

using platform::Qs;

namespace marindle {

namespace {
enum Role { kKindRole = Qt::UserRole + 1, kKeyRole, kFlagRole, kImageRole };

// Small drawn images stand for the eight node bitmaps: a colour per image.
QIcon NodeIcon(int image) {
    static const QColor colours[] = {QColor(0, 0, 128),  QColor(128, 128, 128), QColor(160, 80, 0),
                                     QColor(0, 160, 0),  QColor(128, 0, 0),     QColor(0, 176, 80),
                                     QColor(0, 96, 192), QColor(128, 0, 128)};
    QPixmap pixmap(18, 18);
    pixmap.fill(QColor(224, 224, 224));
    QPainter painter(&pixmap);
    painter.setBrush(colours[image & 7]);
    painter.setPen(Qt::black);
    if (image == 1 || image == 6)
        painter.drawRect(3, 3, 11, 11);
    else
        painter.drawEllipse(2, 2, 13, 13);
    return QIcon(pixmap);
}
} // namespace

COverallView::COverallView(CMarindleApp& app, int mode, QWidget* parent)
    : QTreeWidget(parent), app_(app), mode_(mode) {
    setObjectName(mode == 1 ? "treeDown" : "treeUp");
    setHeaderHidden(true);
    platform::KeepWholeLabelsVisible(this);
    // The column is as wide as its widest label; the hidden header's own title would be measured
    // too, in a bold font that nothing on screen shows. Its size hint stands in for that.
    headerItem()->setSizeHint(0, QSize(0, 0));
    setRootIsDecorated(true);
    setIconSize(QSize(18, 18));
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { OpenNode(item); });
}

int COverallView::KindOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kKindRole).toInt() : -1;
}
std::uint16_t COverallView::KeyOf(const QTreeWidgetItem* item) {
    return item ? static_cast<std::uint16_t>(item->data(0, kKeyRole).toUInt()) : 0;
}
int COverallView::DeviceFlagOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kFlagRole).toInt() : 0;
}
int COverallView::ImageOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kImageRole).toInt() : -1;
}

void COverallView::SetImage(QTreeWidgetItem* item, int image) {
    item->setData(0, kImageRole, image);
    auto icon = icons_.find(image);
    if (icon == icons_.end())
        icon = icons_.emplace(image, NodeIcon(image)).first;
    item->setIcon(0, icon->second);
}

QTreeWidgetItem* COverallView::AddNode(QTreeWidgetItem* parent, int kind, const std::string& text, int image,
                                       std::uint16_t key, int deviceFlag) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, Qs(text));
    item->setData(0, kKindRole, kind);
    item->setData(0, kKeyRole, key);
    item->setData(0, kFlagRole, deviceFlag);
    SetImage(item, image);
    index_.emplace(IndexKey(kind, deviceFlag, key), item);
    return item;
}

void COverallView::BuildTree() {
    index_.clear();
    clear();
    QTreeWidgetItem* unit = AddNode(nullptr, kNodeUnit, "通讯装置", 0, 0, 0);
    AddNode(unit, kNodeCommState, "装置总表", 1, 0, 0);
    AddNode(unit, kNodeCatalogue, "文件目录", 1, 0, 0);
    AddNode(unit, kNodeDebug, "调试信息", 1, 0, 0);
    AddNode(unit, kNodeCommand, "字符串命令", 1, 0, 0);
    for (const auto& p : app_.model.Ports()) {
        if (p->contentKind != mode_)
            continue;
        QTreeWidgetItem* port =
            AddNode(unit, kNodePort, platform::StrFormat("板卡%u_", p->board + 1u) + p->name, 2, p->key, 0);
        AddNode(port, kNodeTrace, "通讯报文", 1, p->key, 0);
        AddNode(port, kNodeProtocol, "规约信息", 1, p->key, 0);
        if (mode_ == 1) {
            for (const auto& d : p->Devices()) {
                QTreeWidgetItem* dev = AddNode(port, kNodeDevice, d->name, 4, d->key, 1);
                AddNode(dev, kNodeTelecontrol, "六遥", 6, d->key, 1);
                AddNode(dev, kNodeSettings, "保护", 6, d->key, 1);
                AddNode(dev, kNodeEvents, "历史事件", 1, d->key, 1);
                AddNode(dev, kNodeRemote, "远方命令", 1, d->key, 1);
                AddNode(dev, kNodeTrace, "装置报文", 1, d->key, 1);
                AddNode(dev, kNodeWave, "波形记录", 1, d->key, 1);
                AddNode(dev, kNodeStat, "统计数据", 1, d->key, 1);
            }
        } else {
            for (const auto& t : p->Tables())
                AddNode(port, kNodeTable, t->name, 7, t->key, 0);
        }
    }
    setCurrentItem(unit);
    unit->setExpanded(true);
}

void COverallView::RefreshNodeTexts() {
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        QTreeWidgetItem* item = *it;
        if (KindOf(item) == kNodeDevice) {
            if (const CDeviceRecord* d = app_.model.FindDeviceByKey(KeyOf(item)))
                item->setText(0, Qs(platform::StrFormat("(%u)", d->address) + d->name));
        } else if (KindOf(item) == kNodeTable) {
            if (const CTableRecord* t = app_.model.FindTableByKey(KeyOf(item)))
                item->setText(0, Qs(t->name));
        }
    }
}

QTreeWidgetItem* COverallView::FindNode(int kind, int deviceFlag, std::uint16_t key) const {
    auto it = index_.find(IndexKey(kind, deviceFlag, key));
    return it == index_.end() ? nullptr : it->second;
}

void COverallView::SetNodeState(bool isDevice, std::uint16_t key, bool ok) {
    QTreeWidgetItem* item = isDevice ? FindNode(kNodeDevice, 1, key) : FindNode(kNodePort, 0, key);
    if (item)
        SetImage(item, isDevice ? (ok ? 5 : 4) : (ok ? 3 : 2));
}

bool COverallView::SelectNode(int kind, int deviceFlag, std::uint16_t key) {
    QTreeWidgetItem* item = FindNode(kind, deviceFlag, key);
    if (!item)
        return false;
    scrollToItem(item);
    setCurrentItem(item);
    item->setExpanded(true);
    return true;
}

void COverallView::OpenNode(QTreeWidgetItem* item) {
    if (!item)
        return;
    setCurrentItem(item);
    CWindowManager& w = app_.windows;
    const std::uint16_t key = KeyOf(item);
    switch (KindOf(item)) {
    case kNodeCommState:
        w.OpenCommState();
        break;
    case kNodeCatalogue:
        w.OpenCatalogue();
        break;
    case kNodeLog:
        w.OpenLog(0, 0);
        break;
    case kNodeDebug:
        w.OpenDebug();
        break;
    case kNodeCommand:
        w.OpenCommand();
        break;
    case kNodeTrace:
        w.OpenTrace(0, DeviceFlagOf(item), key);
        break;
    case kNodeProtocol:
        w.OpenProtocol(key);
        break;
    case kNodeTelecontrol:
        w.OpenTelecontrol(key);
        break;
    case kNodeSettings:
        w.OpenSettings(key);
        break;
    case kNodeEvents:
        w.OpenEvents(key);
        break;
    case kNodeRemote:
        w.OpenRemoteCmds(key);
        break;
    case kNodeWave:
        w.OpenWave(key);
        break;
    case kNodeStat:
        w.OpenStat(key);
        break;
    case kNodeTable:
        w.OpenRefTable(key);
        break;
    default:
        break; // unit, port and device nodes only expand or collapse
    }
}

std::unique_ptr<QMenu> COverallView::BuildContextMenu(QTreeWidgetItem* item) {
    const int kind = KindOf(item);
    const int flag = DeviceFlagOf(item);
    const std::uint16_t key = KeyOf(item);
    // The node is found again when a command runs: the tree may be rebuilt while the menu is up.
    auto add = [this, kind, flag, key](QMenu& menu, const char* text, int id,
                                       void (COverallView::*fn)(QTreeWidgetItem*)) {
        QAction* a = menu.addAction(Qs(text));
        a->setData(id);
        connect(a, &QAction::triggered, this, [this, kind, flag, key, fn] {
            if (QTreeWidgetItem* node = FindNode(kind, flag, key))
                (this->*fn)(node);
        });
    };
    if (kind == kNodeTrace) {
        auto menu = std::make_unique<QMenu>(Qs("属性"));
        add(*menu, "属性", kCmdNodeFrameProperties, &COverallView::OnFrameProperties);
        return menu;
    }
    if (kind == kNodeDevice) {
        auto menu = std::make_unique<QMenu>(Qs("装置"));
        add(*menu, "刷新", kCmdRefreshDevice, &COverallView::OnRefreshDevice);
        add(*menu, "导出", kCmdExportDevice, &COverallView::OnExportDevice);
        add(*menu, "复归", kCmdResetDevice, &COverallView::OnResetDevice);
        return menu;
    }
    return nullptr;
}

void COverallView::contextMenuEvent(QContextMenuEvent* event) {
    QTreeWidgetItem* item = itemAt(viewport()->mapFromGlobal(event->globalPos()));
    if (!item)
        return;
    setCurrentItem(item);
    if (auto menu = BuildContextMenu(item))
        menu->exec(event->globalPos());
}

void COverallView::OnFrameProperties(QTreeWidgetItem* item) {
    const int deviceFlag = DeviceFlagOf(item);
    const std::uint16_t key = KeyOf(item);
    const CPortRecord* port = nullptr;
    if (deviceFlag) {
        if (const CDeviceRecord* d = app_.model.FindDeviceByKey(key))
            port = app_.model.FindPortByKey(d->portKey);
    } else {
        port = app_.model.FindPortByKey(key);
    }
    if (!port)
        return;
    // No record is kept across the dialog: a reconnect meanwhile empties the model.
    const bool network = port->kind == CPortRecord::kNetwork;
    port = nullptr;
    FrameSettings s = app_.cfg.FrameFilters();
    CFramePropDlg dlg(true, network, s, this);
    if (platform::RunDialog(dlg) != QDialog::Accepted)
        return;
    s = dlg.Settings();
    app_.windows.OpenTrace(0, deviceFlag, key, &s);
    // The trace runs with the settings given; a file that kept the old ones is told.
    if (!app_.cfg.SetFrameFilters(s))
        platform::MessageBox("保存报文过滤参数失败，文件：" + app_.cfg.File().string(), {},
                             platform::Icon::Warning);
}

// The device is looked up again after each question: frames are handled while the box is open,
// and a reconnect or refused port information can rebuild the model and the tree meanwhile.
void COverallView::OnRefreshDevice(QTreeWidgetItem* item) {
    const std::uint16_t key = KeyOf(item);
    if (!app_.model.FindDeviceByKey(key))
        return;
    if (platform::MessageBox("确定重新初始化当前装置？", {}, platform::Icon::Question,
                             platform::Buttons::YesNo) != platform::Answer::Yes)
        return;
    if (CDeviceRecord* d = app_.model.FindDeviceByKey(key))
        app_.dispatcher.ReinitialiseDevice(*d);
}

void COverallView::OnExportDevice(QTreeWidgetItem* item) {
    const std::uint16_t key = KeyOf(item);
    if (!app_.model.FindDeviceByKey(key))
        return;
    if (platform::MessageBox("确定将当前数据导出为文本？", {}, platform::Icon::Question,
                             platform::Buttons::YesNo) != platform::Answer::Yes)
        return;
    if (const CDeviceRecord* d = app_.model.FindDeviceByKey(key); d && !d->ExportText(app_.SavFolder()))
        platform::MessageBox(text::kWriteFailed);
}

void COverallView::OnResetDevice(QTreeWidgetItem* item) {
    const std::uint16_t key = KeyOf(item);
    if (!app_.model.FindDeviceByKey(key))
        return;
    if (platform::MessageBox("确定复归当前装置？", {}, platform::Icon::Question, platform::Buttons::YesNo) !=
        platform::Answer::Yes)
        return;
    if (CDeviceRecord* d = app_.model.FindDeviceByKey(key))
        app_.dispatcher.SignalReset(*d);
}

} // namespace marindle
