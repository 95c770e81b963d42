#pragma once
// The entry points of the classification library that the main tool calls: read a CID/ICD file
// (by path, or chosen in an open-file dialog), then run the classification window, which writes
// the device-model file pair on OK. Results are nonzero on success.
#include <QRect>
#include <string>

class QWidget;

namespace iedinterface {
class CIcdInterfaceApp;
// The one module object of the library.
CIcdInterfaceApp& TheIcdInterfaceApp();
} // namespace iedinterface

// Asks for a .cid/.icd file with an open-file dialog and reads it; 0 when cancelled.
int InputICDFile(const std::string& unused);
// Reads the file and restores the choices of an earlier device-model file beside it.
int ReadICDFile(const std::string& path);
// Runs the classification window under parent (the rectangle is not used); 1 when it ended with
// OK and the device-model files were written.
int OpenCIDSpy(QWidget* parent, QRect rect);
