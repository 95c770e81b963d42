#pragma once
// The "确定"/"取消" button row that the dialogs of every program share.
class QDialog;
class QDialogButtonBox;

namespace platform {

// A button box with "确定" (objectName "ok", accepts the dialog) and "取消" (objectName "cancel",
// rejects it), owned by the dialog.
QDialogButtonBox* MakeOkCancelButtons(QDialog* dialog);

} // namespace platform
