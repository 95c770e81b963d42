#pragma once
// The report list of every editor list: a colour per row, a stored text per row shown as the
// tooltip over any cell of that row, columns that widen themselves to the widest text put into
// them, grid lines and full-row selection on a light grey background. It does not edit cells
// itself; the owning view lays an editor over a cell (CInPlaceEditor).
#include "editors/model/GridRows.h"

#include <QTableWidget>
#include <string>
#include <vector>

namespace editors {

class CGridListCtrl : public QTableWidget {
    Q_OBJECT
public:
    enum Align { AlignLeft, AlignCenter, AlignRight };

    explicit CGridListCtrl(QWidget* parent = nullptr);

    // Appends or inserts a column; width -1 means the header text's extent plus 10 pixels.
    int InsertColumn(int column, const std::string& header, Align align = AlignLeft, int width = -1);
    void DeleteAllColumns();
    int GetColumnCount() const { return columnCount(); }

    // Inserts a row whose colour is the list's current text background colour, widening column 0
    // to the text; the new row's index.
    int InsertItem(int row, const std::string& text);
    // Sets a cell's text, widening its column to the text; false outside the rows and columns.
    bool SetItemText(int row, int column, const std::string& text);
    std::string GetItemText(int row, int column) const;
    bool DeleteItem(int row);
    bool DeleteAllItems();
    int GetItemCount() const { return rowCount(); }

    void ClearRowTexts() { m_book.ClearRowTexts(); }
    bool SetRowText(int row, const std::string& text);
    std::string GetRowText(int row) const { return m_book.GetRowText(row); }
    bool SetRowColor(int row, std::uint32_t colour);
    std::uint32_t GetRowColor(int row) const { return m_book.GetRowColor(row, m_textBack); }

    long long GetItemData(int row) const;

    // The colour rows inserted from now on take (0xRRGGBB); also the list's background.
    void SetTextBkColor(std::uint32_t colour);
    std::uint32_t GetTextBkColor() const { return m_textBack; }

    // Empties the rows and shows these (texts, colours, row texts, item values).
    void FillRows(const std::vector<CGridRow>& rows);

    // Selected rows in ascending order; the first selected row or -1.
    std::vector<int> GetSelectedRows() const;
    int GetSelectedRow() const;
    void SelectRow(int row);

    // The cell's rectangle in the coordinates of widget (the list's own when null).
    QRect SubItemRect(int row, int column, const QWidget* widget = nullptr) const;

    // The colours of the cell drawing (normal text, selection background and text).
    std::uint32_t NormalTextColour() const { return m_normalText; }
    std::uint32_t SelectionBackColour() const { return m_selectionBack; }
    std::uint32_t SelectionTextColour() const { return m_selectionText; }
    Qt::Alignment ColumnAlignment(int column) const;

    // The tooltip text over a point of the viewport: the row text of the row under it.
    std::string ToolTipAt(const QPoint& viewportPos) const;

protected:
    bool viewportEvent(QEvent* event) override;

private:
    void Widen(int column, const std::string& text);

    CGridRowBook m_book;
    std::vector<Qt::Alignment> m_alignments;
    std::uint32_t m_textBack = kGridBackColour;
    std::uint32_t m_normalText;
    std::uint32_t m_selectionBack;
    std::uint32_t m_selectionText;
};

} // namespace editors
