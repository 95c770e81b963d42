#include "iedinterface/model/FieldText.h"

#include "platform/Text.h"
#include "projectmodel/TextHelpers.h"

namespace iedinterface {

void SplitQuoted(std::string_view text, std::vector<std::string>& list, char separator) {
    projectmodel::SplitToStringList(text, list, separator);
}

std::string CleanFieldText(std::string_view text) {
    return platform::Trim(
        projectmodel::ConfigLineSafeText(text, projectmodel::ConfigTextKind::ModelLineText));
}

} // namespace iedinterface
