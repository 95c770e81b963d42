#pragma once
// The fault sweep: runs a road once to count its calls of the file layer's fault seam, then again
// failing call 1, 2, ... N in turn with each errno that call can give, and checks the road's
// invariant after every run: the failure is told (never the road's success) and every file that
// existed before is byte-identical, or the road succeeded whole. All in one process: the road's
// setup brings the files and the state back before each run.
#include "platform/FileFaults.h"

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

// The bytes of every plain file below a folder, by its path relative to the folder (folders are
// kept as entries ending in '/' with no bytes). Read directly, not through the seam.
using TreeBytes = std::map<std::string, std::string>;
TreeBytes SnapshotTree(const std::filesystem::path& folder);
// Makes folder hold exactly the tree (everything else below it removed).
void RestoreTree(const std::filesystem::path& folder, const TreeBytes& tree);
// The entries of before that after lacks or holds other bytes of ("<name>: missing" / "changed").
std::vector<std::string> LostFiles(const TreeBytes& before, const TreeBytes& after);

// What a run of a road showed its user.
struct RoadOutcome {
    bool succeeded = false; // the road's success was reported
    bool told = false;      // a failure was told (a message, a monitor line)
};

struct SweepRoad {
    // Brings the files and any state back to how they were before the road (before every run).
    std::function<void()> setup;
    // Runs the road.
    std::function<RoadOutcome()> run;
    // Folders whose files must stay byte-identical when the road fails.
    std::vector<std::filesystem::path> kept;
    // After a run that reported success: empty when its result is whole, else what is wrong.
    std::function<std::string()> whole;
    // Errnos tried for a step; empty: those a step commonly gives (SweepErrors).
    std::function<std::vector<int>(platform::FileStep)> errors;
};

struct SweepResult {
    int calls = 0;     // N: seam calls of the road without a fault
    int runs = 0;      // runs with a fault
    int told = 0;      // of them, failures told with nothing lost
    int succeeded = 0; // of them, the road succeeded whole all the same (a fault it may survive)
    std::vector<std::string> faults; // runs that broke the invariant, with the call that failed
    std::string Summary() const;
};

// The errnos a step commonly fails with (EACCES, EIO, EMFILE, ENOSPC, ...).
std::vector<int> SweepErrors(platform::FileStep step);

SweepResult RunFaultSweep(const SweepRoad& road);

} // namespace testsupport
