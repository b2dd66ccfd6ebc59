#include "host/announcer.h"

#include <QAccessible>

void ScreenReaderAnnouncer::announce([[maybe_unused]] QObject *source,
                                     [[maybe_unused]] const QString &message)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent event(source, message);
    event.setPoliteness(QAccessible::AnnouncementPoliteness::Polite);
    QAccessible::updateAccessibility(&event);
#endif
}
