#ifndef KEYFOLD_PASSWORDBOX_H
#define KEYFOLD_PASSWORDBOX_H

#include <QLineEdit>

class Clipboard;

// The password box: an editable line whose every copy of its text, by key, by its context menu or
// by selecting it, goes to the program's clipboard with the platform's marks, never to the
// toolkit's unmarked one. Dragging its text out stays off, as in every line edit.
class PasswordBox : public QLineEdit
{
    Q_OBJECT

public:
    PasswordBox(const QString &text, Clipboard &clipboard, QWidget *parent);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void copySelected();
    void cutSelected();
    void offerSelection();

    Clipboard &clipboard;
};

#endif
