#pragma once
// Bounds the walk of an SCL file's data types (DOType, DAType and their SDO, DA and BDA
// children): a type met again below itself is a loop; every data object of a logical-node type
// has a ceiling of walked nodes, every IED one of walked nodes and of points made, and the whole
// file one of each and of IEDs. The ceilings are absolute: what a file declares or how it is
// ordered neither raises nor lowers them, and only what is walked for the points it makes is
// counted (a declaration no walk reaches costs nothing and buys nothing). A file that breaks any
// is refused with a reason naming what overflowed, the ceiling, the type and the IED where it
// did; the walkers stop as soon as Failed() is true.
#include "platform/scl/CtBase.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace platform::scl {

// The ceilings, set above the largest real stations: a few hundred IEDs in a file of up to
// 300 MB, with about 1.3 million points and 1.7 million walked nodes. A data object expands into
// tens of attributes and at most a few hundred; an IED's points are bounded anyway by its group
// numbers (254 groups of 200). What they imply: a point counts at least once, and once more for
// every kBytesPerPoint bytes of its texts, so a file within them makes at most 2 million points.
// The import keeps about 230 to 300 bytes per point (the device models' entries: at most 600 MB),
// and the walks hold about 0.5 KB per point of the IEDs they walk, at most twice
// CWalkBrake::kHeldCeiling and one IED's ceiling of points at once (about 100 MB); the cache takes
// about 100 bytes per point (200 MB), and reading it back holds the models alone. Nodes are walked
// at most 10 million times (about a second), and every IED adds a model of a few KB. A file beyond
// any is refused as soon as the walk reaches the ceiling.
struct TypeWalkLimits {
    std::uint64_t nodesPerObject = 10'000;
    std::uint64_t nodesPerIed = 1'000'000;
    // Above the 50,800 points the group numbers of one IED can hold, with room for points that
    // no group takes.
    std::uint64_t pointsPerIed = 60'000;
    std::uint64_t nodesPerFile = 10'000'000;
    std::uint64_t pointsPerFile = 2'000'000;
    std::uint64_t iedsPerFile = 20'000;

    // An IED's ceilings, no larger than the file's.
    std::uint64_t IedNodes() const;
    std::uint64_t IedPoints() const;
};

// A node of a path of up to this many bytes, and a point of a reference of up to this many, count
// as one; longer ones as one more for each such length. The paths and references of station files
// are far shorter, so that only names made long to fill memory weigh more.
// A point weighs what every text it carries (reference, description, names, CDC, ctlModel, ...)
// adds up to, since the point, the device model built from it and the cache file each hold them:
// one SCD point and one CID point are weighed by the same rule.
constexpr std::size_t kBytesPerNode = 128;
constexpr std::size_t kBytesPerPoint = 256;
std::uint64_t NodeWeight(std::size_t pathBytes);
std::uint64_t PointWeight(std::size_t referenceBytes);
std::size_t TextBytes(std::initializer_list<std::string_view> texts);

// What several threads walking one file have counted together: a walk stops once the file's
// ceiling is reached by all of them, so that the IEDs walked ahead of the ones taken hold no more
// than one file's worth. Threads add what they counted a batch at a time. The first IED (in file
// order) known to have failed stops the walks of the IEDs after it: the file is refused for it
// whatever they hold.
//
// It also bounds what the walks in progress hold together: each walking thread holds the parsed
// tree of the IED it walks and its points until their device model is built, so that eight threads
// at once on IEDs of tens of thousands of points each would hold several hundred MB for a file of a
// few KB, and on IEDs of millions of elements a GB. A tree weighs as its elements' memory does (as
// many points as take as much). A walk whose points, with those of the walks in progress before it
// in file order, weigh
// more than kHeldCeiling, or while all walks hold more than twice that, waits until others let
// theirs go. The walk of the first IED in file order among them never waits, so the import always
// goes on; all walks together hold at most twice the ceiling, that first IED's tree and points and
// a batch of points per thread.
struct CWalkBrake {
    // About 30 MB of points being walked: far above what the walking threads of a real station hold
    // at once (IEDs of hundreds or a few thousand points), so that only files of huge IEDs wait.
    static constexpr std::uint64_t kHeldCeiling = 64 * 1024;

    std::atomic<std::uint64_t> nodes{0}, points{0};
    std::atomic<std::uint64_t> firstFailed{UINT64_MAX};
    // IED order failed: the walks of the IEDs after it stop.
    void Failed(std::uint64_t order);

    // The walk of IED order (from 1) starts, and ends once its points are let go.
    void Begin(std::uint64_t order);
    void End(std::uint64_t order);
    // The walk of IED order made points of this weight; waits while the walks in progress hold
    // more than the ceiling, unless it is the first of them in file order, an IED before it has
    // failed, or the walks were stopped. False when the walk is to stop: the walks were stopped or
    // an IED before it failed.
    bool Hold(std::uint64_t order, std::uint64_t weight);
    // As Hold, for what the walk of IED order is about to make (the tree of the IED): it waits
    // until the weight fits beside what the others hold, then holds it.
    bool Reserve(std::uint64_t order, std::uint64_t weight);
    // No walk waits any more (the file is given up).
    void Stop();
    // What the walks in progress hold now, and the most they held at once.
    std::uint64_t Held() const;
    std::uint64_t MostHeld() const;
    void SetHeldCeiling(std::uint64_t ceiling);

private:
    // Adds weight to what IED order holds, before or after waiting for room.
    bool Add(std::uint64_t order, std::uint64_t weight, bool first);

    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::map<std::uint64_t, std::uint64_t> inProgress_; // order -> weight held
    std::uint64_t held_ = 0, mostHeld_ = 0;
    std::uint64_t ceiling_ = kHeldCeiling;
    bool stopped_ = false;
};

class CTypeWalkBudget {
public:
    // What overflowed, when the walk failed.
    // Stopped: an IED before this one failed, and the file is refused for that one.
    enum class Overflow {
        None,
        Loop,
        ObjectNodes,
        IedNodes,
        IedPoints,
        FileNodes,
        FilePoints,
        FileIeds,
        Stopped
    };

    explicit CTypeWalkBudget(TypeWalkLimits limits = {}) : limits_(limits) {}

    void SetLimits(const TypeWalkLimits& limits) { limits_ = limits; }
    const TypeWalkLimits& Limits() const { return limits_; }
    // A new file: every count and the failure are reset.
    void StartFile();
    // A new IED: the per-IED counts start again. A named IED is named in the reason.
    void StartIed(std::string name = {});
    // The walk of a new data object of a logical-node type: its node count starts again.
    void StartObject() { objectNodes_ = 0; }
    // Counts also go to brake, shared with other walks of the file; the walk fails once the
    // brake's counts are beyond the file's budget. Null: no brake.
    void SetBrake(CWalkBrake* brake) { brake_ = brake; }
    // The place in the file of the IED walked, for the brake (0, the default, is never stopped).
    void SetOrder(std::uint64_t order) { order_ = order; }

    // Enters a type below the ones entered and not left; false (and the walk fails) when the
    // type is already on that path.
    bool Enter(const CtBase& type);
    void Leave();

    // One more child walked, or one more point made, inside the innermost entered type; false
    // (and the walk fails) once a budget is spent. Nodes counted while no type is entered (the
    // leaves of a walk already made, used again) count for the IED and the file only. A node
    // whose path (or a point whose reference) is long counts as several (NodeWeight,
    // PointWeight): what a walk holds grows with the length of the texts it builds too.
    bool CountNode(std::size_t pathBytes = 0);
    bool CountPoint(std::size_t referenceBytes = 0);
    // A point weighed by every text it carries.
    bool CountPoint(std::initializer_list<std::string_view> texts) { return CountPoint(TextBytes(texts)); }

    // False (and the walk fails) when this many more points would break a ceiling; they are not
    // counted: a walk that knows it will make them fails before making any.
    bool Reserve(std::uint64_t points);
    // The points that may still be made within the ceilings.
    std::uint64_t PointRoom() const;

    // Enter for the lifetime of a scope: Leave runs when an Enter that succeeded goes out of scope.
    class Scope {
    public:
        Scope(CTypeWalkBudget& budget, const CtBase& type) : budget_(budget), entered_(budget.Enter(type)) {}
        ~Scope() {
            if (entered_)
                budget_.Leave();
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        explicit operator bool() const { return entered_; }

    private:
        CTypeWalkBudget& budget_;
        bool entered_;
    };

    // What was counted since the file started: the nodes and the points.
    std::uint64_t NodesCounted() const { return fileNodes_; }
    std::uint64_t PointsCounted() const { return filePoints_; }
    // Adds nodes and points counted elsewhere (another thread's walk of the IED named, or of a
    // type) to the file's counts only; false (and the walk fails, naming the IED) once the file's
    // budget is spent.
    bool ChargeFile(std::uint64_t nodes, std::uint64_t points, const std::string& ied);
    // Fails as another walk did (the walk of a type this IED uses); the reason names this IED.
    void FailAs(const CTypeWalkBudget& other);
    // One more IED filed, the one named; false (and the walk fails) beyond the file's ceiling.
    bool CountIed(const std::string& ied);

    bool Failed() const { return overflow_ != Overflow::None; }
    Overflow What() const { return overflow_; }
    // Why the walk failed: what overflowed, the type where it did ("数据类型(id)引用自身",
    // "数据类型(id)展开的数据超出上限(...)"), after the IED's name when one is known; empty while
    // the walk has not failed.
    std::string Reason() const;

private:
    // The type named is the one given, or the innermost entered.
    void Fail(Overflow what, const CtBase* type = nullptr);
    bool Brake();

    TypeWalkLimits limits_;
    std::vector<CtBase> path_;
    std::string ied_;
    std::uint64_t objectNodes_ = 0, iedNodes_ = 0, iedPoints_ = 0, fileNodes_ = 0, filePoints_ = 0,
                  fileIeds_ = 0;
    Overflow overflow_ = Overflow::None;
    std::string typeId_; // the type where the walk failed
    CWalkBrake* brake_ = nullptr;
    std::uint64_t order_ = 0;
    std::uint64_t unbrakedNodes_ = 0, unbrakedPoints_ = 0; // counted, not yet added to the brake
};

} // namespace platform::scl
