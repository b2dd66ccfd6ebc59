#ifndef KEYFOLD_ANNOUNCER_H
#define KEYFOLD_ANNOUNCER_H

class QObject;
class QString;

// Tells a screen reader what the program just did, politely (after what it is saying) and without
// moving the focus.
class Announcer
{
public:
    virtual ~Announcer() = default;

    virtual void announce(QObject *source, const QString &message) = 0;
};

// Through the platform's accessibility bridge: AT-SPI on Linux, UI Automation on Windows. Qt
// before 6.8 has no announcements, and there this says nothing.
class ScreenReaderAnnouncer : public Announcer
{
public:
    void announce(QObject *source, const QString &message) override;
};

#endif
