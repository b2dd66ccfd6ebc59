#include "host/display.h"

#include <QString>

#include <cstring>

bool hasDisplayToOpen(int argc, const char *const argv[])
{
    for (int index = 1; index < argc; ++index) {
        if (std::strcmp(argv[index], "-platform") == 0 ||
            std::strcmp(argv[index], "--platform") == 0)
            return true;
    }
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
}
