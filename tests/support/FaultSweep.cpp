#include "tests/support/FaultSweep.h"

#include "tests/support/TestFiles.h"

#include <cerrno>
#include <cstring>
#include <sstream>

namespace fs = std::filesystem;

namespace testsupport {

TreeBytes SnapshotTree(const fs::path& folder) {
    TreeBytes tree;
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return tree;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().lexically_relative(folder).generic_string();
        if (it->is_directory(ec))
            tree[name + "/"];
        else
            tree[name] = ReadBytes(it->path());
    }
    return tree;
}

void RestoreTree(const fs::path& folder, const TreeBytes& tree) {
    std::error_code ec;
    // Modes a road or a test changed are put back so that everything can be removed.
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(folder, ec);
    fs::create_directories(folder, ec);
    for (const auto& [name, bytes] : tree) {
        if (!name.empty() && name.back() == '/')
            fs::create_directories(folder / name, ec);
        else
            WriteBytes(folder / name, bytes);
    }
}

std::vector<std::string> LostFiles(const TreeBytes& before, const TreeBytes& after) {
    std::vector<std::string> lost;
    for (const auto& [name, bytes] : before) {
        const auto it = after.find(name);
        if (it == after.end())
            lost.push_back(name + ": missing");
        else if (it->second != bytes)
            lost.push_back(name + ": changed");
    }
    return lost;
}

std::vector<int> SweepErrors(platform::FileStep step) {
    using platform::FileStep;
    switch (step) {
    case FileStep::Open:
        return {EACCES, EIO, EMFILE};
    case FileStep::Write:
        return {ENOSPC, EIO};
    case FileStep::Read:
    case FileStep::Sync:
    case FileStep::Link:
        return {EIO};
    case FileStep::Copy:
        return {EIO, ENOSPC};
    case FileStep::Rename:
    case FileStep::Remove:
    case FileStep::Stat:
        return {EACCES, EIO};
    case FileStep::Exchange:
        return {EIO, EINVAL};
    case FileStep::List:
        return {EACCES, EMFILE, EIO};
    case FileStep::Chmod:
        return {EPERM};
    case FileStep::Lock:
        return {EWOULDBLOCK, EIO};
    }
    return {EIO};
}

std::string SweepResult::Summary() const {
    std::ostringstream out;
    out << "N=" << calls << " runs=" << runs << " told=" << told << " succeeded=" << succeeded
        << " faults=" << faults.size();
    return out.str();
}

SweepResult RunFaultSweep(const SweepRoad& road) {
    SweepResult result;
    std::vector<platform::CFileFaults::Call> calls;
    std::vector<TreeBytes> before(road.kept.size());
    auto prepare = [&] {
        if (road.setup)
            road.setup();
        for (std::size_t i = 0; i < road.kept.size(); ++i)
            before[i] = SnapshotTree(road.kept[i]);
    };
    {
        prepare();
        platform::CFileFaults counting;
        const RoadOutcome outcome = road.run();
        calls = counting.Log();
        if (!outcome.succeeded)
            result.faults.push_back("the road fails without a fault");
    }
    result.calls = static_cast<int>(calls.size());
    for (int k = 1; k <= result.calls; ++k) {
        const platform::CFileFaults::Call& call = calls[static_cast<std::size_t>(k - 1)];
        const std::vector<int> errors = road.errors ? road.errors(call.step) : SweepErrors(call.step);
        for (int error : errors) {
            prepare();
            RoadOutcome outcome;
            int failed = 0;
            {
                platform::CFileFaults faults;
                faults.FailNthCall(k, error);
                outcome = road.run();
                failed = faults.TotalFailed();
            }
            ++result.runs;
            std::ostringstream what;
            what << "call " << k << " (" << platform::FileStepName(call.step) << " " << call.path.string()
                 << ", " << std::strerror(error) << "): ";
            if (failed == 0) {
                // The road took another way before call k: nothing was failed, nothing to check.
                ++result.succeeded;
                continue;
            }
            if (outcome.succeeded) {
                const std::string broken = road.whole ? road.whole() : std::string();
                if (broken.empty())
                    ++result.succeeded;
                else
                    result.faults.push_back(what.str() + "success, but " + broken);
                continue;
            }
            std::vector<std::string> lost;
            for (std::size_t i = 0; i < road.kept.size(); ++i)
                for (const std::string& name : LostFiles(before[i], SnapshotTree(road.kept[i])))
                    lost.push_back((road.kept[i] / name).string());
            if (!outcome.told)
                result.faults.push_back(what.str() + "failed without a word");
            else if (!lost.empty())
                result.faults.push_back(what.str() + "told, but lost " + lost.front());
            else
                ++result.told;
        }
    }
    return result;
}

} // namespace testsupport
