#pragma once
// The rules behind the small shared dialogs, without widgets: the versions offered by the
// save-with-version dialog, the rows of the URI table and the ports offered to a device.
#include "editors/model/GridRows.h"

#include <filesystem>
#include <string>
#include <vector>

namespace projectmodel {
class CBoardCommCfg;
class CDevice;
class CIedRecordArray;
class CPortRecord;
} // namespace projectmodel

namespace editors {

// The text after the first "V" of every sub-folder of folder whose name holds a "V", in name order.
// error, when given, gets 0, or the errno of a failure to look at or list the folder (its
// versions are then unknown, not none).
std::vector<std::string> ListVersionTexts(const std::filesystem::path& folder, int* error = nullptr);

// Row 0 empty, then name, type and URI of each IED; matching receives the row whose URI equals uri
// (without regard to case), -1 when none.
std::vector<CGridRow> UriTableRows(const projectmodel::CIedRecordArray& ieds, const std::string& uri,
                                   int* matching);

// One port a device can be put on.
struct CPortChoice {
    std::string text; // "板卡%i%s%i"
    int board = -1;   // index in the board array
    int group = -1;
    int port = -1;
};
// The ports, in board, group and port order, whose protocol is the device's model's protocol.
std::vector<CPortChoice> PortChoicesFor(const projectmodel::CBoardCommCfg& cfg,
                                        const projectmodel::CDevice& device);
// Places the device's board, group and port from the choice; the chosen port (null when the
// choice no longer exists).
projectmodel::CPortRecord* ApplyPortChoice(projectmodel::CBoardCommCfg& cfg, projectmodel::CDevice& device,
                                           const CPortChoice& choice);

} // namespace editors
