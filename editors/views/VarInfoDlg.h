#pragma once
// "可变信息组态": edits a copy of variable-information records (of a device model copy, a port or
// another record), one tab per record; the caller writes the records back after OK.
#include "editors/model/VarInfoModel.h"

#include <QDialog>

class QMenu;
class QTabBar;

namespace editors {

class CGridListCtrl;
class CInPlaceEditor;

class CVarInfoDlg : public QDialog {
    Q_OBJECT
public:
    explicit CVarInfoDlg(QWidget* parent = nullptr);
    CVarInfoModel m_model;

    // The records to edit (a copy) and, after OK, the edited ones.
    void SetRecords(const projectmodel::CItemRecordArray& records);
    const projectmodel::CItemRecordArray& Records() const { return m_model.m_records; }

    int DoModal();
    // False without a current project.
    bool OnInitDialog();
    void Fill();
    // A click on a cell opens its editor (or the point selection dialog).
    void OnClickCell(int row, int column);
    // "添加信息" and "删除信息" for tables; null for a property list or before the dialog is ready.
    QMenu* BuildContextMenu();
    void OnAddInfo();
    void OnDeleteInfo();

    CGridListCtrl* List() const { return m_pList; }
    QTabBar* Tabs() const { return m_pTabs; }
    CInPlaceEditor* Editor() const { return m_pEditor; }
    int CurrentTab() const { return m_nTab; }

protected:
    // Return confirms a cell, not the dialog: it never presses 确定.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Commit(int row, int column, const std::string& oldText, const std::string& newText);

    QTabBar* m_pTabs;
    CGridListCtrl* m_pList;
    CInPlaceEditor* m_pEditor;
    int m_nTab = -1;
    int m_nOption = -1;
    bool m_bFilling = false;
};

// Edits the records groups() finds (null: nothing to edit) and, after OK, writes the edited ones
// to the records groups() finds then, as the owner may have gone while the dialog ran. True when
// they were written.
template <class Groups> bool EditVarInfo(Groups groups, QWidget* parent = nullptr) {
    if (!groups())
        return false;
    CVarInfoDlg dlg(parent);
    dlg.SetRecords(*groups());
    if (dlg.DoModal() != QDialog::Accepted)
        return false;
    auto* records = groups();
    if (!records)
        return false;
    *records = dlg.Records();
    return true;
}

} // namespace editors
