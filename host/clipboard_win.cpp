#include "host/clipboard.h"

#include <QMimeData>
#include <QtGlobal>

namespace {
// The MIME type under which Qt writes the Windows clipboard format of that name. Qt 6.4 registers
// a format under the whole MIME type it is given, and understands the documented
// application/x-qt-windows-mime;value="..." form only when reading, so the bare name is given
// there; remove that branch with Qt 6.4.
QString windowsFormat(const char *name)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    return QString::fromLatin1(name);
#else
    return QStringLiteral("application/x-qt-windows-mime;value=\"%1\"").arg(QLatin1String(name));
#endif
}
} // namespace

// The formats by which Windows keeps the text out of the clipboard history (Win+V), the cloud
// clipboard and clipboard monitors, and the older one that third-party clipboard managers (Ditto,
// CopyQ) check to skip a copy.
void markAsSecret(QMimeData &data)
{
    const QByteArray no(4, '\0'); // a 32-bit zero; the first and last count by their presence alone
    for (const char *name :
         {"ExcludeClipboardContentFromMonitorProcessing", "CanIncludeInClipboardHistory",
          "CanUploadToCloudClipboard", "Clipboard Viewer Ignore"})
        data.setData(windowsFormat(name), no);
}

// Windows hands a copy to other programs as soon as it is made, and tells Qt of it only later:
// the program marks its copies where it makes them (window/passwordbox.cpp), and Windows'
// accessibility bridge has no copy of its own to mark.
SystemClipboard::SystemClipboard() = default;
