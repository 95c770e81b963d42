#include "iedinterface/model/DataSetRefSet.h"

namespace iedinterface {

void CDataSetRefSet::Clear() {
    refs_.clear();
    members_.Clear();
}

void CDataSetRefSet::Add(const std::string& reference) {
    refs_.push_back(reference);
    members_.Add(reference);
}

} // namespace iedinterface
