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
    const QByteArray no(4, '\0'); // a 32-bit zero
    const QString format = QStringLiteral("application/x-qt-windows-mime;value=\"%1\"");
    data.setData(format.arg(QLatin1String("ExcludeClipboardContentFromMonitorProcessing")), no);
    data.setData(format.arg(QLatin1String("CanIncludeInClipboardHistory")), no);
    data.setData(format.arg(QLatin1String("CanUploadToCloudClipboard")), no);
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
