#pragma once
// The file dialogs of every program: Qt's own dialog (the same on every desktop) with every text
// in Chinese, the file-type column included, which Qt's translation leaves in English.
class QFileDialog;

namespace platform {

// Makes the dialog Qt's own (not the desktop's) and gives it Chinese type names ("文件夹",
// "TXT 文件") in its detail view.
void PrepareFileDialog(QFileDialog& dialog);

} // namespace platform
