#include "editors/views/DevinfolistView.h"

#include "editors/model/DevinfolistModel.h"
#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "editors/views/MovePosDlg.h"
#include "editors/views/SelBoardDlg.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/ProjectModel.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>

using namespace projectmodel;

namespace editors {

namespace {
enum Column { kNo, kAddress, kMapped, kModel, kType, kVersion, kDescription };
}

CDevinfolistView::CDevinfolistView(const CViewContext& context)
    : CDeviceFormBase(context, kViewDevinfolist, {}) {}

void CDevinfolistView::OnInitialUpdate() {
    Editor()->SetReady(false);
    if (!Doc())
        return;
    m_clipboard.RemoveAll();
    Caption()->setText("装置总表: ");
    SetColumns({"序号", "地址", "映射地址", "型号", "类型", "版本", "装置描述"});
    FillDeviceList();
    Editor()->SetReady(true);
}

void CDevinfolistView::FillDeviceList() {
    if (const CProjectModel* doc = Doc())
        ShowRows(CDevinfolistModel::Rows(*doc));
    else
        ShowRows({});
}

std::vector<int> CDevinfolistView::SelectedAddresses() const {
    std::vector<int> addresses;
    for (int row : List()->GetSelectedRows())
        addresses.push_back(platform::AtoI(List()->GetItemText(row, kAddress)));
    return addresses;
}

void CDevinfolistView::OnClickCell(int row, int column) {
    const CProjectModel* doc = Doc();
    if (!doc)
        return;
    if (column == kAddress || column == kMapped || column == kDescription) {
        Editor()->OpenEdit(row, column);
    } else if (column == kModel) {
        std::vector<std::string> names;
        for (const CDeviceTemplate& m : doc->m_deviceModels)
            names.push_back(m.m_strName);
        Editor()->OpenCombo(row, column, names);
    }
}

void CDevinfolistView::OnCommit(int row, int column, const std::string& oldText, const std::string& newText) {
    CProjectModel* doc = Doc();
    if (!doc || newText.empty() || newText == oldText || row < 0)
        return;
    const int address = platform::AtoI(List()->GetItemText(row, kAddress));
    bool changed = false;
    switch (column) {
    case kAddress:
        changed = CDevinfolistModel::SetAddress(*doc, row, address, newText);
        break;
    case kMapped:
        changed = CDevinfolistModel::SetMappedAddress(*doc, row, address, newText);
        break;
    case kDescription:
        changed = CDevinfolistModel::SetDescription(*doc, address, newText);
        break;
    case kModel:
        changed = CDevinfolistModel::SetModel(*doc, address, newText);
        break;
    default:
        break;
    }
    if (changed)
        FillDeviceList();
}

void CDevinfolistView::AddDevice(const CDeviceTemplate& model) {
    CProjectModel* doc = Doc();
    if (!doc)
        return;
    const CDeviceTemplate copy = model;
    CDevinfolistModel::AddDevice(*doc, copy,
                                 [doc](CDevice& device, const std::vector<CPortChoice>&, int proposal) {
                                     CSelBoardDlg dlg;
                                     dlg.m_pDevice = &device;
                                     dlg.m_pBoardCfg = &doc->m_boardCfg;
                                     // The dialog offers the same ports in the same order; the proposal is
                                     // preselected.
                                     if (!dlg.OnInitDialog())
                                         return -1;
                                     if (proposal >= 0 && proposal < dlg.Combo()->count())
                                         dlg.Combo()->setCurrentIndex(proposal);
                                     if (platform::RunDialog(dlg) != QDialog::Accepted || !dlg.m_pPort)
                                         return -1;
                                     return dlg.Combo()->currentIndex();
                                 });
    FillDeviceList();
}

QMenu* CDevinfolistView::BuildContextMenu() {
    if (!Editor()->IsReady() || !Doc())
        return nullptr;
    const bool selected = List()->GetSelectedRow() >= 0;
    auto* menu = new QMenu("装置复制", this);
    QAction* copy = menu->addAction("复制(Ctrl+C)", this, &CDevinfolistView::OnCopy);
    QAction* paste = menu->addAction("粘贴(Ctrl+V)", this, &CDevinfolistView::OnPaste);
    QAction* del = menu->addAction("删除(&Delete)", this, &CDevinfolistView::OnDelete);
    QAction* move = menu->addAction("移动装置", this, &CDevinfolistView::OnMoveDevices);
    copy->setEnabled(selected);
    del->setEnabled(selected);
    paste->setEnabled(ClipboardCount() > 0);
    move->setEnabled(selected && !CProjectContext::Instance().IsDeviceTableSorted());
    return menu;
}

void CDevinfolistView::OnDelete() {
    CProjectModel* doc = Doc();
    if (!doc)
        return;
    const std::vector<int> addresses = SelectedAddresses();
    // The questions run event loops: this view and the document are looked up again after each.
    const QPointer<CDevinfolistView> self(this);
    if (!CDevinfolistModel::ConfirmDeviceRemoval(*doc, addresses) || !self)
        return;
    doc = Doc();
    if (!doc)
        return;
    CDevinfolistModel::DeleteDevices(*doc, addresses, CDevinfolistModel::Confirm::Asked);
    if (self)
        FillDeviceList();
}

void CDevinfolistView::OnCopy() {
    if (const CProjectModel* doc = Doc())
        m_clipboard = CDevinfolistModel::CopyDevices(*doc, SelectedAddresses());
}

void CDevinfolistView::OnPaste() {
    CProjectModel* doc = Doc();
    if (!doc || ClipboardCount() == 0)
        return;
    CDevinfolistModel::PasteDevices(*doc, m_clipboard);
    FillDeviceList();
}

void CDevinfolistView::OnMoveDevices() {
    CProjectModel* doc = Doc();
    if (!doc || CProjectContext::Instance().IsDeviceTableSorted())
        return;
    CMovePosDlg dlg;
    if (dlg.DoModal() != QDialog::Accepted)
        return;
    CDevinfolistModel::MoveDevices(*doc, List()->GetSelectedRows(), static_cast<int>(dlg.m_nPosition));
    FillDeviceList();
}

void CDevinfolistView::OnColumnClick(int column) {
    CProjectModel* doc = Doc();
    if (!doc || column != kAddress)
        return;
    CDevinfolistModel::SortByAddress(*doc);
    if (IProjectViews* views = doc->Views())
        views->RefreshDeviceNodes();
    FillDeviceList();
}

bool CDevinfolistView::OnListKey(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && !Editor()->Edit()->isVisible()) {
        OnDelete();
        return true;
    }
    if (event->matches(QKeySequence::Copy)) {
        OnCopy();
        return true;
    }
    if (event->matches(QKeySequence::Paste)) {
        OnPaste();
        return true;
    }
    return false;
}

} // namespace editors
