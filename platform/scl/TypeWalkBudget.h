#pragma once
// Bounds the walk of an SCL file's data types (DOType, DAType and their SDO, DA and BDA
// children): a type met again below itself is a loop, and every IED and the whole file have a
// budget of walked nodes and of points made. A file that breaks either is refused with a reason
// naming the type; the walkers stop as soon as Failed() is true.
#include "platform/scl/CtBase.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform::scl {

struct TypeWalkLimits {
    std::uint64_t nodesPerIed = 5'000'000;
    std::uint64_t pointsPerIed = 500'000;
    std::uint64_t nodesPerFile = 200'000'000;
    std::uint64_t pointsPerFile = 10'000'000;
};

class CTypeWalkBudget {
public:
    explicit CTypeWalkBudget(TypeWalkLimits limits = {}) : limits_(limits) {}

    void SetLimits(const TypeWalkLimits& limits) { limits_ = limits; }
    // A new file: every count and the failure are reset.
    void StartFile();
    // A new IED: the per-IED counts start again.
    void StartIed();

    // Enters a type below the ones entered and not left; false (and the walk fails) when the
    // type is already on that path.
    bool Enter(const CtBase& type);
    void Leave();

    // One more child walked, or one more point made, inside the innermost entered type; false
    // (and the walk fails) once a budget is spent.
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

    bool Failed() const { return !reason_.empty(); }
    // Why the walk failed ("数据类型(id)引用自身" or "数据类型(id)展开的数据超出上限"); empty while it
    // has not.
    const std::string& Reason() const { return reason_; }

private:
    void Fail(const CtBase& type, const char* what);

    TypeWalkLimits limits_;
    std::vector<CtBase> path_;
    std::uint64_t iedNodes_ = 0, iedPoints_ = 0, fileNodes_ = 0, filePoints_ = 0;
    std::string reason_;
};

} // namespace platform::scl
