#include "host/clipboard.h"

#include <QGuiApplication>
#include <QMimeData>
#include <QScopedValueRollback>

namespace {
// The mark that KDE's Klipper and other X11 and Wayland clipboard managers honour.
const QString secretHint = QStringLiteral("x-kde-passwordManagerHint");

// An unmarked text that the program, or the toolkit for it, put there and the system still holds
// as the program's. Another program's copy, and one of the program's that the system refused, Qt
// reads through an object of its own platform's class (QXcbClipboardMime, QWaylandMimeData).
bool isOwnUnmarkedText(const QMimeData *data)
{
    return data && data->metaObject() == &QMimeData::staticMetaObject && data->hasText() &&
           !data->hasFormat(secretHint);
}
} // namespace

void markAsSecret(QMimeData &data)
{
    data.setData(secretHint, "secret");
}

// Qt's X11 and Wayland clipboards report a new text from inside setMimeData, and other programs
// can only ask for it from the event loop, which has not run since: an unmarked text of the
// program's own is replaced there by a marked one, once. What the offer itself reports (the marked
// copy, or another program's that kept the clipboard) is left alone.
SystemClipboard::SystemClipboard()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    QObject::connect(clipboard, &QClipboard::changed, clipboard,
                     [clipboard](QClipboard::Mode mode) {
                         static bool offering = false;
                         if (offering)
                             return;
                         const QMimeData *data = clipboard->mimeData(mode);
                         if (!isOwnUnmarkedText(data))
                             return;
                         const QScopedValueRollback<bool> once(offering, true);
                         offer(data->text(), mode);
                     });
}
