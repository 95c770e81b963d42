#pragma once
// The selection dialogs that read the unit's board records: the real-time database and
// reference-table choices, the serial and network port monitors and the protocol information.
#include "debugger/core/UnitBoard.h"

#include <QDialog>

#include <filesystem>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quorvex {

// "监视实时库选择".
class CDbSelDlg : public QDialog {
    Q_OBJECT
public:
    CDbSelDlg(const CUnitBoardArray& boards, QWidget* parent = nullptr);
    std::uint8_t m_board = 0;
    std::uint8_t m_port = 0;
    std::string m_portName;
    std::uint16_t m_device = 0;

    QComboBox* m_boardCombo;
    QComboBox* m_portCombo;
    QComboBox* m_deviceCombo;
    QCheckBox* m_byPort;
    QPushButton* m_ok;

private:
    void FillAll();
    void FillBoards();
    void FillPorts();
    void FillDevices();
    void TakeDevice();
    const CUnitBoardArray& boards_;
};

// "监视引用表选择".
class CTabSelDlg : public QDialog {
    Q_OBJECT
public:
    CTabSelDlg(const CUnitBoardArray& boards, QWidget* parent = nullptr);
    void accept() override;

    std::uint8_t m_board = 0;
    std::uint8_t m_portType = 0;
    std::uint8_t m_port = 0;
    std::string m_portName;
    std::uint8_t m_table = 0;
    std::uint8_t m_tableKind = 0;
    std::string m_tableName;
    std::uint16_t m_start = 0;
    std::uint16_t m_count = 100;

    QComboBox* m_boardCombo;
    QComboBox* m_portCombo;
    QComboBox* m_tableCombo;
    QLineEdit* m_startEdit;
    QLineEdit* m_countEdit;

private:
    void FillPorts();
    void FillTables();
    void TakeTable();
    const CUnitBoardArray& boards_;
};

// "通讯口监视选择" (serial) and "网络口监视选择" (network).
class CPortMonitorDlg : public QDialog {
    Q_OBJECT
public:
    CPortMonitorDlg(const CUnitBoardArray& boards, QWidget* parent = nullptr, bool network = false,
                    std::filesystem::path netCfg = {});
    void accept() override;

    bool m_send = true;
    bool m_receive = true;
    bool m_split = false;
    bool m_all = false;
    bool m_save = false;
    std::uint8_t m_board = 0;
    std::uint8_t m_port = 0;
    std::string m_portName;
    std::uint16_t m_device = 0;
    bool m_deviceAvailable = false;
    // Network monitor only.
    int m_messageType = 2;
    std::uint32_t m_unitIp = 0;
    std::uint32_t m_destIp = 0;

    QComboBox* m_boardCombo;
    QComboBox* m_portCombo;
    QComboBox* m_deviceCombo;
    QComboBox* m_typeCombo = nullptr;
    QLineEdit* m_unitEdit = nullptr;
    QLineEdit* m_destEdit = nullptr;
    QCheckBox* m_allCheck;
    QCheckBox* m_sendCheck;
    QCheckBox* m_receiveCheck;
    QRadioButton* m_splitRadio;
    QRadioButton* m_mixRadio;
    QCheckBox* m_saveCheck;
    QPushButton* m_ok;

private:
    void FillPorts();
    void FillDevices();
    void UpdateButtons();
    const CUnitPortArray& Ports(const CUnitBoard& b) const;
    const CUnitBoardArray& boards_;
    bool network_;
    std::filesystem::path netCfg_;
};

class CNetMonitorDlg : public CPortMonitorDlg {
    Q_OBJECT
public:
    CNetMonitorDlg(const CUnitBoardArray& boards, std::filesystem::path netCfg, QWidget* parent = nullptr)
        : CPortMonitorDlg(boards, parent, true, std::move(netCfg)) {}
};

// "规约信息监视选择".
class CProtocolInfoDlg : public QDialog {
    Q_OBJECT
public:
    CProtocolInfoDlg(const CUnitBoardArray& boards, QWidget* parent = nullptr);
    std::uint8_t m_board = 0;
    std::uint8_t m_port = 0;
    std::uint8_t m_portKind = 0;
    std::string m_portName;
    QComboBox* m_boardCombo;
    QComboBox* m_portCombo;

private:
    void FillPorts();
    void TakePort();
    const CUnitBoardArray& boards_;
};

} // namespace quorvex
