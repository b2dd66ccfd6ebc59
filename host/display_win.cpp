#include "host/display.h"

// Windows always has a desktop to open the window on.
bool hasDisplayToOpen(int, const char *const[])
{
    return true;
}
