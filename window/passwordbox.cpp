#include "window/passwordbox.h"

#include "host/clipboard.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

PasswordBox::PasswordBox(const QString &text, Clipboard &clipboard, QWidget *parent)
    : QLineEdit(text, parent), clipboard(clipboard)
{}

// The line edit's own keys that copy, with the platform's bindings (Ctrl+C and Ctrl+Insert; Ctrl+X
// and Shift+Delete; on Linux also Ctrl+K and Ctrl+U, which cut to the end and the whole line).
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
        // Every key the line edit knows offers what is then selected (Shift+End, Ctrl+A).
        if (event->isAccepted())
            offerSelection();
        return;
    }
    event->accept();
}

// As the line edit, which offers a selection made with the mouse when the button is let go.
void PasswordBox::mouseReleaseEvent(QMouseEvent *event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        offerSelection();
}

// The line edit's own menu, its Copy and Cut entries (found by their texts, which the line edit
// translates with its own) given the marked copy.
void PasswordBox::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QString copyEntry = QLineEdit::tr("&Copy");
    const QString cutEntry = QLineEdit::tr("Cu&t");
    const QList<QAction *> actions = menu->actions();
    for (QAction *action : actions) {
        const QString entry = action->text().section(QLatin1Char('\t'), 0, 0);
        if (entry != copyEntry && entry != cutEntry)
            continue;
        action->disconnect(this);
        connect(action, &QAction::triggered, this,
                entry == copyEntry ? &PasswordBox::copySelected : &PasswordBox::cutSelected);
    }
    menu->popup(event->globalPos());
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

// The toolkit has just offered the same text unmarked; nothing can have read it yet, as the
// selection is only handed out from the event loop, which has not run since.
void PasswordBox::offerSelection()
{
    if (hasSelectedText())
        clipboard.setSelection(selectedText());
}
