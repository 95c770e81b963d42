#pragma once
// Bounds the walk of an SCL file's data types (DOType, DAType and their SDO, DA and BDA
// children): a type met again below itself is a loop; every data object of a logical-node type
// has a budget of walked nodes, every IED one of walked nodes and of points made, and the whole
// file one of each that grows with the elements the file declares (its IEDs, types and instances,
// not its size: comments and padding justify nothing). A file that breaks any is refused with a
// reason naming what overflowed, the type and the IED where it did; the walkers stop as soon as
// Failed() is true.
#include "platform/scl/CtBase.h"

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace platform::scl {

// The defaults leave real files far inside: a data object expands into tens of attributes and at
// most a few hundred, an IED has up to some tens of thousands of points, and station files hold
// well under one point and one node per element they declare (a real one of 300 MB about 1.3
// million points and 1.7 million nodes from millions of elements). A file's budgets are a base
// that any small file stays within, and so much more per element: many times what station files
// need, far below what a few types that fan out can make of a few elements (a 2 KB file once
// expanded into 65,610 points, one of 18 KB into almost 5 million).
struct TypeWalkLimits {
    std::uint64_t nodesPerObject = 10'000;
    std::uint64_t nodesPerIed = 1'000'000;
    std::uint64_t pointsPerIed = 100'000;
    // Ceilings of any file's budgets.
    std::uint64_t nodesPerFile = 50'000'000;
    std::uint64_t pointsPerFile = 5'000'000;
    // A file's budgets: the base and so much more per element it declares, within the ceilings.
    std::uint64_t nodesBase = 200'000;
    std::uint64_t nodesPerElement = 100;
    std::uint64_t pointsBase = 20'000;
    std::uint64_t pointsPerElement = 10;
    // The elements declared that the file's budgets are for (0 while they are the ceilings).
    std::uint64_t elements = 0;

    // These limits for a file that declares this many elements (DeclaredElements).
    TypeWalkLimits ForElements(std::uint64_t declared) const;
    // The budgets in force: the file's those its elements justify within the ceilings, and an
    // IED's no larger than the file's.
    std::uint64_t FileNodes() const;
    std::uint64_t FilePoints() const;
    std::uint64_t IedNodes() const;
    std::uint64_t IedPoints() const;
};

// The elements of element and below it that a file's budgets are for: IEDs, logical devices and
// nodes, the instances of data (DOI, SDI, DAI), and the types with their children (LNodeType,
// DOType, DAType, DO, SDO, DA, BDA). The SCD import and the CID extraction both weigh a file so.
std::uint64_t DeclaredElements(const CtBase& element);

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
// budget is spent by all of them, so that the IEDs walked ahead of the ones taken hold no more
// than one file's budget. Threads add what they counted a batch at a time, and the elements that
// the types and each IED they start declare, which that budget is for.
struct CWalkBrake {
    std::atomic<std::uint64_t> nodes{0}, points{0}, elements{0};
};

class CTypeWalkBudget {
public:
    // What overflowed, when the walk failed.
    enum class Overflow { None, Loop, ObjectNodes, IedNodes, IedPoints, FileNodes, FilePoints };

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
    std::uint64_t objectNodes_ = 0, iedNodes_ = 0, iedPoints_ = 0, fileNodes_ = 0, filePoints_ = 0;
    Overflow overflow_ = Overflow::None;
    std::string typeId_; // the type where the walk failed
    CWalkBrake* brake_ = nullptr;
    std::uint64_t unbrakedNodes_ = 0, unbrakedPoints_ = 0; // counted, not yet added to the brake
};

} // namespace platform::scl
