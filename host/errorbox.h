#ifndef KEYFOLD_ERRORBOX_H
#define KEYFOLD_ERRORBOX_H

class QString;
class QWidget;

// A modal critical-stop message with a single OK button.
class ErrorBox
{
public:
    virtual ~ErrorBox() = default;

    // Returns once the user has dismissed the message.
    virtual void show(QWidget *parent, const QString &text) = 0;
};

// Titled with the application's name, as every message of the program is.
class SystemErrorBox : public ErrorBox
{
public:
    void show(QWidget *parent, const QString &text) override;
};

#endif
