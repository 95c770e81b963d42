// Qt's own texts after the programs' start-up call: standard buttons, message-box answers and the
// file dialog's labels are Chinese.
#include "platform/ui/QtTranslations.h"

#include <gtest/gtest.h>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

TEST(QtTranslations, StandardTextsAreChineseAfterLoading) {
    ASSERT_TRUE(platform::InstallQtTranslations());

    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Save);
    EXPECT_EQ(box.button(QDialogButtonBox::Ok)->text(), QString("确定"));
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QString("取消"));
    EXPECT_EQ(box.button(QDialogButtonBox::Save)->text(), QString("保存"));

    QMessageBox message(QMessageBox::Question, "提示", "问题?", QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(message.button(QMessageBox::Yes)->text().startsWith("是"))
        << message.button(QMessageBox::Yes)->text().toStdString();
    EXPECT_TRUE(message.button(QMessageBox::No)->text().startsWith("否"))
        << message.button(QMessageBox::No)->text().toStdString();

    // Qt's own file dialog, as the programs open it: "Look in" and "File name" in Chinese.
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    auto* lookIn = dialog.findChild<QLabel*>("lookInLabel");
    auto* fileName = dialog.findChild<QLabel*>("fileNameLabel");
    ASSERT_NE(lookIn, nullptr);
    ASSERT_NE(fileName, nullptr);
    EXPECT_FALSE(lookIn->text().contains("Look")) << lookIn->text().toStdString();
    EXPECT_FALSE(fileName->text().contains("File")) << fileName->text().toStdString();
}
