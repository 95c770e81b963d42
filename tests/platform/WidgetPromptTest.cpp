#include "platform/ui/WidgetPrompt.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/ServeEvents.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <thread>

using namespace platform;

TEST(WidgetPrompt, DialogRunnerReplacesExec) {
    QDialog dlg;
    auto* edit = new QLineEdit(&dlg);
    edit->setObjectName("name");
    SetDialogRunner([](QDialog& d) {
        d.findChild<QLineEdit*>("name")->setText("甲");
        d.accept();
        return d.result();
    });
    EXPECT_EQ(QDialog::Accepted, RunDialog(dlg));
    EXPECT_EQ(QString("甲"), edit->text());
    SetDialogRunner(nullptr);
}

TEST(WidgetPrompt, RecorderAnswersFromScriptAndFromAnotherThread) {
    testsupport::PromptRecorder rec;
    rec.Script({Answer::No});
    EXPECT_EQ(Answer::No, MessageBox("问题?", "提示", Icon::Question, Buttons::YesNo));
    Answer fromWorker = Answer::Cancel;
    std::thread worker([&] { fromWorker = MessageBox("来自线程", "提示", Icon::Warning, Buttons::YesNo); });
    worker.join();
    EXPECT_EQ(Answer::Yes, fromWorker);
    ASSERT_EQ(2u, rec.Count());
    EXPECT_EQ("来自线程", rec.LastText());
    EXPECT_EQ("提示", rec.Messages()[1].caption);
}

TEST(WidgetPrompt, RunOnUiThreadWaitsForTheUiThread) {
    std::atomic<bool> ranOnUi{false};
    // Serve events until the worker's call has been served.
    testsupport::RunOnWorkerServing(
        [&] { RunOnUiThread([&] { ranOnUi = QThread::currentThread() == qApp->thread(); }); }, 10000);
    EXPECT_TRUE(ranOnUi);
}

// The box shows the named default button, so Return on a question whose Yes deletes data answers
// No; without a name the first button stays the default. With no prompt installed, the default
// button is the answer.
TEST(WidgetPrompt, ReturnPressesTheNamedDefaultButton) {
    CWidgetPrompt prompt;
    SetPrompt(&prompt);
    std::vector<int> defaults;
    auto pressReturn = [&defaults] {
        QTimer::singleShot(0, [&defaults] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            defaults.push_back(box->defaultButton() ? box->standardButton(box->defaultButton()) : 0);
            QTest::keyClick(box, Qt::Key_Return);
        });
    };
    pressReturn();
    EXPECT_EQ(Answer::No, MessageBox("删除吗?", "提示", Icon::Question, Buttons::YesNo, Answer::No));
    pressReturn();
    EXPECT_EQ(Answer::Yes, MessageBox("继续吗?", "提示", Icon::Question, Buttons::YesNo));
    SetPrompt(nullptr);
    ASSERT_EQ(defaults.size(), 2u);
    EXPECT_EQ(defaults[0], QMessageBox::No);
    EXPECT_EQ(defaults[1], QMessageBox::Yes);

    EXPECT_EQ(Answer::No, MessageBox("删除吗?", "提示", Icon::Question, Buttons::YesNo, Answer::No));
    EXPECT_EQ(Answer::Yes, MessageBox("继续吗?", "提示", Icon::Question, Buttons::YesNo));
}

// Escape on a question with 取消 answers 取消, as its close button does: a question before closing
// is left without losing anything.
TEST(WidgetPrompt, EscapeAnswersCancel) {
    CWidgetPrompt prompt;
    SetPrompt(&prompt);
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(Answer::Cancel, MessageBox("保存吗?", "提示", Icon::Question, Buttons::YesNoCancel));
    SetPrompt(nullptr);
}
