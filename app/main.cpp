#include "host/accessibility.h"
#include "host/announcer.h"
#include "host/clipboard.h"
#include "host/display.h"
#include "host/errorbox.h"
#include "host/process.h"
#include "host/randomsource.h"
#include "window/frmPassword.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    protectProcessMemory();
    // Without a display the toolkit would abort with a page of advice about platform plugins.
    if (!hasDisplayToOpen(argc, argv)) {
        std::fputs("keyfold: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY "
                   "is set)\n",
                   stderr);
        return EXIT_FAILURE;
    }

    QApplication app(argc, argv);
    // The name, not a display name: Qt would append a display name to the window's caption.
    QApplication::setApplicationName(QStringLiteral("Keyfold"));
    QApplication::setApplicationVersion(QStringLiteral(KEYFOLD_VERSION));
    // Also the Wayland app_id, by which docks and compositors match the window to its launcher.
    QGuiApplication::setDesktopFileName(QStringLiteral(KEYFOLD_APP_ID));

    installAccessibleInterfaces();

    SystemRandomSource random;
    SystemClipboard clipboard;
    SystemErrorBox errorBox;
    ScreenReaderAnnouncer announcer;
    frmPassword window({random, clipboard, errorBox, announcer});
    QApplication::setWindowIcon(window.windowIcon());
    window.show();
    const int status = QApplication::exec();
    endAfterEventLoop(status);
    return status;
}
