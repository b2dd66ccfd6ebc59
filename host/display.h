#ifndef KEYFOLD_DISPLAY_H
#define KEYFOLD_DISPLAY_H

// Whether the toolkit has a display to open the window on: on Windows always; elsewhere an X11 or
// Wayland session, or a platform chosen explicitly (-platform, QT_QPA_PLATFORM), which is left to
// the toolkit.
bool hasDisplayToOpen(int argc, const char *const argv[]);

#endif
