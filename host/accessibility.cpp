#include "host/accessibility.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

namespace {
#ifdef Q_OS_UNIX
// Qt names a combo box on Unix by its current text and leaves its name to a label that points to
// it. Here, as Qt does on Windows, a combo box is named by its accessible name, so that a screen
// reader says what the box is for and then what it holds. The list and the edit field are its
// children as in Qt's own.
class NamedComboBox : public QAccessibleWidget
{
public:
    explicit NamedComboBox(QComboBox *box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    int childCount() const override { return box()->isEditable() ? 2 : 1; }

    QAccessibleInterface *child(int index) const override
    {
        if (index == 0)
            return QAccessible::queryAccessibleInterface(box()->view());
        if (index == 1 && box()->isEditable())
            return QAccessible::queryAccessibleInterface(box()->lineEdit());
        return nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (child->object() == box()->view())
            return 0;
        if (box()->isEditable() && child->object() == box()->lineEdit())
            return 1;
        return -1;
    }

    // An editable box keeps the keyboard focus in its edit field.
    QAccessibleInterface *focusChild() const override
    {
        return box()->isEditable() ? child(1) : nullptr;
    }

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Value ? box()->currentText() : QAccessibleWidget::text(kind);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = box()->isEditable();
        state.expandable = true;
        state.expanded = box()->view()->isVisible();
        return state;
    }

    QStringList actionNames() const override { return {showMenuAction()}; }

    void doAction(const QString &action) override
    {
        if (action != showMenuAction())
            return;
        if (box()->view()->isVisible())
            box()->hidePopup();
        else
            box()->showPopup();
    }

private:
    QComboBox *box() const { return static_cast<QComboBox *>(widget()); }
};
#endif

// Asked first, for each class of a control from its own up to QObject; nothing means Qt's own.
// cppcheck-suppress constParameterCallback ; Qt's factory type, as QAccessible takes it
QAccessibleInterface *accessibleInterface(const QString &className, QObject *control)
{
#if defined(Q_OS_WIN) || QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    // Qt gives a plain frame the role of a window's border, which AT-SPI before Qt 6.8 presents as
    // a window's frame (screen readers take it for the window) and UI Automation as a custom
    // control. It is a group of controls. This can go on Unix once the oldest Qt the program is
    // built with is 6.8, and on Windows once Qt's UI Automation presents a border as a group.
    if (className == QLatin1String("QFrame"))
        return new QAccessibleWidget(static_cast<QWidget *>(control), QAccessible::Grouping);
#endif
#ifdef Q_OS_UNIX
    if (className == QLatin1String("QComboBox"))
        return new NamedComboBox(static_cast<QComboBox *>(control));
#endif
    return nullptr;
}
} // namespace

void installAccessibleInterfaces()
{
    QAccessible::installFactory(accessibleInterface);
}
