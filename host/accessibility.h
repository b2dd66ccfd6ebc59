#ifndef KEYFOLD_ACCESSIBILITY_H
#define KEYFOLD_ACCESSIBILITY_H

// Has Qt present the program's frame (AT-SPI and UI Automation) and combo box (AT-SPI; on Windows,
// Qt's own already does) to screen readers as what they are. Call once the application object
// exists, before any window is made.
void installAccessibleInterfaces();

#endif
