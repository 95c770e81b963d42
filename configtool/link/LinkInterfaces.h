#pragma once
// The report sink above the configuration tool's device link (the main frame's wait dialog,
// progress bar and coloured monitor lines). The byte transport underneath is unitlink's.
#include <cstddef>
#include <cstdint>
#include <string>

namespace qxm7740 {

// The three colours of monitor lines: sent (green), received (navy) and error (maroon).
enum class LinkColour { Sent, Received, Error };

// What the link and the worker report to the main frame. The calls come from whichever thread
// runs the link (the user-interface thread in the program); an implementation that shows widgets
// must be callable from the worker thread too and then wait while the user-interface thread works.
class ILinkReport {
public:
    virtual ~ILinkReport() = default;
    // Opens the wait dialog (mode 0 = progress bar, other = text only); ignored while one is open.
    virtual void OpenWait(int mode, const std::string& text) = 0;
    virtual void CloseWait() = 0;
    // Progress position (0-100) of the wait dialog; `what` is 3 or 0 as the sender gives it.
    virtual void Progress(int what, std::uint32_t position) = 0;
    // New text of the wait dialog.
    virtual void WaitText(const std::string& text) = 0;
    // A monitor line, or a frame shown as a hex dump.
    virtual void MonitorText(LinkColour colour, const std::string& text) = 0;
    virtual void MonitorBytes(LinkColour colour, const std::uint8_t* data, std::size_t size) = 0;
};

} // namespace qxm7740
