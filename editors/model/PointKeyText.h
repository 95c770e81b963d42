#pragma once
// The text of a point reference in a value cell: "address-group-entry(description)". Every view
// that stores a point reference as an option value writes and reads it through these two.
#include "projectmodel/PointRef.h"

#include <string>
#include <string_view>

namespace projectmodel {
class CProjectModel;
}

namespace editors {

// A point key from a stored value "%d-%d-%d..." (-1 for missing parts).
projectmodel::CPointRef ParsePointKey(std::string_view value);
// "%d-%d-%d(%s)" with the entry's description, or "无效引用" when the document has no such entry
// (or there is no document).
std::string PointKeyText(projectmodel::CProjectModel* doc, const projectmodel::CPointRef& key);

} // namespace editors
