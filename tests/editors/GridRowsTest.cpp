#include "editors/model/GridRows.h"
#include "editors/model/CellValue.h"
#include "tests/support/PromptRecorder.h"

#include <gtest/gtest.h>

using namespace editors;

TEST(GridRowBook, RowTextsAndColoursFollowDeletedRows) {
    CGridRowBook book;
    for (int r = 0; r < 5; ++r) {
        book.InsertRow(r, 0x100u + static_cast<unsigned>(r));
        book.SetRowText(r, "row" + std::to_string(r));
    }
    book.DeleteRow(2);
    EXPECT_EQ(book.ColourCount(), 4);
    EXPECT_EQ(book.GetRowText(2), "row3");
    EXPECT_EQ(book.GetRowText(3), "row4");
    EXPECT_EQ(book.GetRowColor(2, 0), 0x103u);
    EXPECT_EQ(book.GetRowColor(3, 0), 0x104u);
    EXPECT_EQ(book.GetRowText(-1), "");
    EXPECT_EQ(book.GetRowText(4), "");
}

TEST(GridRowBook, InsertedRowsMoveTheFollowingColoursAndTextsDown) {
    CGridRowBook book;
    book.InsertRow(0, 1);
    book.InsertRow(1, 2);
    book.InsertRow(2, 3);
    book.SetRowText(1, "second");
    book.InsertRow(1, 9);
    EXPECT_EQ(book.ColourCount(), 4);
    EXPECT_EQ(book.GetRowColor(1, 0), 9u);
    EXPECT_EQ(book.GetRowColor(2, 0), 2u);
    EXPECT_EQ(book.GetRowColor(3, 0), 3u);
    EXPECT_EQ(book.GetRowText(1), "");
    EXPECT_EQ(book.GetRowText(2), "second");
    EXPECT_FALSE(book.SetRowColor(4, 7));
    EXPECT_TRUE(book.SetRowColor(3, 7));
    // Rows without a stored text have no tooltip; a text past the end grows the texts.
    book.SetRowText(4, "late");
    EXPECT_EQ(book.GetRowText(3), "");
    EXPECT_EQ(book.GetRowText(4), "late");
}

TEST(GridCellColours, SelectedRowOfTheListColourTakesTheSelectionColours) {
    const CGridCellColours plain =
        GridCellColours(kGridBackColour, true, kGridBackColour, 0, 0x3366CC, 0xFFFFFF);
    EXPECT_EQ(plain.back, 0x3366CCu);
    EXPECT_EQ(plain.text, 0xFFFFFFu);
    const CGridCellColours marked = GridCellColours(0xFF0000, true, kGridBackColour, 0, 0x3366CC, 0xFFFFFF);
    EXPECT_EQ(marked.back, 0xFF0000u);
    EXPECT_EQ(marked.text, 0xFFFFFFu);
    const CGridCellColours unselected =
        GridCellColours(0xFF0000, false, kGridBackColour, 0x010101, 0x3366CC, 0xFFFFFF);
    EXPECT_EQ(unselected.back, 0xFF0000u);
    EXPECT_EQ(unselected.text, 0x010101u);
    EXPECT_EQ(WidenedColumn(50, 40), 50);
    EXPECT_EQ(WidenedColumn(50, 80), 80);
}

TEST(CellValue, NumbersOutsideTheirRangeAreClampedWithAMessage) {
    testsupport::PromptRecorder prompts;
    EXPECT_EQ(ClampIntText("300", 0, 255), "255");
    EXPECT_EQ(prompts.LastText(), kClampedToMaximum);
    EXPECT_EQ(ClampIntText("-5", 0, 255), "0");
    EXPECT_EQ(prompts.LastText(), kClampedToMinimum);
    // Numbers of 19 and more digits saturate to the limit, with the limit's message.
    EXPECT_EQ(ClampIntText("99999999999999999999", 0, 255), "255");
    EXPECT_EQ(prompts.LastText(), kClampedToMaximum);
    EXPECT_EQ(ClampIntText("9999999999999999999", 0, 65535), "65535");
    EXPECT_EQ(prompts.LastText(), kClampedToMaximum);
    EXPECT_EQ(ClampIntText("-99999999999999999999", -10, 10), "-10");
    EXPECT_EQ(prompts.LastText(), kClampedToMinimum);
    prompts.Clear();
    EXPECT_EQ(ClampIntText("12", 0, 255), "12");
    EXPECT_EQ(prompts.Count(), 0u);

    const std::string lo = "0";
    const std::string hi = "65535";
    EXPECT_EQ(CheckOptionValue("word", &lo, &hi, "70000"), "65535");
    EXPECT_EQ(prompts.LastText(), kClampedToMaximum);
    const std::string flo = "0.5";
    const std::string fhi = "2.5";
    EXPECT_EQ(CheckOptionValue("FLOAT", &flo, &fhi, "3"), "2.500000");
    EXPECT_EQ(CheckOptionValue("FLOAT", &flo, &fhi, "1.25"), "1.250000");
    // Without a range, and for other kinds, the text stays as typed.
    EXPECT_EQ(CheckOptionValue("INT", nullptr, nullptr, "abc"), "abc");
    EXPECT_EQ(CheckOptionValue("STRING", &lo, &hi, "70000"), "70000");
}
