#include "useradmin/views/PrivilegeBoxes.h"

#include "platform/ui/WidgetPrompt.h"

#include <QCheckBox>
#include <QVBoxLayout>

namespace nevlor {

namespace {
constexpr const char* kCaptions[5] = {"设置权限", "登陆系统", "上载下载", "修改定值", "遥 控"};
}

CPrivilegeBoxes::CPrivilegeBoxes(const QString& title, bool editable, QWidget* parent)
    : QGroupBox(title, parent) {
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < 5; ++i) {
        m_boxes[i] = new QCheckBox(platform::Qs(kCaptions[i]), this);
        m_boxes[i]->setObjectName(QString::asprintf("priv%02x", 1u << i));
        m_boxes[i]->setEnabled(editable);
        layout->addWidget(m_boxes[i]);
    }
}

void CPrivilegeBoxes::SetBits(std::uint32_t bits) {
    for (int i = 0; i < 5; ++i)
        m_boxes[i]->setChecked(bits & (1u << i));
}

std::uint32_t CPrivilegeBoxes::Bits(std::uint32_t word) const {
    for (int i = 0; i < 5; ++i) {
        if (m_boxes[i]->isChecked())
            word |= 1u << i;
        else
            word &= ~(1u << i);
    }
    return word;
}

} // namespace nevlor
