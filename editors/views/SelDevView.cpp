#include "editors/views/SelDevView.h"

#include "editors/model/SelDevModel.h"
#include "editors/views/ConfigFrame.h"
#include "editors/views/DevinfolistView.h"
#include "editors/views/EquipRefDevListView.h"
#include "editors/views/GridListCtrl.h"
#include "platform/Text.h"
#include "projectmodel/ProjectModel.h"

#include <QLabel>
#include <QMenu>
#include <QScrollBar>

namespace editors {

CSelDevView::CSelDevView(const CViewContext& context) : CDeviceFormBase(context, kViewSelDev, {}) {
    connect(List(), &QTableWidget::cellDoubleClicked, this, [this](int, int) { OnAddDevices(); });
}

void CSelDevView::OnInitialUpdate() {
    QWidget* left = Context().frame ? Context().frame->LeftView() : nullptr;
    m_bModelMode = dynamic_cast<CDevinfolistView*>(left) != nullptr;
    Caption()->setText(m_bModelMode ? "装置型号列表: " : "装置总表: ");
    if (m_bModelMode)
        SetColumns({"序号", "名称", "型号", "版本", "装置描述"});
    else
        SetColumns({"序号", "地址", "名称", "型号", "版本", "装置描述"});
    FillList();
    // The columns are sized to their contents now: the frame gives the pane the room they need.
    if (Context().frame)
        Context().frame->FitPanes();
}

QSize CSelDevView::sizeHint() const {
    const CGridListCtrl* list = List();
    int columns = 0;
    for (int c = 0; c < list->columnCount(); ++c)
        columns += list->columnWidth(c);
    // The list's margins in the pane (10 on each side), its frame and its vertical scroll bar.
    const int width = columns + 20 + 2 * list->frameWidth() + list->verticalScrollBar()->sizeHint().width();
    return {width, QWidget::sizeHint().height()};
}

void CSelDevView::FillList() {
    const projectmodel::CProjectModel* doc = Doc();
    if (!doc)
        ShowRows({});
    else
        ShowRows(m_bModelMode ? CSelDevModel::ModelRows(*doc) : CSelDevModel::DeviceRows(*doc));
}

QMenu* CSelDevView::BuildContextMenu() {
    auto* menu = new QMenu(this);
    QAction* add = menu->addAction("<<添加装置", this, &CSelDevView::OnAddDevices);
    add->setEnabled(List()->GetSelectedRow() >= 0);
    return menu;
}

void CSelDevView::OnAddDevices() {
    projectmodel::CProjectModel* doc = Doc();
    QWidget* left = Context().frame ? Context().frame->LeftView() : nullptr;
    const std::vector<int> rows = List()->GetSelectedRows();
    if (!doc || !left || rows.empty())
        return;
    for (int row : rows) {
        const std::string key = List()->GetItemText(row, 1);
        if (m_bModelMode) {
            const projectmodel::CDeviceTemplate* model = doc->m_deviceModels.FindByName(key);
            if (auto* list = dynamic_cast<CDevinfolistView*>(left); list && model)
                list->AddDevice(*model);
            continue;
        }
        const projectmodel::CDevice* device = doc->FindDevice(platform::AtoI(key));
        if (auto* refs = dynamic_cast<CEquipRefDevListView*>(left))
            refs->AddLinkedDevice(device);
        else if (auto* receiver = dynamic_cast<ISelDevReceiver*>(left); receiver && device)
            receiver->AddSelDevice(device->m_nAddress);
    }
}

} // namespace editors
