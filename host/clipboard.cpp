#include "host/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {
// Besides the plain text, the marks that clipboard managers honour to keep a copied secret out of
// their history.
void markAsSecret(QMimeData &data)
{
#if defined(Q_OS_MACOS)
    data.setData(QStringLiteral("application/x-nspasteboard-concealed-type"), "secret");
#elif defined(Q_OS_WIN)
    // Windows honours these formats by their bare names. Qt 6.4 registers a format that it writes
    // under the whole MIME type it is given (the application/x-qt-windows-mime;value="..." form is
    // only understood when reading), so the names go in as they are. Revisit if a later Qt
    // writes that form under its value.
    const QByteArray no(4, '\0'); // a 32-bit zero; the first format counts by its presence alone
    data.setData(QStringLiteral("ExcludeClipboardContentFromMonitorProcessing"), no);
    data.setData(QStringLiteral("CanIncludeInClipboardHistory"), no);
    data.setData(QStringLiteral("CanUploadToCloudClipboard"), no);
#else
    data.setData(QStringLiteral("x-kde-passwordManagerHint"), "secret");
#endif
}
} // namespace

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
