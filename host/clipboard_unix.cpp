#include "host/clipboard.h"

#include <QMimeData>

// The mark that KDE's Klipper and other X11 and Wayland clipboard managers honour.
void markAsSecret(QMimeData &data)
{
    data.setData(QStringLiteral("x-kde-passwordManagerHint"), "secret");
}
