#include "platform/scl/TypeWalkBudget.h"

#include "platform/Text.h"

#include <algorithm>

namespace platform::scl {

namespace {

// Counts are added to a brake this many at a time.
constexpr std::uint64_t kBrakeBatch = 1024;

std::string Count(std::uint64_t n) {
    return std::to_string(n);
}

} // namespace

std::uint64_t TypeWalkLimits::IedNodes() const {
    return std::min(nodesPerIed, nodesPerFile);
}

std::uint64_t TypeWalkLimits::IedPoints() const {
    return std::min(pointsPerIed, pointsPerFile);
}

void CWalkBrake::Failed(std::uint64_t order) {
    std::uint64_t first = firstFailed.load();
    while (order < first && !firstFailed.compare_exchange_weak(first, order)) {
    }
    // Walks waiting after it are stopped: wake them.
    std::lock_guard lock(mutex_);
    released_.notify_all();
}

void CWalkBrake::Begin(std::uint64_t order) {
    std::lock_guard lock(mutex_);
    inProgress_.emplace(order, 0);
}

void CWalkBrake::End(std::uint64_t order) {
    std::lock_guard lock(mutex_);
    const auto it = inProgress_.find(order);
    if (it == inProgress_.end())
        return;
    held_ -= it->second;
    inProgress_.erase(it);
    released_.notify_all();
}

bool CWalkBrake::Hold(std::uint64_t order, std::uint64_t weight) {
    return Add(order, weight, true);
}

bool CWalkBrake::Reserve(std::uint64_t order, std::uint64_t weight) {
    return Add(order, weight, false);
}

bool CWalkBrake::Add(std::uint64_t order, std::uint64_t weight, bool first) {
    std::unique_lock lock(mutex_);
    const auto it = inProgress_.find(order);
    if (it != inProgress_.end()) {
        const auto add = [&] {
            it->second += weight;
            held_ += weight;
            mostHeld_ = std::max(mostHeld_, held_);
        };
        if (first)
            add();
        const std::uint64_t coming = first ? 0 : weight;
        // What the walks up to this one in file order hold: a walk waits for those before it, so
        // that the first ones go on together within the ceiling while those after them wait with
        // the little they made; and for all of them once they hold twice the ceiling.
        const auto heldUpTo = [&] {
            std::uint64_t sum = 0;
            for (auto w = inProgress_.begin(); w != inProgress_.end() && w->first <= order; ++w)
                sum += w->second;
            return sum;
        };
        released_.wait(lock, [&] {
            return stopped_ || inProgress_.begin()->first == order ||
                   firstFailed.load(std::memory_order_relaxed) < order ||
                   (held_ + coming <= 2 * ceiling_ && heldUpTo() + coming <= ceiling_);
        });
        if (!first)
            add();
    }
    return !stopped_ && firstFailed.load(std::memory_order_relaxed) >= order;
}

void CWalkBrake::Stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    released_.notify_all();
}

std::uint64_t CWalkBrake::Held() const {
    std::lock_guard lock(mutex_);
    return held_;
}

std::uint64_t CWalkBrake::MostHeld() const {
    std::lock_guard lock(mutex_);
    return mostHeld_;
}

void CWalkBrake::SetHeldCeiling(std::uint64_t ceiling) {
    std::lock_guard lock(mutex_);
    ceiling_ = ceiling;
    released_.notify_all();
}

void CTypeWalkBudget::StartFile() {
    Brake();
    path_.clear();
    ied_.clear();
    objectNodes_ = iedNodes_ = iedPoints_ = fileNodes_ = filePoints_ = fileIeds_ = 0;
    overflow_ = Overflow::None;
    typeId_.clear();
}

void CTypeWalkBudget::StartIed(std::string name) {
    Brake();
    path_.clear();
    ied_ = std::move(name);
    objectNodes_ = iedNodes_ = iedPoints_ = 0;
}

bool CTypeWalkBudget::Enter(const CtBase& type) {
    if (Failed())
        return false;
    if (std::find(path_.begin(), path_.end(), type) != path_.end()) {
        Fail(Overflow::Loop, &type);
        return false;
    }
    path_.push_back(type);
    return true;
}

void CTypeWalkBudget::Leave() {
    if (!path_.empty())
        path_.pop_back();
}

std::uint64_t NodeWeight(std::size_t pathBytes) {
    return 1 + pathBytes / kBytesPerNode;
}

std::uint64_t PointWeight(std::size_t referenceBytes) {
    return 1 + referenceBytes / kBytesPerPoint;
}

std::size_t TextBytes(std::initializer_list<std::string_view> texts) {
    std::size_t bytes = 0;
    for (const std::string_view text : texts)
        bytes += text.size();
    return bytes;
}

bool CTypeWalkBudget::CountNode(std::size_t pathBytes) {
    if (Failed())
        return false;
    const std::uint64_t weight = NodeWeight(pathBytes);
    const bool inType = !path_.empty();
    if (inType && (objectNodes_ += weight) > limits_.nodesPerObject)
        Fail(Overflow::ObjectNodes);
    else if ((iedNodes_ += weight) > limits_.IedNodes())
        Fail(Overflow::IedNodes);
    else if ((fileNodes_ += weight) > limits_.nodesPerFile)
        Fail(Overflow::FileNodes);
    else if ((unbrakedNodes_ += weight) >= kBrakeBatch)
        return Brake();
    return !Failed();
}

bool CTypeWalkBudget::CountPoint(std::size_t referenceBytes) {
    if (Failed())
        return false;
    const std::uint64_t weight = PointWeight(referenceBytes);
    if ((iedPoints_ += weight) > limits_.IedPoints())
        Fail(Overflow::IedPoints);
    else if ((filePoints_ += weight) > limits_.pointsPerFile)
        Fail(Overflow::FilePoints);
    else if ((unbrakedPoints_ += weight) >= kBrakeBatch)
        return Brake();
    return !Failed();
}

bool CTypeWalkBudget::Reserve(std::uint64_t points) {
    if (Failed())
        return false;
    if (iedPoints_ + points > limits_.IedPoints())
        Fail(Overflow::IedPoints);
    else if (filePoints_ + points > limits_.pointsPerFile)
        Fail(Overflow::FilePoints);
    return !Failed();
}

std::uint64_t CTypeWalkBudget::PointRoom() const {
    const std::uint64_t ied = limits_.IedPoints() > iedPoints_ ? limits_.IedPoints() - iedPoints_ : 0;
    const std::uint64_t file = limits_.pointsPerFile > filePoints_ ? limits_.pointsPerFile - filePoints_ : 0;
    return std::min(ied, file);
}

bool CTypeWalkBudget::Brake() {
    if (!brake_) {
        unbrakedNodes_ = unbrakedPoints_ = 0;
        return true;
    }
    const std::uint64_t nodes = brake_->nodes += unbrakedNodes_;
    const std::uint64_t points = brake_->points += unbrakedPoints_;
    const std::uint64_t made = unbrakedPoints_;
    unbrakedNodes_ = unbrakedPoints_ = 0;
    const bool goOn = !(made && order_) || brake_->Hold(order_, made);
    if (Failed())
        return false;
    if (!goOn || brake_->firstFailed.load(std::memory_order_relaxed) < order_)
        Fail(Overflow::Stopped);
    else if (nodes > limits_.nodesPerFile)
        Fail(Overflow::FileNodes);
    else if (points > limits_.pointsPerFile)
        Fail(Overflow::FilePoints);
    return !Failed();
}

bool CTypeWalkBudget::ChargeFile(std::uint64_t nodes, std::uint64_t points, const std::string& ied) {
    if (Failed())
        return false;
    ied_ = ied;
    fileNodes_ += nodes;
    filePoints_ += points;
    if (fileNodes_ > limits_.nodesPerFile)
        Fail(Overflow::FileNodes);
    else if (filePoints_ > limits_.pointsPerFile)
        Fail(Overflow::FilePoints);
    return !Failed();
}

bool CTypeWalkBudget::CountIed(const std::string& ied) {
    if (Failed())
        return false;
    if (++fileIeds_ > limits_.iedsPerFile) {
        ied_ = ied;
        Fail(Overflow::FileIeds);
    }
    return !Failed();
}

void CTypeWalkBudget::FailAs(const CTypeWalkBudget& other) {
    overflow_ = other.overflow_;
    typeId_ = other.typeId_;
    limits_ = other.limits_;
}

void CTypeWalkBudget::Fail(Overflow what, const CtBase* type) {
    overflow_ = what;
    if (!type && !path_.empty())
        type = &path_.back();
    typeId_ = type ? type->GetAttrValByName("id") : std::string();
    Brake();
}

std::string CTypeWalkBudget::Reason() const {
    std::string where;
    switch (overflow_) {
    case Overflow::None:
        return {};
    case Overflow::FileNodes:
    case Overflow::FilePoints:
    case Overflow::FileIeds:
        // The file's ceiling is reached by all the IEDs up to this one, not by this one alone.
        where = ied_.empty() ? std::string("全文件") : "读到装置(" + ied_ + ")时，全文件";
        break;
    default:
        if (!ied_.empty())
            where = "装置(" + ied_ + ")";
    }
    std::string text = where;
    if (!typeId_.empty())
        text += (where.empty() ? "" : "的") + StrFormat("数据类型(%s)", typeId_.c_str());
    switch (overflow_) {
    case Overflow::None:
        break;
    case Overflow::Loop:
        return text + "引用自身";
    case Overflow::ObjectNodes:
        return text + "展开的数据超出上限(每个数据对象至多" + Count(limits_.nodesPerObject) + "个节点)";
    case Overflow::IedNodes:
        return text + "展开的数据超出上限(每个装置至多" + Count(limits_.IedNodes()) + "个节点)";
    case Overflow::IedPoints:
        return text + (typeId_.empty() && !where.empty() ? "的" : "") + "测点超出上限(每个装置至多" +
               Count(limits_.IedPoints()) + "个)";
    case Overflow::FileNodes:
        return text + "展开的数据超出上限(每个文件至多" + Count(limits_.nodesPerFile) + "个节点)";
    case Overflow::FilePoints:
        return text + (typeId_.empty() ? "的" : "") + "测点超出上限(每个文件至多" +
               Count(limits_.pointsPerFile) + "个)";
    case Overflow::FileIeds:
        return text + "的装置超出上限(每个文件至多" + Count(limits_.iedsPerFile) + "个)";
    case Overflow::Stopped:
        return text + "未读完：前面的装置超出上限";
    }
    return text;
}

} // namespace platform::scl
