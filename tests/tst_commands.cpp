#include "fakes.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <optional>

// Adds to the password box's menu, as it is made, the entry that a later Qt might add: unnamed,
// worded otherwise, and connected to the line edit's own copy by a pointer to it, as Qt 6.8
// connects its entries.
class EntryOfAnotherQt : public QObject
{
public:
    explicit EntryOfAnotherQt(QLineEdit *box) : box(box) { box->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == box && event->type() == QEvent::ChildAdded) {
            static_cast<QChildEvent *>(event)->child()->installEventFilter(this);
        } else if (event->type() == QEvent::ActionAdded && !added) {
            added = true;
            auto *entry = new QAction(QStringLiteral("&Duplicate"), watched);
            connect(entry, &QAction::triggered, box, &QLineEdit::copy);
            static_cast<QWidget *>(watched)->addAction(entry);
        }
        return false;
    }

private:
    QLineEdit *box;
    bool added = false;
};

class tst_Commands : public QObject
{
    Q_OBJECT

private slots:
    void generateLength_data();
    void generateLength();
    void copy_data();
    void copy();
    void copyToUnavailableClipboard();
    void copyToSystemClipboard();
    void copyFromPasswordBox_data();
    void copyFromPasswordBox();
    void lengthRule_data();
    void lengthRule();
};

void tst_Commands::generateLength_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("lengthAfter");
    QTest::addColumn<int>("passwordLength");

    for (int length = 4; length <= 10; ++length)
        QTest::addRow("%d", length) << QString::number(length) << QString::number(length) << length;
    // Exactly 10, written another way, stays as typed: only a greater number is replaced.
    for (const char *ten : {" 10", "10.0", "1e1", "10abc"})
        QTest::addRow("%s is not capped", ten) << ten << ten << 10;
    QTest::addRow("11 is capped") << "11"
                                  << "10" << 10;
    QTest::addRow("25 is capped") << "25"
                                  << "10" << 10;
    QTest::addRow("10.4 is capped") << "10.4"
                                    << "10" << 10;
    QTest::addRow("7.2 rounds down") << "7.2"
                                     << "7.2" << 7;
    QTest::addRow("7.8 rounds up") << "7.8"
                                   << "7.8" << 8;
    QTest::addRow("6.5 rounds to even") << "6.5"
                                        << "6.5" << 6;
    QTest::addRow("spaces around 4") << " 4 "
                                     << " 4 " << 4;
    QTest::addRow("one") << "1"
                         << "1" << 1;
    QTest::addRow("zero") << "0"
                          << "0" << 0;
    QTest::addRow("negative") << "-3"
                              << "-3" << 0;
    QTest::addRow("negative zero") << "-0"
                                   << "-0" << 0;
    QTest::addRow("empty") << ""
                           << "" << 0;
    QTest::addRow("blank") << " "
                           << " " << 0;
    QTest::addRow("letters") << "abc"
                             << "abc" << 0;
    QTest::addRow("number then letters") << "12abc"
                                         << "10" << 10;
    QTest::addRow("overflow") << "1e309"
                              << "10" << 10;
    QTest::addRow("negative overflow") << "-1e309"
                                       << "-1e309" << 0;
    QTest::addRow("below the 32-bit range") << "-99999999999"
                                            << "-99999999999" << 0;
    QTest::addRow("nan") << "nan"
                         << "nan" << 0;
    QTest::addRow("inf") << "inf"
                         << "inf" << 0;
    QTest::addRow("hexadecimal") << "0x10"
                                 << "0x10" << 0;
    QTest::addRow("basic hexadecimal") << "&H10"
                                       << "&H10" << 0;
    QTest::addRow("decimal comma") << "7,5"
                                   << "7,5" << 7;
    QTest::addRow("arabic-indic digit") << "\u0663"
                                        << "\u0663" << 0;
    QTest::addRow("embedded nul") << QString::fromLatin1("5\0"
                                                         "9",
                                                         3)
                                  << QString::fromLatin1("5\0"
                                                         "9",
                                                         3)
                                  << 5;
    const QString longText = QString(10000, QLatin1Char('x'));
    QTest::addRow("10,000 letters") << longText << longText << 0;
    QTest::addRow("10,000 digits") << QString(10000, QLatin1Char('9')) << "10" << 10;
}

// Whatever is typed, the command ends with a password of the rule's length and Copy enabled, and a
// screen reader is told that length, never the password.
void tst_Commands::generateLength()
{
    QFETCH(QString, typed);
    QFETCH(QString, lengthAfter);
    QFETCH(int, passwordLength);

    ScriptedWindow harness;
    auto *lstChar = harness.control<QComboBox>("lstChar");
    auto *txtPassword = harness.control<QLineEdit>("txtPassword");
    lstChar->setEditText(typed);
    harness.control<QPushButton>("cmdGenerate")->click();

    QCOMPARE(lstChar->currentText(), lengthAfter);
    QCOMPARE(txtPassword->text().size(), passwordLength);
    QCOMPARE(harness.random.draws, 2 * passwordLength);
    QVERIFY(harness.control<QPushButton>("cmdCopy")->isEnabled());
    QVERIFY(harness.errorBox.messages.isEmpty());
    const QString made =
        passwordLength == 1
            ? QStringLiteral("New password of 1 character generated")
            : QStringLiteral("New password of %1 characters generated").arg(passwordLength);
    QCOMPARE(harness.announcer.messages, QStringList{made});

    harness.control<QPushButton>("cmdCopy")->click();
    QCOMPARE(harness.clipboard.calls, (QStringList{"clear", "setText:" + txtPassword->text()}));
    QCOMPARE(harness.announcer.messages,
             (QStringList{made, QStringLiteral("Password copied to the clipboard")}));
}

void tst_Commands::copy_data()
{
    QTest::addColumn<QString>("length");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("copied");

    QTest::addRow("fresh password") << "5"
                                    << ""
                                    << "nnnnn";
    QTest::addRow("edited by hand") << "5"
                                    << "Ab1"
                                    << "nnnnnAb1";
    QTest::addRow("empty password") << "0"
                                    << ""
                                    << "";
}

void tst_Commands::copy()
{
    QFETCH(QString, length);
    QFETCH(QString, edit);
    QFETCH(QString, copied);

    ScriptedWindow harness;
    auto *txtPassword = harness.control<QLineEdit>("txtPassword");
    harness.control<QComboBox>("lstChar")->setEditText(length);
    harness.control<QPushButton>("cmdGenerate")->click();
    txtPassword->end(false);
    txtPassword->insert(edit);
    harness.control<QPushButton>("cmdCopy")->click();

    QCOMPARE(harness.clipboard.calls, (QStringList{"clear", "setText:" + copied}));
    QCOMPARE(txtPassword->text(), copied);
}

void tst_Commands::copyToUnavailableClipboard()
{
    ScriptedWindow harness;
    harness.clipboard.available = false;
    harness.control<QPushButton>("cmdGenerate")->click();
    harness.control<QPushButton>("cmdCopy")->click();

    QVERIFY(harness.errorBox.messages.isEmpty());
    // Nothing said of a copy that did not take.
    QCOMPARE(harness.announcer.messages,
             QStringList{QStringLiteral("New password of 4 characters generated")});
    QCOMPARE(harness.control<QLineEdit>("txtPassword")->text(), QStringLiteral("nnnn"));
    QCOMPARE(harness.control<QComboBox>("lstChar")->currentText(), QStringLiteral("4"));
    QVERIFY(harness.control<QPushButton>("cmdCopy")->isEnabled());
}

void tst_Commands::copyToSystemClipboard()
{
    WindowWith<ScriptedRandomSource, SystemClipboard> harness;
    QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
    harness.control<QPushButton>("cmdGenerate")->click();
    harness.control<QLineEdit>("txtPassword")->setText(QStringLiteral("x+Y~1"));
    harness.control<QPushButton>("cmdCopy")->click();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("x+Y~1"));
    const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
#ifdef Q_OS_WIN
    // Under the bare name, or the form that the Qt in use registers under that name.
    for (const char *name :
         {"ExcludeClipboardContentFromMonitorProcessing", "CanIncludeInClipboardHistory",
          "CanUploadToCloudClipboard", "Clipboard Viewer Ignore"}) {
        const QStringList formats = copied->formats().filter(QLatin1String(name));
        QCOMPARE(formats.size(), 1);
        QCOMPARE(copied->data(formats.first()), QByteArray(4, '\0'));
    }
#else
    QCOMPARE(copied->data(QStringLiteral("x-kde-passwordManagerHint")),
             QByteArrayLiteral("secret"));
#endif
}

// Every gesture by which the password box copies its text goes to the program's clipboard, as
// the box had it, and none to the toolkit's unmarked one: "keys" pressed in the box, or a "menu"
// entry chosen by its access key, in the box's menu or in one with an entry that a later Qt might
// add ("menu of another Qt"). "bcd" is selected at first.
void tst_Commands::copyFromPasswordBox_data()
{
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("left");

    // Every key that copies out of a line edit, pinned: those Windows binds, and on the X11 and
    // Wayland desktops also a Sun keyboard's Copy and Cut, and the keys that cut to the end and the
    // whole line. (The unit suites' offscreen platform binds Windows' keys; e2e.sh runs this table
    // on an X server.)
    const QString platform = QGuiApplication::platformName();
    const bool linuxDesktop =
        platform == QLatin1String("xcb") || platform == QLatin1String("wayland");
    const struct
    {
        const char *keys;
        bool linuxOnly;
        const char *call;
        const char *left;
    } bindings[] = {
        {"Ctrl+C", false, "setText:bcd", "abcdef"}, {"Ctrl+Ins", false, "setText:bcd", "abcdef"},
        {"F16", true, "setText:bcd", "abcdef"},     {"Ctrl+X", false, "setText:bcd", "aef"},
        {"Shift+Del", false, "setText:bcd", "aef"}, {"F20", true, "setText:bcd", "aef"},
        {"Ctrl+K", true, "setText:ef", "abcd"},     {"Ctrl+U", true, "setText:abcdef", ""},
    };
    for (const auto &binding : bindings) {
        if (!binding.linuxOnly || linuxDesktop)
            QTest::addRow("%s", binding.keys) << "keys" << QKeySequence(QLatin1String(binding.keys))
                                              << QStringList{binding.call} << binding.left;
    }
    QTest::addRow("menu Copy") << "menu" << QKeySequence(Qt::Key_C) << QStringList{"setText:bcd"}
                               << "abcdef";
    QTest::addRow("menu Cut") << "menu" << QKeySequence(Qt::Key_T) << QStringList{"setText:bcd"}
                              << "aef";
    // Left out of the menu, with a warning: its access key does nothing, Escape closes the menu.
    QTest::addRow("unnamed menu entry")
        << "menu of another Qt" << QKeySequence(Qt::Key_D, Qt::Key_Escape) << QStringList{}
        << "abcdef";
}

void tst_Commands::copyFromPasswordBox()
{
    QFETCH(QString, gesture);
    QFETCH(QKeySequence, keys);
    QFETCH(QStringList, calls);
    QFETCH(QString, left);

    ScriptedWindow harness;
    harness.window.show();
    auto *txtPassword = harness.control<QLineEdit>("txtPassword");
    txtPassword->setText(QStringLiteral("abcdef"));
    txtPassword->setSelection(1, 3);
    QGuiApplication::clipboard()->clear();
    std::optional<EntryOfAnotherQt> entryOfAnotherQt;
    if (gesture == QLatin1String("menu of another Qt")) {
        entryOfAnotherQt.emplace(txtPassword);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^keyfold: 1 entries left out"));
    }
    if (gesture == QLatin1String("keys")) {
        QTest::keySequence(txtPassword, keys);
    } else {
        const QPoint corner(2, 2);
        QContextMenuEvent request(QContextMenuEvent::Keyboard, corner,
                                  txtPassword->mapToGlobal(corner));
        QApplication::sendEvent(txtPassword, &request);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QTest::keySequence(menu, keys);
        QTRY_VERIFY(menu->isHidden());
    }
    QCOMPARE(harness.clipboard.calls, calls);
    QCOMPARE(txtPassword->text(), left);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
}

// Steps: "down" and "up" choose the neighbouring list entry, "tick" clicks the check box,
// "type X" replaces the length box's text by typing X ("type" alone clears it).
void tst_Commands::lengthRule_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("length");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("ticked");

    QTest::addRow("on load") << QStringList{} << "4" << false << false;
    QTest::addRow("choosing 5 enables, unticked") << QStringList{"down"} << "5" << true << false;
    QTest::addRow("choosing 10 enables, unticked")
        << QStringList(6, "down") << "10" << true << false;
    QTest::addRow("a tick survives other lengths")
        << QStringList{"down", "tick", "down"} << "6" << true << true;
    QTest::addRow("choosing 4 clears and disables")
        << QStringList{"down", "tick", "up"} << "4" << false << false;
    QTest::addRow("re-enabled stays unticked")
        << QStringList{"down", "tick", "up", "down"} << "5" << true << false;
    QTest::addRow("typed 4 with spaces")
        << QStringList{"down", "type  4 "} << " 4 " << false << false;
    QTest::addRow("typed 04") << QStringList{"type 04"} << "04" << true << false;
    QTest::addRow("typed 4.0") << QStringList{"type 4.0"} << "4.0" << true << false;
    QTest::addRow("typed 3") << QStringList{"type 3"} << "3" << true << false;
    QTest::addRow("typed letters") << QStringList{"type abc"} << "abc" << true << false;
    QTest::addRow("cleared") << QStringList{"type"} << "" << true << false;
    QTest::addRow("first key of 10 over 4, not completed")
        << QStringList{"type 1"} << "1" << true << false;
    QTest::addRow("10 typed over 4") << QStringList{"type 10"} << "10" << true << false;
    QTest::addRow("cleared, then 4 typed")
        << QStringList{"down", "tick", "type", "type 4"} << "4" << false << false;
}

void tst_Commands::lengthRule()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, length);
    QFETCH(bool, enabled);
    QFETCH(bool, ticked);

    ScriptedWindow harness;
    auto *lstChar = harness.control<QComboBox>("lstChar");
    auto *chkIncl = harness.control<QCheckBox>("chkIncl");
    harness.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&harness.window));
    for (const QString &step : steps) {
        if (step == QLatin1String("down") || step == QLatin1String("up")) {
            QTest::keyClick(lstChar, step == QLatin1String("down") ? Qt::Key_Down : Qt::Key_Up);
        } else if (step == QLatin1String("tick")) {
            chkIncl->click();
        } else {
            lstChar->lineEdit()->selectAll();
            QTest::keyClick(lstChar, Qt::Key_Backspace);
            QTest::keyClicks(lstChar, step.mid(5));
        }
    }
    QCOMPARE(lstChar->currentText(), length);
    QCOMPARE(chkIncl->isEnabled(), enabled);
    QCOMPARE(chkIncl->isChecked(), ticked);
    QCOMPARE(lstChar->count(), 7);
}

QTEST_MAIN(tst_Commands)
#include "tst_commands.moc"
