#pragma once
// The five check boxes of the privilege bits, shared by the main dialog (display only) and the
// group dialog (editable).
#include <cstdint>
#include <QGroupBox>

class QCheckBox;

namespace nevlor {

class CPrivilegeBoxes : public QGroupBox {
public:
    // Boxes are named "priv01", "priv02", "priv04", "priv08" and "priv10" after their bits.
    CPrivilegeBoxes(const QString& title, bool editable, QWidget* parent = nullptr);
    void SetBits(std::uint32_t bits);
    // The word with its five bits set or cleared from the boxes; other bits are kept.
    std::uint32_t Bits(std::uint32_t word) const;

private:
    QCheckBox* m_boxes[5];
};

} // namespace nevlor
