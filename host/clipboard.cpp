#include "host/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {
// The clipboard takes ownership of the data.
void offer(const QString &text, QClipboard::Mode mode)
{
    auto *data = new QMimeData;
    data->setText(text);
    markAsSecret(*data);
    QGuiApplication::clipboard()->setMimeData(data, mode);
}
} // namespace

void SystemClipboard::clear()
{
    QGuiApplication::clipboard()->clear();
}

void SystemClipboard::setText(const QString &text)
{
    offer(text, QClipboard::Clipboard);
}

void SystemClipboard::setSelection(const QString &text)
{
    if (QGuiApplication::clipboard()->supportsSelection())
        offer(text, QClipboard::Selection);
}
