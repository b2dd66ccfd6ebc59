#include "host/clipboard.h"

#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>

void SystemClipboard::clear()
{
    QGuiApplication::clipboard()->clear();
}

bool SystemClipboard::setText(const QString &text)
{
    return offer(text, QClipboard::Clipboard);
}

// The clipboard takes ownership of the data, and gives it back while the system holds it as the
// program's; a refused copy (deleted by Qt on Windows) it does not give back.
bool SystemClipboard::offer(const QString &text, QClipboard::Mode mode)
{
    auto *data = new QMimeData;
    data->setText(text);
    markAsSecret(*data);
    const QPointer<QMimeData> offered(data);
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(data, mode);
    return offered && clipboard->mimeData(mode) == offered;
}
