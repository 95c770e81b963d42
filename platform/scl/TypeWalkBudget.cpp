#include "platform/scl/TypeWalkBudget.h"

#include "platform/Text.h"

#include <algorithm>

namespace platform::scl {

void CTypeWalkBudget::StartFile() {
    path_.clear();
    objectNodes_ = iedNodes_ = iedPoints_ = fileNodes_ = filePoints_ = 0;
    reason_.clear();
}

void CTypeWalkBudget::StartIed() {
    path_.clear();
    objectNodes_ = iedNodes_ = iedPoints_ = 0;
}

bool CTypeWalkBudget::Enter(const CtBase& type) {
    if (Failed())
        return false;
    if (std::find(path_.begin(), path_.end(), type) != path_.end()) {
        Fail(type, "引用自身");
        return false;
    }
    path_.push_back(type);
    return true;
}

void CTypeWalkBudget::Leave() {
    if (!path_.empty())
        path_.pop_back();
}

bool CTypeWalkBudget::CountNode() {
    if (Failed())
        return false;
    const bool inType = !path_.empty();
    if ((inType && ++objectNodes_ > limits_.nodesPerObject) || ++iedNodes_ > limits_.nodesPerIed ||
        ++fileNodes_ > limits_.nodesPerFile) {
        Fail(path_.empty() ? CtBase() : path_.back(), "展开的数据超出上限");
        return false;
    }
    return true;
}

bool CTypeWalkBudget::CountPoint() {
    if (Failed())
        return false;
    if (++iedPoints_ > limits_.pointsPerIed || ++filePoints_ > limits_.pointsPerFile) {
        Fail(path_.empty() ? CtBase() : path_.back(), "展开的数据超出上限");
        return false;
    }
    return true;
}

bool CTypeWalkBudget::ChargeFile(std::uint64_t nodes, std::uint64_t points, const CtBase& type) {
    if (Failed())
        return false;
    fileNodes_ += nodes;
    filePoints_ += points;
    if (fileNodes_ > limits_.nodesPerFile || filePoints_ > limits_.pointsPerFile) {
        Fail(type, "展开的数据超出上限");
        return false;
    }
    return true;
}

void CTypeWalkBudget::Fail(const CtBase& type, const char* what) {
    reason_ = StrFormat("数据类型(%s)%s", type.GetAttrValByName("id").c_str(), what);
}

} // namespace platform::scl
