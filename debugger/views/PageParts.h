#pragma once
// What the pages of the data sheets share: their buttons and columns, the text of their rows for
// an export, and the boxes of typed values that cannot be kept or sent.
#include "debugger/views/SheetPages.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class QHBoxLayout;
class QPushButton;
class QTableWidget;
class QWidget;

namespace quorvex {

class CQuorvexApp;
class CValueGrid;

namespace pageparts {

QPushButton* AddButton(QWidget* page, QHBoxLayout* row, const char* name, const char* caption);
void SetColumns(QTableWidget* list, const std::vector<std::pair<const char*, int>>& columns);
// The value columns with w = a quarter of the list's width.
void SetValueColumns(QTableWidget* list, bool withSetColumn);
std::string RowsExportText(const CValueGrid* list);
// Appends the row of a data-base entry: its group's title, name, address, group, entry and value;
// the new row's index.
int AppendEntryRow(CValueGrid* list, const CGroupTable& groups, const CDbEntry& entry);
// The full-list box of both pages' typed values.
void ShowListFull();
// A refill that no longer holds the entry of an open editor: what was typed there is not kept.
void TellEditLost(CQuorvexApp& app, const std::string& name);
// Shows the values not yet set on their rows after a fill: in the colour of a value to send, or
// as they went out while their answer is awaited.
void ShowPendingRows(CValueGrid* list, const CPendingList& pending, const CEntryMarks& sent,
                     const std::function<std::vector<int>(const CPendingValue&)>& rowsOf);
// Before a page sends its typed values: the user's rights (the login dialog may outlive the page),
// then the open editor's text, which is part of what is sent (a refused text stops the command),
// then something to send (else nothingText is shown). False when the command is not to go on; the
// page may be gone then.
bool ReadyToSend(QWidget* page, CQuorvexApp& app, std::uint32_t rights, CValueGrid* list,
                 const CPendingList& pending, const char* nothingText);
// The box of a value refused before sending: the entry, why, and what did not happen.
void ShowRefusal(const std::string& name, const std::string& refusal, const char* outcome);

} // namespace pageparts
} // namespace quorvex
