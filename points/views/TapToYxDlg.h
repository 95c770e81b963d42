#pragma once
// The whole-model tap-position editors (CConfigYBToYXDlg, CConfigYBToYXEJZDlg, CConfigYBToYXBCDDlg):
// they derive telesignals from tap positions on the caller's copy of the composite device's model.
#include "points/TapToYxEdit.h"

#include <memory>
#include <QDialog>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace editors {
class CGridListCtrl;
} // namespace editors

namespace points {

class CTapToYxDlg : public QDialog {
    Q_OBJECT
public:
    CTapToYxDlg(CTapToYxEdit::Kind kind, QWidget* parent);

    // The model copy the editor changes (owned by the caller) and the device address shown.
    void SetModel(projectmodel::CDeviceTemplate* copy);
    int DoModal();
    void OnInitDialog();
    void FillResults();
    // "转遥信>>" (187, value from the combo) or a bit button (value = bit).
    void OnAdd(int value);
    void OnRemove();
    void OnClickResult(int row);

    editors::CGridListCtrl* SourceList() const { return m_pSource; }
    editors::CGridListCtrl* ResultList() const { return m_pResults; }
    const std::vector<QPushButton*>& BitButtons() const { return m_bitButtons; }

private:
    CTapToYxEdit::Kind m_kind;
    projectmodel::CDeviceTemplate* m_pCopy = nullptr;
    std::unique_ptr<CTapToYxEdit> m_model;
    editors::CGridListCtrl* m_pSource;
    editors::CGridListCtrl* m_pResults;
    QComboBox* m_pValues = nullptr;
    QLineEdit* m_pTap;
    std::vector<QPushButton*> m_bitButtons;
};

class CConfigYBToYXDlg : public CTapToYxDlg {
    Q_OBJECT
public:
    explicit CConfigYBToYXDlg(QWidget* parent = nullptr) : CTapToYxDlg(CTapToYxEdit::Single, parent) {}
};

class CConfigYBToYXEJZDlg : public CTapToYxDlg {
    Q_OBJECT
public:
    explicit CConfigYBToYXEJZDlg(QWidget* parent = nullptr) : CTapToYxDlg(CTapToYxEdit::Binary, parent) {}
};

class CConfigYBToYXBCDDlg : public CTapToYxDlg {
    Q_OBJECT
public:
    explicit CConfigYBToYXBCDDlg(QWidget* parent = nullptr) : CTapToYxDlg(CTapToYxEdit::Bcd, parent) {}
};

} // namespace points
