#include "iedinterface/model/SCDPointRef.h"

namespace iedinterface {

std::string BuildFcdaAttributes(const std::string& reference, const std::string& cdc,
                                const std::string& ctlModel) {
    std::string text = "FCDA=" + reference;
    if (!cdc.empty())
        text += ";CDC=" + cdc;
    if (!ctlModel.empty())
        text += ";ctlModel=" + ctlModel;
    return text;
}

} // namespace iedinterface
