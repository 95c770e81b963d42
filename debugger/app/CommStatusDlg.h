#pragma once
// "通讯状态": the unit's boards with their ports and devices and the state columns the unit's
// answers keep current; a double click folds or unfolds a board or port.
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
    // The double click of the list: folds an unfolded row (" ↓" appended) or unfolds it again.
    void ToggleRow(int row);
    QTableWidget* List() const { return list_; }
    std::string Text(int row, int col) const;

protected:
    void done(int result) override;

private:
    void SetText(int row, int col, const std::string& text);
    int InsertRow(int at);
    int InsertPortRows(int at, std::uint8_t boardNumber, const std::string& portName, bool withPortRow);
    int BoardOfRow(int row) const;

    CQuorvexApp& app_;
    QTableWidget* list_;
    bool stopped_ = false;
};

} // namespace quorvex
