#include "host/clipboard.h"
#include "host/errorbox.h"
#include "host/randomsource.h"
#include "window/frmPassword.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The name, not a display name: Qt would append a display name to the window's caption.
    QApplication::setApplicationName(QStringLiteral("Keyfold"));
    QApplication::setApplicationVersion(QStringLiteral(KEYFOLD_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("keyfold"));

    SystemRandomSource random;
    SystemClipboard clipboard;
    SystemErrorBox errorBox;
    frmPassword window({random, clipboard, errorBox});
    QApplication::setWindowIcon(window.windowIcon());
    window.show();
    return QApplication::exec();
}
