#pragma once
// What a grid list shows, without widgets: rows of cell texts with a background colour, a row
// text (the tooltip over any cell of the row) and an item value; and the bookkeeping of row
// texts and row colours that follows insertions and deletions of rows.
#include <cstdint>
#include <string>
#include <vector>

namespace editors {

// Colours are 0xRRGGBB.
constexpr std::uint32_t kGridBackColour = 0xDFDFDF;

struct CGridRow {
    std::vector<std::string> cells;
    std::uint32_t colour = kGridBackColour;
    std::string rowText;
    long long itemData = 0;

    bool operator==(const CGridRow&) const = default;
};

// A row of those cells in the list's colour.
inline CGridRow GridRow(std::vector<std::string> cells) {
    CGridRow row;
    row.cells = std::move(cells);
    return row;
}

// Row texts and row colours indexed by row. Every row is inserted through InsertRow, so a row
// colour exists for every row; row texts are optional.
class CGridRowBook {
public:
    // A new row at row with this colour and no text; the following rows move down with their
    // colours and texts.
    void InsertRow(int row, std::uint32_t colour);
    // The row's text and colour go with it; following rows keep their own.
    void DeleteRow(int row);
    void DeleteAll();
    void ClearRowTexts() { rowTexts_.clear(); }
    // Stores the row's text, growing the texts as needed.
    void SetRowText(int row, const std::string& text);
    // The stored text of row, "" outside the stored texts.
    std::string GetRowText(int row) const;
    // False (nothing changed) outside the rows.
    bool SetRowColor(int row, std::uint32_t colour);
    // The row's colour; fallback outside the rows.
    std::uint32_t GetRowColor(int row, std::uint32_t fallback) const;
    int ColourCount() const { return static_cast<int>(colours_.size()); }
    int RowTextCount() const { return static_cast<int>(rowTexts_.size()); }

private:
    std::vector<std::string> rowTexts_;
    std::vector<std::uint32_t> colours_;
};

// The colours one cell is drawn with. A selected row of the list's text background colour is drawn
// in the selection colours; a selected row of another colour keeps its background and takes only
// the selection text colour.
struct CGridCellColours {
    std::uint32_t text;
    std::uint32_t back;
};
CGridCellColours GridCellColours(std::uint32_t rowColour, bool selected, std::uint32_t listTextBack,
                                 std::uint32_t normalText, std::uint32_t selectionBack,
                                 std::uint32_t selectionText);

// The space a cell keeps on each side of its text, and the column width a text of that width
// needs: both indents and the grid line.
inline constexpr int kGridCellIndent = 5;
inline int CellWidthFor(int textWidth) {
    return textWidth + 2 * kGridCellIndent + 1;
}

// Columns only grow: the new width when the measured text is wider, else the current one.
inline int WidenedColumn(int current, int measured) {
    return measured > current ? measured : current;
}

} // namespace editors
