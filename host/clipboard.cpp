#include "host/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

void SystemClipboard::clear()
{
    QGuiApplication::clipboard()->clear();
}

void SystemClipboard::setText(const QString &text)
{
    auto *data = new QMimeData;
    data->setText(text);
    markAsSecret(*data);
    QGuiApplication::clipboard()->setMimeData(data); // the clipboard takes ownership
}
