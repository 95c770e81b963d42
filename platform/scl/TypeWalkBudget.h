#pragma once
// Bounds the walk of an SCL file's data types (DOType, DAType and their SDO, DA and BDA
// children): a type met again below itself is a loop; every data object of a logical-node type
// has a budget of walked nodes, and every IED and the whole file one of walked nodes and of
// points made. A file that breaks any is refused with a reason naming the type; the walkers stop
// as soon as Failed() is true.
#include "platform/scl/CtBase.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform::scl {

// The defaults leave real files far inside: a data object expands into tens of attributes and at
// most a few hundred, an IED has up to some tens of thousands of points, and a station file of
// 300 MB about 1.3 million points and 1.7 million nodes. A type that fans out (three children
// of the next type, twelve levels deep) ends at the data object's budget after a few thousand
// nodes; many such objects end at the IED's, in well under a second and 100 MB.
struct TypeWalkLimits {
    std::uint64_t nodesPerObject = 10'000;
    std::uint64_t nodesPerIed = 1'000'000;
    std::uint64_t pointsPerIed = 100'000;
    std::uint64_t nodesPerFile = 50'000'000;
    std::uint64_t pointsPerFile = 5'000'000;
};

class CTypeWalkBudget {
public:
    explicit CTypeWalkBudget(TypeWalkLimits limits = {}) : limits_(limits) {}

    void SetLimits(const TypeWalkLimits& limits) { limits_ = limits; }
    // A new file: every count and the failure are reset.
    void StartFile();
    // A new IED: the per-IED counts start again.
    void StartIed();
    // The walk of a new data object of a logical-node type: its node count starts again.
    void StartObject() { objectNodes_ = 0; }

    // Enters a type below the ones entered and not left; false (and the walk fails) when the
    // type is already on that path.
    bool Enter(const CtBase& type);
    void Leave();

    // One more child walked, or one more point made, inside the innermost entered type; false
    // (and the walk fails) once a budget is spent. Nodes counted while no type is entered (the
    // leaves of a walk already made, used again) count for the IED and the file only.
    bool CountNode();
    bool CountPoint();

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
    // Adds nodes and points counted elsewhere (another thread's walk of an IED or of a type) to the
    // file's counts only; false (and the walk fails, naming type) once the file's budget is spent.
    bool ChargeFile(std::uint64_t nodes, std::uint64_t points, const CtBase& type);
    // Fails with a reason found elsewhere.
    void FailWith(std::string reason) { reason_ = std::move(reason); }

    bool Failed() const { return !reason_.empty(); }
    // Why the walk failed ("数据类型(id)引用自身" or "数据类型(id)展开的数据超出上限"); empty while it
    // has not.
    const std::string& Reason() const { return reason_; }

private:
    void Fail(const CtBase& type, const char* what);

    TypeWalkLimits limits_;
    std::vector<CtBase> path_;
    std::uint64_t objectNodes_ = 0, iedNodes_ = 0, iedPoints_ = 0, fileNodes_ = 0, filePoints_ = 0;
    std::string reason_;
};

} // namespace platform::scl
