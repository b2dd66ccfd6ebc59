#include "window/passwordbox.h"

#include "host/clipboard.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

PasswordBox::PasswordBox(const QString &text, Clipboard &clipboard, QWidget *parent)
    : QLineEdit(text, parent), clipboard(clipboard)
{
    // Not to be learnt, stored or predicted by an input method or an on-screen keyboard.
    setInputMethodHints(Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
}

// The line edit's own keys that copy, with the platform's bindings (Ctrl+C and Ctrl+Insert; Ctrl+X
// and Shift+Delete; on Linux also F16 and F20, and Ctrl+K and Ctrl+U, which cut to the end and
// the whole line).
void PasswordBox::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        copySelected();
    } else if (event->matches(QKeySequence::Cut)) {
        cutSelected();
    } else if (event->matches(QKeySequence::DeleteEndOfLine)) {
        setSelection(cursorPosition(), int(text().size()) - cursorPosition());
        cutSelected();
    } else if (event->matches(QKeySequence::DeleteCompleteLine)) {
        selectAll();
        cutSelected();
    } else {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
}

// The line edit's own menu, with its Copy and Cut given the marked copy.
void PasswordBox::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    markMenuCopies(*menu);
    menu->popup(event->globalPos());
}

// Copy and Cut are found by the names Qt 6.8 and later give them, or else by their texts, which
// the line edit translates with its own, and given the marked copy. An entry found by neither (in
// a Qt that names or words them otherwise) would copy unmarked, so whatever is still connected to
// the line edit's own copy or cut is left out of the menu, with a warning.
void PasswordBox::markMenuCopies(QMenu &menu)
{
    const QString copyEntry = QLineEdit::tr("&Copy");
    const QString cutEntry = QLineEdit::tr("Cu&t");
    int leftOut = 0;
    const QList<QAction *> actions = menu.actions();
    for (QAction *action : actions) {
        const QString entry = action->text().section(QLatin1Char('\t'), 0, 0);
        const bool copies =
            action->objectName() == QLatin1String("edit-copy") || entry == copyEntry;
        const bool cuts = action->objectName() == QLatin1String("edit-cut") || entry == cutEntry;
        if (copies || cuts) {
            action->disconnect(this);
            connect(action, &QAction::triggered, this,
                    copies ? &PasswordBox::copySelected : &PasswordBox::cutSelected);
        } else if (disconnectUnmarkedCopies(*action)) {
            menu.removeAction(action);
            ++leftOut;
        }
    }
    if (leftOut > 0)
        qWarning("keyfold: %d entries left out of the password box's menu, which this Qt names "
                 "otherwise and which would copy the password unmarked",
                 leftOut);
}

// Qt 6.4 connects its entries by the slots' names, Qt 6.8 by pointers to them; a disconnection
// finds only a connection made the same way, so all four are tried.
bool PasswordBox::disconnectUnmarkedCopies(const QAction &action)
{
    bool found = disconnect(&action, SIGNAL(triggered()), this, SLOT(copy()));
    found |= disconnect(&action, SIGNAL(triggered()), this, SLOT(cut()));
    found |= disconnect(&action, &QAction::triggered, this, &QLineEdit::copy);
    found |= disconnect(&action, &QAction::triggered, this, &QLineEdit::cut);
    return found;
}

void PasswordBox::copySelected()
{
    if (hasSelectedText())
        clipboard.setText(selectedText());
}

void PasswordBox::cutSelected()
{
    if (isReadOnly() || !hasSelectedText())
        return;
    copySelected();
    del();
}
