#include "host/clipboard.h"

#include <QGuiApplication>
#include <QMimeData>

void SystemClipboard::clear()
{
    QGuiApplication::clipboard()->clear();
}

void SystemClipboard::setText(const QString &text)
{
    offer(text, QClipboard::Clipboard);
}

// The clipboard takes ownership of the data.
void SystemClipboard::offer(const QString &text, QClipboard::Mode mode)
{
    auto *data = new QMimeData;
    data->setText(text);
    markAsSecret(*data);
    QGuiApplication::clipboard()->setMimeData(data, mode);
}
