#pragma once
// "报文属性": which frames a trace window shows and whether it saves them.
#include "monitor/model/NetCfg.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace marindle {

class CFramePropDlg : public QDialog {
    Q_OBJECT
public:
    CFramePropDlg(bool fromTree, bool networkPort, const FrameSettings& settings, QWidget* parent = nullptr);

    // The values after OK.
    FrameSettings Settings() const { return settings_; }
    void accept() override;

private:
    void UpdateEnabled();

    bool fromTree_;
    bool network_;
    FrameSettings settings_;
    QCheckBox* header_;  // 1055
    QCheckBox* save_;    // 1056
    QCheckBox* tcp_;     // 1053
    QCheckBox* udp_;     // 1054
    QCheckBox* ifDevIp_; // 1059
    QCheckBox* ifDest_;  // 1060
    QCheckBox* ifAddr_;  // 1062
    QLineEdit* devIp_;   // 1057
    QLineEdit* destIp_;  // 1058
    QLineEdit* addr_;    // 1064
};

} // namespace marindle
