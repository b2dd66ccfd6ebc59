#include "host/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

void SystemClipboard::clear()
{
    QGuiApplication::clipboard()->clear();
}

void SystemClipboard::setText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}
