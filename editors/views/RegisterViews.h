#pragma once

namespace editors {

// Registers every editing view of the project structure editors with CEditorViewRegistry; the
// program calls it once at start-up.
void RegisterEditorViews();

// The two families of views register themselves here.
void RegisterPortViews();
void RegisterDeviceViews();

} // namespace editors
