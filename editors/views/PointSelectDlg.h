#pragma once
// "测点选择": picks one information point of the project by category and device; the row "空点"
// chooses no point.
#include "editors/model/PointSelectModel.h"

#include <QDialog>

class QComboBox;
class QTabBar;

namespace editors {

class CGridListCtrl;

class CPointSelectDlg : public QDialog {
    Q_OBJECT
public:
    explicit CPointSelectDlg(QWidget* parent = nullptr);
    CPointSelectModel m_model;
    // In: the current point (may be null); out after OK: the chosen point, or null for no point.
    projectmodel::CPointRef* m_pKey = nullptr;

    int DoModal();
    bool OnInitDialog();
    void accept() override;
    void Fill();

    CGridListCtrl* List() const { return m_pList; }
    QTabBar* Tabs() const { return m_pTabs; }
    QComboBox* Devices() const { return m_pDevices; }

private:
    CGridListCtrl* m_pList;
    QTabBar* m_pTabs;
    QComboBox* m_pDevices;
    bool m_bFilling = false;
};

} // namespace editors
