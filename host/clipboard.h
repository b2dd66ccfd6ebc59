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
    // False where the system tells that the copy did not take (another program's later copy
    // holds the clipboard); where it cannot tell, true.
    virtual bool setText(const QString &text) = 0;
};

// Where the system tells at once of a text that the toolkit put on the clipboard or the selection
// itself (a line edit's selection, an assistive tool's copy through the accessibility bus), the
// text is given again, marked, before any other program can read it (clipboard_unix.cpp,
// clipboard_win.cpp). Only the program's own copies: another program's is never touched.
class SystemClipboard : public Clipboard
{
public:
    SystemClipboard();

    void clear() override;
    bool setText(const QString &text) override;

private:
    static bool offer(const QString &text, QClipboard::Mode mode);
};

// Adds, beside the text, the marks of the platform.
void markAsSecret(QMimeData &data);

#endif
