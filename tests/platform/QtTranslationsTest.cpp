// Qt's own texts after the programs' start-up call: standard buttons, message-box answers and the
// file dialog's labels are Chinese.
#include "platform/ui/QtTranslations.h"

#include "platform/ui/FileDialog.h"

#include <gtest/gtest.h>
#include <QAbstractFileIconProvider>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>

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

TEST(QtTranslations, PreparedFileDialogsNameTheTypesOfTheirEntriesInChinese) {
    QFileDialog dialog;
    platform::PrepareFileDialog(dialog);
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    const QAbstractFileIconProvider* icons = dialog.iconProvider();
    ASSERT_NE(icons, nullptr);
    EXPECT_EQ(icons->type(QFileInfo(QDir::tempPath())), QString("文件夹"));
    EXPECT_EQ(icons->type(QFileInfo(QDir::temp().filePath("a.cfg"))), QString("CFG 文件"));
    EXPECT_EQ(icons->type(QFileInfo(QDir::temp().filePath("README"))), QString("文件"));
    // Size, type and date columns fit their texts: dates are not cut.
    auto* details = dialog.findChild<QTreeView*>("treeView");
    ASSERT_NE(details, nullptr);
    ASSERT_GE(details->header()->count(), 4);
    for (int column = 1; column < 4; ++column)
        EXPECT_EQ(details->header()->sectionResizeMode(column), QHeaderView::ResizeToContents) << column;
}
