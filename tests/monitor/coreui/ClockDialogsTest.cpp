#include "monitor/coreui/DevClockDlg.h"
#include "monitor/coreui/TelecontrolDlg.h"
#include "monitor/coreui/UnitTimeDlg.h"

#include "monitor/core/DeviceLink.h"
#include "monitor/core/DevModel.h"
#include "monitor/core/DevTime.h"
#include "platform/ui/WidgetPrompt.h"
#include "tests/support/DialogRunnerGuard.h"
#include "tests/support/PromptRecorder.h"

#include <gtest/gtest.h>
#include <QDateEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimeEdit>
#include <QTreeWidget>

using namespace marindle;

namespace {

using Bytes = std::vector<std::uint8_t>;

class Transport : public unitlink::ILinkTransport {
public:
    void SetEvents(unitlink::ILinkTransportEvents*) override {}
    bool Create() override { return true; }
    bool Connect(const std::string&, int) override { return true; }
    bool Send(const std::uint8_t* d, std::size_t n) override {
        sent.emplace_back(d, d + n);
        return true;
    }
    void Close() override {}
    void RunOnLinkThread(const std::function<void()>& fn) override { fn(); }
    std::vector<Bytes> sent;
};

using Runner = testsupport::DialogRunnerGuard;

class ClockDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        now_ = MakeLocalTime(2024, 5, 6, 7, 8, 9);
        SetNowFunction([this] { return now_; });
        auto t = std::make_unique<Transport>();
        transport_ = t.get();
        link_ = std::make_unique<CDeviceLink>(std::move(t), nullptr, nullptr);
        link_->Connect();
    }
    void TearDown() override { SetNowFunction(nullptr); }

    std::time_t now_ = 0;
    testsupport::PromptRecorder prompt_;
    Transport* transport_ = nullptr;
    std::unique_ptr<CDeviceLink> link_;
};

} // namespace

TEST_F(ClockDialogsTest, CustomClockJoinsDateAndTimeOfDay) {
    Runner runner([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QString::fromUtf8("设置通讯装置时间"));
        auto* date = d.findChild<QDateEdit*>("date1049");
        auto* time = d.findChild<QTimeEdit*>("time1050");
        EXPECT_EQ(date->date(), QDate(2024, 5, 6)); // opens on the current time
        EXPECT_EQ(time->time(), QTime(7, 8, 9));
        date->setDate(QDate(2023, 12, 31));
        time->setTime(QTime(22, 33, 44));
        d.accept();
        return d.result();
    });
    EXPECT_EQ(SetCustomClock(*link_), 1);
    ASSERT_EQ(transport_->sent.size(), 1u);
    const Bytes body(transport_->sent[0].begin() + 28, transport_->sent[0].end());
    EXPECT_EQ(body, (Bytes{6, 0x81, 8, 0, 255, 255, 0xE0, 0xAB, 33, 22, 31, 12, 123}));
    EXPECT_EQ(transport_->sent[0][26], 255);
}

// 设置时间 for dates around the end of the seven year bits: 2027 goes as years since 1900, later
// years as the year within the century, and each reads back as the date chosen.
TEST_F(ClockDialogsTest, CustomClockAcrossTheYearByte) {
    for (const auto& [year, byte] :
         {std::pair{2027, 127}, std::pair{2028, 28}, std::pair{2031, 31}, std::pair{2099, 99}}) {
        transport_->sent.clear();
        Runner runner([year](QDialog& d) {
            d.findChild<QDateEdit*>("date1049")->setDate(QDate(year, 2, 28));
            d.findChild<QTimeEdit*>("time1050")->setTime(QTime(23, 59, 30));
            d.accept();
            return d.result();
        });
        ASSERT_EQ(SetCustomClock(*link_), 1) << year;
        ASSERT_EQ(transport_->sent.size(), 1u);
        const Bytes body(transport_->sent[0].begin() + 28, transport_->sent[0].end());
        ASSERT_EQ(body.size(), 13u);
        EXPECT_EQ(body[12], byte) << year;
        EXPECT_EQ(Cp56TimeToCTime(body.data() + 6), MakeLocalTime(year, 2, 28, 23, 59, 30)) << year;
    }
}

// A year the unit's clock cannot carry stays in the picker as typed and is refused with a box;
// nothing goes out, neither that date nor the one held before.
TEST_F(ClockDialogsTest, CustomClockRefusesYearsTheUnitCannotCarry) {
    for (const QDate asked : {QDate(2100, 1, 1), QDate(1999, 12, 10)}) {
        transport_->sent.clear();
        prompt_.Clear();
        QString shown;
        Runner runner([&](QDialog& d) {
            auto* date = d.findChild<QDateEdit*>("date1049");
            date->setDate(asked);
            shown = date->text();
            d.findChild<QTimeEdit*>("time1050")->setTime(QTime(12, 0, 0));
            d.accept();
            return d.result();
        });
        EXPECT_EQ(SetCustomClock(*link_), 0);
        EXPECT_EQ(shown, asked.toString("yyyy-MM-dd"));
        EXPECT_TRUE(transport_->sent.empty());
        EXPECT_EQ(prompt_.LastText(), "年份应在2000至2099之间!");
    }
    // Typed over the year of the date shown, key by key.
    transport_->sent.clear();
    Runner runner([&](QDialog& d) {
        auto* date = d.findChild<QDateEdit*>("date1049");
        d.show();
        date->setFocus();
        date->setSelectedSection(QDateTimeEdit::YearSection);
        QTest::keyClicks(date, "2100");
        d.accept();
        const int result = d.result();
        EXPECT_NE(result, QDialog::Accepted) << date->text().toStdString() << " " << date->date().year();
        return result;
    });
    EXPECT_EQ(SetCustomClock(*link_), 0);
    EXPECT_TRUE(transport_->sent.empty());
    EXPECT_EQ(prompt_.LastText(), "年份应在2000至2099之间!");
}

TEST_F(ClockDialogsTest, CancelledCustomClockSendsNothing) {
    Runner runner([](QDialog& d) {
        d.reject();
        return d.result();
    });
    EXPECT_EQ(SetCustomClock(*link_), 0);
    EXPECT_TRUE(transport_->sent.empty());
}

TEST_F(ClockDialogsTest, ClockWindowListsBoardsAndFillsPlausibleTimes) {
    CDevModel model;
    model.AddBoard(0);
    model.AddBoard(3);
    std::unique_ptr<CDevClockDlg> window;
    ViewClocks(*link_, model, window);
    ASSERT_TRUE(window);
    EXPECT_EQ(transport_->sent.size(), 2u);
    auto* list = window->findChild<QTreeWidget*>("list1051");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->headerItem()->text(0), QString::fromUtf8("板卡"));
    EXPECT_EQ(list->headerItem()->text(1), QString::fromUtf8("时间"));
    EXPECT_EQ(list->topLevelItem(1)->text(0), QString::fromUtf8("板卡4"));

    const std::uint8_t good[7] = {0x10, 0x27, 30, 12, 1, 2, 24}; // 2024-02-01 12:30:10
    window->BoardTime(3, good);
    EXPECT_EQ(window->TimeTexts(), (std::vector<std::string>{"", "2024-02-01 12:30:10"}));
    const std::uint8_t noMonth[7] = {0, 0, 0, 0, 1, 0, 24};
    window->BoardTime(3, noMonth);
    window->BoardTime(0, noMonth);
    EXPECT_EQ(window->TimeTexts(), (std::vector<std::string>{"", "2024-02-01 12:30:10"}));
    window->BoardTime(9, good); // a board without a row
    ASSERT_FALSE(window->TimeTexts().empty());
    EXPECT_EQ(window->TimeTexts()[0], "");

    // Viewing again replaces the window with one row per board, all empty.
    model.AddBoard(5);
    ViewClocks(*link_, model, window);
    EXPECT_EQ(window->TimeTexts(), (std::vector<std::string>{"", "", ""}));
}

TEST_F(ClockDialogsTest, TelecontrolDialogChoices) {
    {
        Runner runner([](QDialog& d) {
            EXPECT_TRUE(d.findChild<QRadioButton*>("radio1071")->isChecked());
            EXPECT_TRUE(d.findChild<QRadioButton*>("radio1073")->isChecked());
            d.accept();
            return d.result();
        });
        CTelecontrolDlg dlg;
        ASSERT_EQ(dlg.DoModal(), QDialog::Accepted);
        EXPECT_EQ(dlg.m_command, 0);
        EXPECT_EQ(dlg.m_value, 0);
    }
    Runner runner([](QDialog& d) {
        d.findChild<QRadioButton*>("radio1075")->setChecked(true);
        d.findChild<QRadioButton*>("radio1074")->setChecked(true);
        d.accept();
        return d.result();
    });
    CTelecontrolDlg dlg;
    ASSERT_EQ(dlg.DoModal(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_command, 2);
    EXPECT_EQ(dlg.m_value, 1);
    EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("遥控"));
}
