#pragma once
// Asks the running X server whether a compositing manager owns the _NET_WM_CM_Sn selection.

#include <optional>

namespace tavlets {

// nullopt when the answer cannot be had (not on X11, or the X libraries are not loaded).
std::optional<bool> x11CompositorRunning();

}  // namespace tavlets
