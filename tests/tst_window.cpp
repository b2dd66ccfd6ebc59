#include "fakes.h"
#include "host/accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <utility>

namespace {
// The name of the control that has the focus; the length box's edit field counts as the box.
QString focusedControl()
{
    QWidget *focused = QApplication::focusWidget();
    if (focused && focused->objectName().isEmpty())
        focused = focused->parentWidget();
    return focused ? focused->objectName() : QString();
}

QStringList listEntries(const QComboBox *list)
{
    QStringList entries;
    for (int index = 0; index < list->count(); ++index)
        entries << list->itemText(index);
    return entries;
}

const QStringList lengthsOffered{"4", "5", "6", "7", "8", "9", "10"};

void showAndActivate(QWidget &window)
{
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}
} // namespace

class tst_Window : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void initialState();
    void layoutFitsText();
    void accessibleNames();
    void tabOrder_data();
    void tabOrder();
    void keysThatGenerate_data();
    void keysThatGenerate();
    void keysThatChangeNothing_data();
    void keysThatChangeNothing();
    void altCopyWhenEnabled();
    void altDownOpensList();
    void systemErrorBox();
};

void tst_Window::initTestCase()
{
    installAccessibleInterfaces();
}

void tst_Window::initialState()
{
    ScriptedWindow harness;
    showAndActivate(harness.window);
    auto *lstChar = harness.control<QComboBox>("lstChar");
    auto *chkIncl = harness.control<QCheckBox>("chkIncl");
    auto *txtPassword = harness.control<QLineEdit>("txtPassword");
    auto *cmdGenerate = harness.control<QPushButton>("cmdGenerate");
    auto *cmdCopy = harness.control<QPushButton>("cmdCopy");

    QCOMPARE(harness.window.windowTitle(), QStringLiteral("Orvik Password Generator v1.0.2"));
    QCOMPARE(lstChar->currentText(), QStringLiteral("4"));
    QVERIFY(lstChar->isEditable());
    QCOMPARE(listEntries(lstChar), lengthsOffered);
    QCOMPARE(chkIncl->checkState(), Qt::Unchecked);
    QVERIFY(!chkIncl->isEnabled());
    QCOMPARE(chkIncl->text(), QStringLiteral("Include Extended Characters (length of 5 or more)"));
    QCOMPARE(txtPassword->text(), QStringLiteral("Password generated here"));
    QVERIFY(!txtPassword->isReadOnly());
    QCOMPARE(txtPassword->echoMode(), QLineEdit::Normal);
    QCOMPARE(cmdGenerate->text(), QStringLiteral("&Generate"));
    QVERIFY(cmdGenerate->isDefault());
    QCOMPARE(cmdCopy->text(), QStringLiteral("&Clipboard"));
    QVERIFY(!cmdCopy->isEnabled());
    QCOMPARE(focusedControl(), QStringLiteral("lstChar"));

    auto *Frame1 = harness.control<QFrame>("Frame1");
    QVERIFY(Frame1->frameWidth() > 0);
    for (const char *name :
         {"Label1", "lstChar", "txtPassword", "cmdGenerate", "cmdCopy", "chkIncl"})
        QCOMPARE(harness.control<QWidget>(name)->parentWidget(), Frame1);
    for (const char *name : {"Frame1", "Label2", "Label3"})
        QCOMPARE(harness.control<QWidget>(name)->parentWidget(), &harness.window);
    QCOMPARE(harness.control<QLabel>("Label1")->text(),
             QStringLiteral("Select from the dropdown list how long you want your password to "
                            "be. It will be generated from alphanumeric characters only."));
    QCOMPARE(harness.control<QLabel>("Label2")->alignment(), Qt::AlignCenter);
    QCOMPARE(harness.control<QLabel>("Label3")->alignment(), Qt::AlignCenter);

    QCOMPARE(harness.window.minimumSize(), harness.window.size());
    QCOMPARE(harness.window.maximumSize(), harness.window.size());
    const QPoint offCentre =
        harness.window.geometry().center() - harness.window.screen()->availableGeometry().center();
    // Centred as placed; a platform that adds its frame outside that may shift it by the frame
    // (its title bar; under Wine also a frame edge of -1).
    const QPoint frame =
        harness.window.geometry().topLeft() - harness.window.frameGeometry().topLeft();
    QVERIFY2(qAbs(offCentre.x()) <= qAbs(frame.x()) + 1 &&
                 qAbs(offCentre.y()) <= qAbs(frame.y()) + 1,
             qPrintable(QStringLiteral("%1,%2 off centre, frame %3,%4")
                            .arg(offCentre.x())
                            .arg(offCentre.y())
                            .arg(frame.x())
                            .arg(frame.y())));
    const QList<QSize> iconSizes = harness.window.windowIcon().availableSizes();
    QVERIFY(iconSizes.contains(QSize(16, 16)));
    QVERIFY(iconSizes.contains(QSize(32, 32)));
    QCOMPARE(harness.random.draws, 0);
}

// Every caption is shown whole in the default font, and the instructions take two lines.
void tst_Window::layoutFitsText()
{
    ScriptedWindow harness;
    for (const char *name : {"cmdGenerate", "cmdCopy"}) {
        auto *button = harness.control<QPushButton>(name);
        const int captionWidth =
            button->fontMetrics().horizontalAdvance(button->text().remove('&'));
        QVERIFY2(captionWidth + 2 * button->fontMetrics().averageCharWidth() <= button->width(),
                 name);
    }
    for (const char *name : {"chkIncl", "Label2", "Label3"}) {
        auto *widget = harness.control<QWidget>(name);
        QVERIFY2(widget->sizeHint().width() <= widget->width(), name);
        QVERIFY2(widget->fontMetrics().height() <= widget->height(), name);
    }

    auto *Label1 = harness.control<QLabel>("Label1");
    const int lines = Label1->heightForWidth(Label1->width()) / Label1->fontMetrics().lineSpacing();
    QCOMPARE(lines, 2);
    QVERIFY(Label1->heightForWidth(Label1->width()) <= Label1->height());

    auto *lstChar = harness.control<QComboBox>("lstChar");
    QVERIFY(lstChar->lineEdit()->fontMetrics().horizontalAdvance(QStringLiteral("10")) <
            lstChar->lineEdit()->width());

    auto *txtPassword = harness.control<QLineEdit>("txtPassword");
    txtPassword->end(false);
    const QRect cursor = txtPassword->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    QVERIFY(cursor.right() <= txtPassword->contentsRect().right());

    for (const char *name : {"Frame1", "Label2", "Label3"})
        QVERIFY2(harness.window.rect().contains(harness.control<QWidget>(name)->geometry()), name);
}

// As a screen reader hears them: the length box by what it is for, then what it holds, with the
// label's text as its description; the frame, a plain group, has nothing to say.
void tst_Window::accessibleNames()
{
    ScriptedWindow harness;
    for (const char *name : {"Label1", "lstChar", "txtPassword", "cmdGenerate", "cmdCopy",
                             "chkIncl", "Label2", "Label3"}) {
        QAccessibleInterface *accessible =
            QAccessible::queryAccessibleInterface(harness.control<QWidget>(name));
        QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(), name);
    }
    auto *lstChar = harness.control<QComboBox>("lstChar");
    QAccessibleInterface *lengthBox = QAccessible::queryAccessibleInterface(lstChar);
    QCOMPARE(lengthBox->role(), QAccessible::ComboBox);
    QCOMPARE(lengthBox->text(QAccessible::Name), QStringLiteral("Password length"));
    QCOMPARE(lengthBox->text(QAccessible::Value), QStringLiteral("4"));
    QCOMPARE(lengthBox->text(QAccessible::Description), harness.control<QLabel>("Label1")->text());
    QCOMPARE(lengthBox->focusChild()->object(), lstChar->lineEdit());
    QCOMPARE(lengthBox->child(lengthBox->indexOfChild(lengthBox->focusChild())),
             lengthBox->focusChild());
    QVERIFY(QAccessible::queryAccessibleInterface(harness.control<QFrame>("Frame1"))
                ->text(QAccessible::Name)
                .isEmpty());
}

void tst_Window::tabOrder_data()
{
    QTest::addColumn<bool>("generateFirst");
    QTest::addColumn<QStringList>("visits");

    QTest::addRow("disabled controls skipped")
        << false << QStringList{"cmdGenerate", "txtPassword", "lstChar"};
    QTest::addRow("all enabled") << true
                                 << QStringList{"cmdGenerate", "txtPassword", "chkIncl", "cmdCopy",
                                                "lstChar"};
}

void tst_Window::tabOrder()
{
    QFETCH(bool, generateFirst);
    QFETCH(QStringList, visits);

    ScriptedWindow harness;
    showAndActivate(harness.window);
    if (generateFirst) {
        harness.control<QComboBox>("lstChar")->setEditText(QStringLiteral("8"));
        harness.control<QPushButton>("cmdGenerate")->click();
    }
    QStringList visited;
    for (int press = 0; press < visits.size(); ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << focusedControl();
    }
    QCOMPARE(visited, visits);
}

void tst_Window::keysThatGenerate_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("length");

    QTest::addRow("Enter in the length box")
        << "lstChar"
        << "7" << int(Qt::Key_Return) << Qt::KeyboardModifiers() << 7;
    // A confirmed length that the list does not hold is used, not added to the list.
    const std::pair<const char *, int> confirmed[] = {{"25", 10}, {"0", 0}, {"7.2", 7}, {"abc", 0}};
    for (const auto &[typed, length] : confirmed)
        QTest::addRow("Enter after %s", typed)
            << "lstChar" << typed << int(Qt::Key_Return) << Qt::KeyboardModifiers() << length;
    QTest::addRow("keypad Enter in the length box")
        << "lstChar"
        << "6" << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << 6;
    QTest::addRow("Enter in the password box")
        << "txtPassword"
        << "" << int(Qt::Key_Return) << Qt::KeyboardModifiers() << 4;
    QTest::addRow("Alt+G in the length box")
        << "lstChar"
        << "9" << int(Qt::Key_G) << Qt::KeyboardModifiers(Qt::AltModifier) << 9;
    QTest::addRow("Alt+G in the password box")
        << "txtPassword"
        << "" << int(Qt::Key_G) << Qt::KeyboardModifiers(Qt::AltModifier) << 4;
}

void tst_Window::keysThatGenerate()
{
    QFETCH(QString, focus);
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, length);

    ScriptedWindow harness;
    showAndActivate(harness.window);
    auto *lstChar = harness.control<QComboBox>("lstChar");
    auto *target = harness.control<QWidget>(qPrintable(focus));
    target->setFocus();
    if (!typed.isEmpty()) {
        lstChar->lineEdit()->selectAll();
        QTest::keyClicks(target, typed);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);

    QTRY_COMPARE(harness.control<QLineEdit>("txtPassword")->text(), QString(length, 'n'));
    QVERIFY(harness.control<QPushButton>("cmdCopy")->isEnabled());
    QCOMPARE(listEntries(lstChar), lengthsOffered);
}

void tst_Window::keysThatChangeNothing_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");

    const Qt::KeyboardModifiers alt(Qt::AltModifier);
    QTest::addRow("Alt+C in the length box") << "lstChar" << int(Qt::Key_C) << alt;
    QTest::addRow("Alt+C in the password box") << "txtPassword" << int(Qt::Key_C) << alt;
    QTest::addRow("Alt+X in the length box") << "lstChar" << int(Qt::Key_X) << alt;
    QTest::addRow("Escape in the length box")
        << "lstChar" << int(Qt::Key_Escape) << Qt::KeyboardModifiers();
    QTest::addRow("Escape in the password box")
        << "txtPassword" << int(Qt::Key_Escape) << Qt::KeyboardModifiers();
}

void tst_Window::keysThatChangeNothing()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);

    ScriptedWindow harness;
    showAndActivate(harness.window);
    harness.control<QWidget>(qPrintable(focus))->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
    QTest::qWait(200); // an access key fires its click after a short delay

    QVERIFY(harness.window.isVisible());
    QCOMPARE(harness.control<QComboBox>("lstChar")->currentText(), QStringLiteral("4"));
    QVERIFY(!harness.control<QCheckBox>("chkIncl")->isEnabled());
    QCOMPARE(harness.control<QLineEdit>("txtPassword")->text(),
             QStringLiteral("Password generated here"));
    QVERIFY(harness.clipboard.calls.isEmpty());
    QCOMPARE(harness.random.draws, 0);
}

void tst_Window::altCopyWhenEnabled()
{
    ScriptedWindow harness;
    showAndActivate(harness.window);
    harness.control<QPushButton>("cmdGenerate")->click();
    harness.control<QLineEdit>("txtPassword")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
    QTRY_COMPARE(harness.clipboard.calls, (QStringList{"clear", "setText:nnnn"}));
    QCOMPARE(harness.control<QLineEdit>("txtPassword")->text(), QStringLiteral("nnnn"));
}

void tst_Window::altDownOpensList()
{
    ScriptedWindow harness;
    showAndActivate(harness.window);
    auto *lstChar = harness.control<QComboBox>("lstChar");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::AltModifier);
    QTRY_VERIFY(lstChar->view()->isVisible());
    QTest::keyClick(lstChar->view(), Qt::Key_End);
    QTest::keyClick(lstChar->view(), Qt::Key_Return);
    QTRY_COMPARE(lstChar->currentText(), QStringLiteral("10"));
    QVERIFY(harness.control<QCheckBox>("chkIncl")->isEnabled());
}

// The real message box is modal; a timer answers it as the user would.
void tst_Window::systemErrorBox()
{
    QApplication::setApplicationName(QStringLiteral("Keyfold"));
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    QTimer answer;
    connect(&answer, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            icon = box->icon();
            title = box->windowTitle();
            text = box->text();
            buttons = box->standardButtons();
            box->accept();
        }
    });
    answer.start(10);

    QWidget parent;
    SystemErrorBox().show(&parent, QStringLiteral("20000: PasswordGenerator has a problem."));
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(title, QStringLiteral("Keyfold"));
    QCOMPARE(text, QStringLiteral("20000: PasswordGenerator has a problem."));
    QCOMPARE(buttons, QMessageBox::Ok);
}

QTEST_MAIN(tst_Window)
#include "tst_window.moc"
