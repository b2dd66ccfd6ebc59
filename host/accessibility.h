#ifndef KEYFOLD_ACCESSIBILITY_H
#define KEYFOLD_ACCESSIBILITY_H

// Has Qt present the program's frame and combo box to screen readers on Unix (AT-SPI) as what they
// are; on Windows, Qt's own already do. Call once the application object exists, before any
// window is made.
void installAccessibleInterfaces();

#endif
