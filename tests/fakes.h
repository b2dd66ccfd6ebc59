#ifndef KEYFOLD_TESTS_FAKES_H
#define KEYFOLD_TESTS_FAKES_H

#include "host/announcer.h"
#include "host/clipboard.h"
#include "host/errorbox.h"
#include "host/randomsource.h"
#include "window/frmPassword.h"

#include <QList>
#include <QStringList>
#include <QWidget>

#include <exception>

// Yields its values in order, over and over; throws `failure` instead when one is set.
class ScriptedRandomSource : public RandomSource
{
public:
    float draw() override
    {
        if (failure)
            std::rethrow_exception(failure);
        return values.at(draws++ % values.size());
    }

    QList<float> values{0.5f};
    std::exception_ptr failure;
    int draws = 0;
};

// Keeps what the window did to the clipboard; an unavailable one takes nothing, and says so.
class RecordingClipboard : public Clipboard
{
public:
    void clear() override
    {
        if (available)
            calls << QStringLiteral("clear");
    }
    bool setText(const QString &text) override
    {
        if (available)
            calls << QStringLiteral("setText:") + text;
        return available;
    }

    bool available = true;
    QStringList calls;
};

class RecordingErrorBox : public ErrorBox
{
public:
    void show(QWidget * /*parent*/, const QString &text) override { messages << text; }

    QStringList messages;
};

class RecordingAnnouncer : public Announcer
{
public:
    void announce(QObject * /*source*/, const QString &message) override { messages << message; }

    QStringList messages;
};

template <typename Control> Control *control(const QWidget &window, const char *name)
{
    return window.findChild<Control *>(QLatin1String(name));
}

// A window wired to the given services, with its controls found by their names.
template <typename Random, typename ClipboardKind = RecordingClipboard> struct WindowWith
{
    Random random;
    ClipboardKind clipboard;
    RecordingErrorBox errorBox;
    RecordingAnnouncer announcer;
    frmPassword window{{random, clipboard, errorBox, announcer}};

    template <typename Control> Control *control(const char *name)
    {
        return ::control<Control>(window, name);
    }
};

using ScriptedWindow = WindowWith<ScriptedRandomSource>;

#endif
