#ifndef KEYFOLD_CLIPBOARD_H
#define KEYFOLD_CLIPBOARD_H

#include <QClipboard>

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
};

// Where the system tells at once of a text that the toolkit put on the clipboard or the selection
// itself (a line edit's selection, an assistive tool's copy through the accessibility bus), the
// text is given again, marked, before any other program can read it (clipboard_unix.cpp,
// clipboard_win.cpp).
class SystemClipboard : public Clipboard
{
public:
    SystemClipboard();

    void clear() override;
    void setText(const QString &text) override;

private:
    static void offer(const QString &text, QClipboard::Mode mode);
};

// Adds, beside the text, the marks of the platform.
void markAsSecret(QMimeData &data);

#endif
