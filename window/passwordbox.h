#ifndef KEYFOLD_PASSWORDBOX_H
#define KEYFOLD_PASSWORDBOX_H

#include <QLineEdit>

class Clipboard;
class QAction;
class QMenu;

// The password box: an editable line whose copies of its text, by key or by its context menu, go
// to the program's clipboard with the platform's marks, never to the toolkit's unmarked one; input
// methods are told that its text is sensitive. Dragging its text out stays off, as in every line
// edit.
class PasswordBox : public QLineEdit
{
    Q_OBJECT

public:
    PasswordBox(const QString &text, Clipboard &clipboard, QWidget *parent);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void markMenuCopies(QMenu &menu);
    bool disconnectUnmarkedCopies(const QAction &action);
    void copySelected();
    void cutSelected();

    Clipboard &clipboard;
};

#endif
