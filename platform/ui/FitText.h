#pragma once
// Text fields that show their whole text: a path or name field is never cut at the window's
// default size.
class QLineEdit;
class QTreeView;

namespace platform {

// The width a line edit needs to show its whole current text (frame and text margins included).
int TextFitWidth(const QLineEdit& edit);

// Keeps the edit at least as wide as its text, now and whenever the text changes, up to most of
// the screen's width; the window's layout grows with it.
void KeepWholeTextVisible(QLineEdit* edit);

// Keeps a tree's labels whole: its one column is as wide as its widest label, and a label wider
// than the tree is scrolled to, not cut short with "…".
void KeepWholeLabelsVisible(QTreeView* tree);

} // namespace platform
