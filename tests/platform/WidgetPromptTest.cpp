#include "platform/ui/WidgetPrompt.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/ServeEvents.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QLineEdit>
#include <QThread>
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
