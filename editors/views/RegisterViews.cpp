#include "editors/views/RegisterViews.h"

void RegisterEditorViews() {
    RegisterPortViews();
    RegisterDeviceViews();
}
