#pragma once
// "URI配置表": picks the URI of one IED of the project's SCD file (the empty first row: none).
#include <QDialog>
#include <string>

namespace editors {

class CGridListCtrl;

class CUriTableDlg : public QDialog {
    Q_OBJECT
public:
    explicit CUriTableDlg(QWidget* parent = nullptr);
    std::string m_strUri;

    int DoModal();
    // False without a current project.
    bool OnInitDialog();
    void accept() override;
    CGridListCtrl* List() const { return m_pList; }

private:
    void Choose(int row);
    CGridListCtrl* m_pList;
};

} // namespace editors
