#pragma once
// Qt's own texts in Chinese: the standard buttons, message boxes and file dialogs of every program
// and of the libraries' dialogs read "确定", "是", "文件名" like the rest of the programs.

namespace platform {

// Loads Qt's Chinese translation (qtbase_zh_CN from Qt's translations folder) into the running
// application; call it once after the QApplication is made. False when there is no application
// or no translation file (Qt's texts then stay English).
bool InstallQtTranslations();

} // namespace platform
