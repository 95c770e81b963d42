#pragma once
// "下装管理机IP": the manager's network addresses, one row per network port of its three
// processor boards, read from or written to the "<number>-PCTCP.ini" file in the working folder.
#include "configtool/model/MgrIpFile.h"

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace qxm7740 {

class CDownloadMgrIPDlg : public QDialog {
    Q_OBJECT
public:
    enum Column { ColIndex, ColBoard, ColAddress, ColMask, ColGateway, ColCount };

    explicit CDownloadMgrIPDlg(QWidget* parent = nullptr);

    CMgrIpFile::Rows GetRows() const;
    void SetRows(const CMgrIpFile::Rows& rows);

    // "读取": an open-file dialog, then ReadFile with the chosen file.
    void OnRead();
    // Fills the rows from a settings file; rows read before a format error stay.
    bool ReadFile(const std::string& path);

    // OK: needs the manager number, then writes number + "-PCTCP.ini" into the working folder.
    void accept() override;

    const std::string& GetFileName() const { return m_strFileName; }
    const std::string& GetFilePath() const { return m_strFilePath; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void SizeColumns();
    void CommitEditor();

    std::string m_strFileName;
    std::string m_strFilePath;
    QLineEdit* m_pNumber;
    QTableWidget* m_pList;
    QPushButton* m_pRead;
};

} // namespace qxm7740
