#include "editors/RegisterViews.h"

// Boards, ports, port configurations and the unit.
void RegisterPortViews() {}
