#pragma once
// The main tool's project document: the project model's document under the name the shell's
// holder of pointers and the project commands use for it.
#include "projectmodel/ConfigDoc.h"

namespace qxm7740 {

class CConfigDoc : public projectmodel::CConfigDoc {
public:
    CConfigDoc() = default;
};

} // namespace qxm7740
