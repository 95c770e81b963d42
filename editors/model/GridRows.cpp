#include "editors/model/GridRows.h"

namespace editors {

void CGridRowBook::InsertRow(int row, std::uint32_t colour) {
    if (row < 0)
        return;
    if (static_cast<std::size_t>(row) >= colours_.size())
        colours_.resize(static_cast<std::size_t>(row), kGridBackColour);
    colours_.insert(colours_.begin() + row, colour);
    // The texts of the following rows move down with their rows; the new row has none.
    if (row < RowTextCount())
        rowTexts_.insert(rowTexts_.begin() + row, std::string());
}

void CGridRowBook::DeleteRow(int row) {
    if (row < 0)
        return;
    if (row < RowTextCount())
        rowTexts_.erase(rowTexts_.begin() + row);
    if (row < ColourCount())
        colours_.erase(colours_.begin() + row);
}

void CGridRowBook::DeleteAll() {
    rowTexts_.clear();
    colours_.clear();
}

void CGridRowBook::SetRowText(int row, const std::string& text) {
    if (row < 0)
        return;
    if (static_cast<std::size_t>(row) >= rowTexts_.size())
        rowTexts_.resize(static_cast<std::size_t>(row) + 1);
    rowTexts_[static_cast<std::size_t>(row)] = text;
}

std::string CGridRowBook::GetRowText(int row) const {
    if (row < 0 || row >= RowTextCount())
        return {};
    return rowTexts_[static_cast<std::size_t>(row)];
}

bool CGridRowBook::SetRowColor(int row, std::uint32_t colour) {
    if (row < 0 || row >= ColourCount())
        return false;
    colours_[static_cast<std::size_t>(row)] = colour;
    return true;
}

std::uint32_t CGridRowBook::GetRowColor(int row, std::uint32_t fallback) const {
    if (row < 0 || row >= ColourCount())
        return fallback;
    return colours_[static_cast<std::size_t>(row)];
}

CGridCellColours GridCellColours(std::uint32_t rowColour, bool selected, std::uint32_t listTextBack,
                                 std::uint32_t normalText, std::uint32_t selectionBack,
                                 std::uint32_t selectionText) {
    if (!selected)
        return {normalText, rowColour};
    return {selectionText, rowColour == listTextBack ? selectionBack : rowColour};
}

} // namespace editors
