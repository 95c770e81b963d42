#include "projectmodel/BaseDoc.h"

#include "platform/Text.h"

namespace projectmodel {

std::string CBaseDoc::TrimCopy(const std::string& text) {
    return platform::Trim(text);
}

} // namespace projectmodel
