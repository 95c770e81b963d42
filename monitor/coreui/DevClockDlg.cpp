#include "monitor/coreui/DevClockDlg.h"

#include "monitor/core/ClockCommands.h"
#include "monitor/core/DevTime.h"
#include "platform/ui/WidgetPrompt.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

using platform::Qs;
using platform::Ss;

namespace marindle {

CDevClockDlg::CDevClockDlg(const std::vector<std::uint8_t>& boards, QWidget* parent)
    : QDialog(parent), boards_(boards) {
    setWindowTitle(Qs("装置时间"));
    setObjectName("CDevClockDlg");
    list_ = new QTreeWidget(this);
    list_->setObjectName("list1051");
    list_->setRootIsDecorated(false);
    list_->setColumnCount(2);
    list_->setHeaderLabels({Qs("板卡"), Qs("时间")});
    list_->header()->resizeSection(0, 80);
    list_->header()->resizeSection(1, 160);
    for (std::uint8_t b : boards_)
        new QTreeWidgetItem(list_, {Qs(BoardLabel(b)), QString()});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    resize(300, 200);
}

void CDevClockDlg::BoardTime(std::uint8_t board, const std::uint8_t* stamp) {
    std::string text;
    if (!ClockStampText(stamp, text))
        return;
    for (std::size_t i = 0; i < boards_.size(); ++i)
        if (boards_[i] == board)
            list_->topLevelItem(static_cast<int>(i))->setText(1, Qs(text));
}

std::vector<std::string> CDevClockDlg::TimeTexts() const {
    std::vector<std::string> out;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        out.push_back(Ss(list_->topLevelItem(i)->text(1)));
    return out;
}

void ViewClocks(CDeviceLink& link, const CDevModel& model, std::unique_ptr<CDevClockDlg>& window,
                QWidget* parent) {
    const std::vector<std::uint8_t> boards = RequestBoardClocks(link, model);
    window.reset();
    window = std::make_unique<CDevClockDlg>(boards, parent);
    window->show();
}

} // namespace marindle
