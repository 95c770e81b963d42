#pragma once
// What the import reports while it reads a file: the classification library's progress dialog in
// the program, nothing in headless use.
#include <string>

namespace iedinterface {

class IImportProgress {
public:
    virtual ~IImportProgress() = default;
    // Shows the progress with a caption and a range; the position starts at the range's low end.
    virtual void Open(const std::string& caption, int low, int high) = 0;
    virtual void SetPos(int pos) = 0;
    // Hides and destroys it; harmless when it is not open.
    virtual void Close() = 0;
};

} // namespace iedinterface
