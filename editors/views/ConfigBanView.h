#pragma once
// The boards of the communication unit, read only: number and type per board.
#include "editors/views/GridFormView.h"

namespace editors {

class CConfigBanView : public CGridFormView {
    Q_OBJECT
public:
    explicit CConfigBanView(const CViewContext& context, QWidget* parent = nullptr);
    void OnInitialUpdate() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
};

} // namespace editors
