#include "editors/views/RegisterViews.h"

namespace editors {

void RegisterEditorViews() {
    RegisterPortViews();
    RegisterDeviceViews();
}

} // namespace editors
