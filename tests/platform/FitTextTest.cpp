// Fields and trees that show their whole text.
#include "platform/ui/FitText.h"

#include <gtest/gtest.h>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTreeWidget>

TEST(FitText, AnEditGrowsWithItsTextAndATreeScrollsToItsWidestLabel) {
    QLineEdit edit;
    platform::KeepWholeTextVisible(&edit);
    edit.setText(QString(60, QChar('x')));
    EXPECT_GE(edit.minimumWidth(), edit.fontMetrics().horizontalAdvance(edit.text()));

    QTreeWidget tree;
    tree.setHeaderHidden(true);
    tree.setColumnCount(1);
    platform::KeepWholeLabelsVisible(&tree);
    tree.resize(120, 200);
    const QString label = "板卡1[QXM-CPU01]串口0<地址0>(IEC103串口)装置总表";
    auto* item = new QTreeWidgetItem(&tree, QStringList{label});
    tree.show();
    tree.doItemsLayout();
    // The column is as wide as the label (not the tree), and the tree scrolls to its end.
    EXPECT_GE(tree.header()->sectionSize(0), tree.fontMetrics().horizontalAdvance(label));
    EXPECT_GT(tree.horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(tree.textElideMode(), Qt::ElideNone);
    EXPECT_EQ(item->text(0), label);
}
