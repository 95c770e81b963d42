#include "iedinterface/model/CidPoint.h"

#include "platform/Text.h"

namespace iedinterface {

void CCidPointList::Add(CCidPoint point) {
    index_.emplace(platform::ToLowerAscii(point.Reference), points_.size());
    points_.push_back(std::move(point));
}

void CCidPointList::Clear() {
    points_.clear();
    index_.clear();
}

CCidPoint* CCidPointList::Find(std::string_view reference) {
    auto it = index_.find(platform::ToLowerAscii(reference));
    return it == index_.end() ? nullptr : &points_[it->second];
}

const CCidPoint* CCidPointList::Find(std::string_view reference) const {
    return const_cast<CCidPointList*>(this)->Find(reference);
}

} // namespace iedinterface
