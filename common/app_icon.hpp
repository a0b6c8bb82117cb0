#pragma once

class QGuiApplication;

namespace glifora {

// Gives every window of the program Glifora's icon, at each size the build
// drew from data/glifora.svg, and names the desktop entry glifora.desktop,
// through which the desktops that take a window's icon from its entry
// (Wayland's) find the same icon.
void setApplicationIcon(QGuiApplication& app);

} // namespace glifora
