#pragma once
// What every element handle of one loaded document needs to know about the document itself.
// Private to the SCL reader.

namespace platform::scl::detail {

struct DocInfo {
    // The file declared a GBK-family encoding: its texts are converted to UTF-8 when read.
    bool gbk = false;
};

} // namespace platform::scl::detail
