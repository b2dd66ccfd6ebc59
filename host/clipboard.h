#ifndef KEYFOLD_CLIPBOARD_H
#define KEYFOLD_CLIPBOARD_H

class QMimeData;
class QString;

// The system clipboard, as far as the program writes to it. Every text is given with the marks
// by which the platform's clipboard managers keep a copied secret out of their history.
class Clipboard
{
public:
    virtual ~Clipboard() = default;

    virtual void clear() = 0;
    virtual void setText(const QString &text) = 0;
    // The selection that a middle click pastes, where the system has one (X11, Wayland).
    virtual void setSelection(const QString &text) = 0;
};

class SystemClipboard : public Clipboard
{
public:
    void clear() override;
    void setText(const QString &text) override;
    void setSelection(const QString &text) override;
};

// Adds, beside the text, the marks of the platform (clipboard_unix.cpp, clipboard_win.cpp).
void markAsSecret(QMimeData &data);

#endif
