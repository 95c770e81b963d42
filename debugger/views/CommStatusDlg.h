#pragma once
// "通讯状态": the unit's boards with their ports and devices and the state columns the unit's
// answers keep current; a double click folds or unfolds a board or port. The rows and states are
// kept in a CCommStatusModel; the list shows them.
#include "debugger/model/CommStatus.h"

#include <QDialog>

#include <string>

class QTableWidget;

namespace quorvex {

class CQuorvexApp;

class CCommStatusDlg : public QDialog {
    Q_OBJECT
public:
    CCommStatusDlg(CQuorvexApp& app, QWidget* parent = nullptr);
    void Fill();
    void UpdateDevice(std::uint16_t address, std::uint8_t state);
    void UpdatePort(std::uint8_t board, std::uint8_t kind, std::uint8_t port, std::uint8_t state);
    // The double click of the list: folds an unfolded board or port (" ↓" appended) or unfolds it.
    void ToggleRow(int row);
    QTableWidget* List() const { return list_; }
    std::string Text(int row, int col) const;

protected:
    void done(int result) override;

private:
    void SetText(int row, int col, const std::string& text);
    // Writes the model's rows into the list.
    void Show();

    CQuorvexApp& app_;
    CCommStatusModel model_;
    QTableWidget* list_;
    bool stopped_ = false;
};

} // namespace quorvex
