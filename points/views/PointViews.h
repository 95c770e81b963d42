#pragma once

namespace points {

// Plugs the point configuration into the main tool: the point views into the project frame's
// view registry and the Excel writer into the project tree's point export.

// Registers the all-points view, the device point view and the virtual point view, and the
// workbook of the point export.
void RegisterPointViews();

} // namespace points
