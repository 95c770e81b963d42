#include "editors/RegisterViews.h"

void RegisterEditorViews() {
    RegisterPortViews();
    RegisterDeviceViews();
}
