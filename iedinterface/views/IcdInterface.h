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

// The exports have C linkage and undecorated names, so that the main tool finds them by name
// when it loads the library. Texts are UTF-8; a null text counts as empty.
#define QXM_ICD_EXPORT __attribute__((visibility("default")))

extern "C" {
// Asks for a .cid/.icd file with an open-file dialog and reads it; 0 when cancelled.
QXM_ICD_EXPORT int InputICDFile(const char* unused);
// Reads the file and restores the choices of an earlier device-model file beside it.
QXM_ICD_EXPORT int ReadICDFile(const char* path);
// Runs the classification window under parent (the rectangle is not used and may be null); 1 when
// it ended with OK and the device-model files were written.
QXM_ICD_EXPORT int OpenCIDSpy(QWidget* parent, const QRect* rect);
}

// The signatures the main tool resolves the exports with.
using InputICDFileFn = int (*)(const char*);
using ReadICDFileFn = int (*)(const char*);
using OpenCIDSpyFn = int (*)(QWidget*, const QRect*);
