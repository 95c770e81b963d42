#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>

using namespace editors;

namespace {

struct GridListTest : ::testing::Test {
    GridListTest() {
        list.resize(400, 200);
        list.InsertColumn(0, "名称");
        list.InsertColumn(1, "值", CGridListCtrl::AlignRight);
        list.show();
    }
    CGridListCtrl list;
};

} // namespace

TEST_F(GridListTest, ColumnsWidenToTheWidestTextAndNeverShrink) {
    const int start = list.columnWidth(0);
    EXPECT_EQ(start, list.fontMetrics().horizontalAdvance("名称") + 10);
    const std::string wide = "一个比列标题宽得多的名称";
    // The width takes the cell's indents on both sides, so the widest text is drawn whole.
    const int wideWidth = list.fontMetrics().horizontalAdvance(QString::fromStdString(wide));
    list.InsertItem(0, wide);
    EXPECT_EQ(list.columnWidth(0), CellWidthFor(wideWidth));
    EXPECT_GT(CellWidthFor(wideWidth), wideWidth + 2 * kGridCellIndent);
    list.InsertItem(1, "短");
    list.DeleteItem(0);
    EXPECT_EQ(list.columnWidth(0), CellWidthFor(wideWidth));
    EXPECT_TRUE(list.SetItemText(0, 1, "12345678901234567890"));
    EXPECT_EQ(list.columnWidth(1),
              CellWidthFor(list.fontMetrics().horizontalAdvance("12345678901234567890")));
    // A filled list: the "地址" column shows 65531 whole.
    CGridListCtrl addresses;
    addresses.InsertColumn(0, "地址");
    addresses.FillRows({GridRow({"1"}), GridRow({"65531"})});
    EXPECT_GE(addresses.columnWidth(0), CellWidthFor(addresses.fontMetrics().horizontalAdvance("65531")));
    EXPECT_FALSE(list.SetItemText(5, 1, "x"));
    EXPECT_EQ(list.ColumnAlignment(1), Qt::AlignRight);
}

TEST_F(GridListTest, RowsKeepTheirColourTextAndValueThroughDeletions) {
    std::vector<CGridRow> rows;
    for (int r = 0; r < 5; ++r) {
        CGridRow row = GridRow({"行" + std::to_string(r), std::to_string(r)});
        row.colour = 0x100000u + static_cast<unsigned>(r);
        row.rowText = "提示" + std::to_string(r);
        row.itemData = r * 10;
        rows.push_back(row);
    }
    list.FillRows(rows);
    ASSERT_EQ(list.GetItemCount(), 5);
    list.DeleteItem(2);
    EXPECT_EQ(list.GetItemText(2, 0), "行3");
    EXPECT_EQ(list.GetRowColor(2), 0x100003u);
    EXPECT_EQ(list.GetRowText(3), "提示4");
    EXPECT_EQ(list.GetItemData(3), 40);
    // The same tooltip over any cell of a row.
    const QPoint cell0 = list.visualItemRect(list.item(1, 0)).center();
    const QPoint cell1 = list.visualItemRect(list.item(1, 1)).center();
    EXPECT_EQ(list.ToolTipAt(cell0), "提示1");
    EXPECT_EQ(list.ToolTipAt(cell1), "提示1");
    // Rows inserted afterwards take the list's text background colour.
    list.SetTextBkColor(0x00FF00);
    list.InsertItem(1, "新");
    EXPECT_EQ(list.GetRowColor(1), 0x00FF00u);
    // The tooltips move down with their rows; the new row has none.
    EXPECT_EQ(list.GetRowText(1), "");
    EXPECT_EQ(list.GetRowText(2), "提示1");
    EXPECT_EQ(list.GetRowColor(2), 0x100001u);
    EXPECT_EQ(list.ToolTipAt(list.visualItemRect(list.item(2, 1)).center()), "提示1");
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetRowText(0), "");
    EXPECT_FALSE(list.SetRowColor(0, 1));
}

TEST_F(GridListTest, EditorsOpenOverTheCellAndHandBackTheTrimmedText) {
    list.FillRows({GridRow({"甲", "10"}), GridRow({"乙", "20"})});
    CInPlaceEditor editor(&list);
    std::vector<std::string> commits;
    editor.SetCommit([&](int row, int column, const std::string& oldText, const std::string& newText) {
        commits.push_back(std::to_string(row) + ":" + std::to_string(column) + ":" + oldText + ">" + newText);
    });
    // Not ready yet, and below the last row: nothing opens.
    EXPECT_FALSE(editor.OpenEdit(0, 1));
    editor.SetReady(true);
    EXPECT_FALSE(editor.OpenEdit(2, 1));

    ASSERT_TRUE(editor.OpenEdit(1, 1));
    EXPECT_TRUE(editor.Edit()->isVisible());
    EXPECT_EQ(editor.Edit()->text(), "20");
    EXPECT_EQ(editor.Edit()->geometry().left(), list.SubItemRect(1, 1, list.viewport()).left());
    editor.Edit()->setText("  25 ");
    editor.CommitOpen();
    EXPECT_FALSE(editor.Edit()->isVisible());
    ASSERT_EQ(commits.size(), 1u);
    EXPECT_EQ(commits[0], "1:1:20>25");

    ASSERT_TRUE(editor.OpenCombo(0, 0, {"丙", "甲", "丁"}));
    EXPECT_EQ(editor.Combo()->currentIndex(), 1);
    editor.Combo()->setCurrentIndex(2);
    editor.CommitOpen();
    EXPECT_EQ(commits.back(), "0:0:甲>丁");

    // Over a column narrower than its choices the combo is as wide as its longest one, so that
    // "未用" does not show as "未".
    list.setColumnWidth(0, 20);
    ASSERT_TRUE(editor.OpenCombo(0, 0, {"未用", "IEC103串口", "ModbusRTU"}));
    const int longest = editor.Combo()->fontMetrics().horizontalAdvance("IEC103串口");
    EXPECT_GT(editor.Combo()->width(), longest);
    EXPECT_GE(editor.Combo()->width(), editor.Combo()->sizeHint().width());
    EXPECT_LE(editor.Combo()->geometry().right(), list.viewport()->width());
    editor.CommitOpen();
}

TEST_F(GridListTest, TwentyThousandRowsFillInOneGo) {
    std::vector<CGridRow> rows;
    for (int r = 0; r < 20000; ++r)
        rows.push_back(GridRow({std::to_string(r), "描述" + std::to_string(r)}));
    QElapsedTimer timer;
    timer.start();
    list.FillRows(rows);
    EXPECT_EQ(list.GetItemCount(), 20000);
    EXPECT_EQ(list.GetItemText(19999, 1), "描述19999");
    EXPECT_GE(list.columnWidth(1), CellWidthFor(list.fontMetrics().horizontalAdvance("描述19999")));
    std::printf("20000 rows filled in %lld ms\n", static_cast<long long>(timer.elapsed()));
}
