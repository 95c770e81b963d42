#include "editors/RegisterViews.h"

// Time sources, devices, project properties, voltage levels and primary equipment.
void RegisterDeviceViews() {}
