#include "editors/views/PointSelectDlg.h"

#include "editors/views/GridListCtrl.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/NameTables.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/ProjectModel.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QTabBar>
#include <QVBoxLayout>

using platform::Qs;
using projectmodel::CProjectContext;

namespace editors {

CPointSelectDlg::CPointSelectDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("测点选择");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("测点信息:", this));
    m_pDevices = new QComboBox(this);
    m_pDevices->setObjectName("devices");
    layout->addWidget(m_pDevices);
    m_pTabs = new QTabBar(this);
    m_pTabs->setObjectName("categories");
    // Tabs as wide as their titles, not stretched across the bar.
    m_pTabs->setExpanding(false);
    for (std::string_view name : projectmodel::PointCategoryNames)
        m_pTabs->addTab(Qs(std::string(name)));
    layout->addWidget(m_pTabs);
    m_pList = new CGridListCtrl(this);
    m_pList->setObjectName("list");
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(m_pList);
    layout->addWidget(platform::MakeOkCancelButtons(this));
    for (std::string_view title : projectmodel::PointListColumns)
        m_pList->InsertColumn(m_pList->GetColumnCount(), std::string(title));
    connect(m_pTabs, &QTabBar::currentChanged, this, [this](int tab) {
        if (m_bFilling || !m_model.m_bTabEnabled || tab == m_model.m_nCategory)
            return;
        m_model.m_nCategory = tab;
        Fill();
    });
    connect(m_pDevices, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
        projectmodel::CProjectModel* doc = CProjectContext::Instance().CurrentDocument();
        if (!doc)
            return;
        m_model.ChooseDevice(*doc, index);
        Fill();
    });
    resize(640, 420);
}

bool CPointSelectDlg::OnInitDialog() {
    if (!CProjectContext::Instance().CurrentDocument())
        return false;
    m_model.Init();
    m_bFilling = true;
    m_pTabs->setCurrentIndex(m_model.m_nCategory);
    m_pTabs->setEnabled(m_model.m_bTabEnabled);
    m_bFilling = false;
    Fill();
    return true;
}

int CPointSelectDlg::DoModal() {
    return OnInitDialog() ? platform::RunDialog(*this) : QDialog::Rejected;
}

void CPointSelectDlg::Fill() {
    projectmodel::CProjectModel* doc = CProjectContext::Instance().CurrentDocument();
    if (!doc || m_model.m_nCategory < 0 || m_model.m_nCategory > 6)
        return;
    int device = 0;
    m_pDevices->clear();
    for (const std::string& text : m_model.DeviceChoices(*doc, &device))
        m_pDevices->addItem(Qs(text));
    m_pDevices->setCurrentIndex(device);
    int selected = 0;
    m_pList->FillRows(m_model.Rows(*doc, m_pKey, &selected));
    m_pList->SelectRow(selected);
}

void CPointSelectDlg::accept() {
    if (m_pKey) {
        const int row = m_pList->GetSelectedRow();
        if (row > 0) {
            CGridRow r;
            for (int c = 0; c < m_pList->GetColumnCount(); ++c)
                r.cells.push_back(m_pList->GetItemText(row, c));
            CPointSelectModel::KeyOfRow(r, *m_pKey);
        } else {
            m_pKey = nullptr;
        }
    }
    QDialog::accept();
}

} // namespace editors
