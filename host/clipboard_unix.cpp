#include "host/clipboard.h"

#include <QGuiApplication>
#include <QMimeData>

namespace {
// The mark that KDE's Klipper and other X11 and Wayland clipboard managers honour.
const QString secretHint = QStringLiteral("x-kde-passwordManagerHint");
} // namespace

void markAsSecret(QMimeData &data)
{
    data.setData(secretHint, "secret");
}

// Qt's X11 and Wayland clipboards report a new text from inside setMimeData, and other programs
// can only ask for it from the event loop, which has not run since: an unmarked text of the
// program's own is replaced there by a marked one. Others' texts, and marked ones, stay.
SystemClipboard::SystemClipboard()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    QObject::connect(
        clipboard, &QClipboard::changed, clipboard, [clipboard](QClipboard::Mode mode) {
            const bool own = mode == QClipboard::Selection ? clipboard->ownsSelection()
                                                           : clipboard->ownsClipboard();
            const QMimeData *data = clipboard->mimeData(mode);
            if (own && data && data->hasText() && !data->hasFormat(secretHint))
                offer(data->text(), mode);
        });
}
