#include "window/frmPassword.h"

#include "host/announcer.h"
#include "host/clipboard.h"
#include "host/conversions.h"
#include "host/errorbox.h"
#include "host/raisederror.h"
#include "host/randomsource.h"
#include "host/twipsscale.h"
#include "window/icons/key-16.xpm"
#include "window/icons/key-32.xpm"
#include "window/passwordbox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {
constexpr int shortestLength = 4;
constexpr int longestLength = 10;

// A category is every character from low to high, both included.
struct CharacterCategory
{
    int number;
    char low;
    char high;
};

// Drawn among the first three, or among all four while extended characters are allowed.
constexpr std::array<CharacterCategory, 4> characterCategories{{
    {1, 'A', 'Z'},
    {2, 'a', 'z'},
    {3, '0', '9'},
    {4, '+', '~'},
}};

// What a screen reader announces after Generate. Qt's plural forms come from translations, and
// the program has none.
QString passwordMadeMessage(qsizetype length)
{
    return length == 1 ? frmPassword::tr("New password of 1 character generated")
                       : frmPassword::tr("New password of %1 characters generated").arg(length);
}
} // namespace

frmPassword::frmPassword(const HostServices &host, QWidget *parent) : QDialog(parent), host(host)
{
    setWindowTitle(tr("Orvik Password Generator v1.0.2"));
    // Built from the XPM data in the program: reading image files would load every image plugin.
    QIcon icon;
    icon.addPixmap(QPixmap(key_32));
    icon.addPixmap(QPixmap(key_16));
    setWindowIcon(icon);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    createControls();
    placeControls();
    connectOccasions();
    centreOnScreen();

    applyLengthRule(); // the load occasion
}

// Hiding the window on its way out moves the focus, and the length box then reports a typed
// entry as chosen; no signal may reach the handlers of a window that is half destroyed.
frmPassword::~frmPassword()
{
    lstChar->disconnect(this);
}

void frmPassword::createControls()
{
    // A plain frame: no caption to show, and the style draws it without loading any image.
    Frame1 = new QFrame(this);
    Frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Frame1->setObjectName(QStringLiteral("Frame1"));

    Label1 = new QLabel(tr("Select from the dropdown list how long you want your password to be. "
                           "It will be generated from alphanumeric characters only."),
                        Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);

    lstChar = new QComboBox(Frame1);
    lstChar->setObjectName(QStringLiteral("lstChar"));
    // Giving the box its edit field makes it editable without building the drop-down list,
    // which setEditable() does at once; the list is built the first time it opens.
    lstChar->setLineEdit(new QLineEdit(lstChar));
    // Typed lengths are used as they stand: never added to the list, never completed from it.
    lstChar->setInsertPolicy(QComboBox::NoInsert);
    lstChar->setCompleter(nullptr);
    for (int length = shortestLength; length <= longestLength; ++length)
        lstChar->addItem(QString::number(length));
    lstChar->setAccessibleName(tr("Password length"));
    // The label's text describes the box; as its label, it would be read in place of the name.
    lstChar->setAccessibleDescription(Label1->text());

    txtPassword = new PasswordBox(tr("Password generated here"), host.clipboard, Frame1);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setMaxLength(std::numeric_limits<int>::max());
    txtPassword->setCursorPosition(0);
    txtPassword->setAccessibleName(tr("Password"));

    cmdGenerate = new QPushButton(tr("&Generate"), Frame1);
    cmdGenerate->setObjectName(QStringLiteral("cmdGenerate"));
    cmdGenerate->setDefault(true);

    cmdCopy = new QPushButton(tr("&Clipboard"), Frame1);
    cmdCopy->setObjectName(QStringLiteral("cmdCopy"));
    cmdCopy->setAccessibleName(tr("Copy password to clipboard"));
    cmdCopy->setEnabled(false);

    chkIncl = new QCheckBox(tr("Include Extended Characters (length of 5 or more)"), Frame1);
    chkIncl->setObjectName(QStringLiteral("chkIncl"));

    Label2 = new QLabel(tr(KEYFOLD_COPYRIGHT), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignCenter);

    Label3 = new QLabel(tr("Made with the Qt toolkit, with thanks to its community"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setAlignment(Qt::AlignCenter);

    setTabOrder(lstChar, cmdGenerate);
    setTabOrder(cmdGenerate, txtPassword);
    setTabOrder(txtPassword, chkIncl);
    setTabOrder(chkIncl, cmdCopy);
    lstChar->setFocus();

    // Alt with a letter never types into a box, even when its button is disabled.
    lstChar->installEventFilter(this);
    txtPassword->installEventFilter(this);
}

// Positions in twips: frame-relative inside Frame1, window-relative outside it.
void frmPassword::placeControls()
{
    const TwipsScale twips(font());
    setFixedSize(twips.toPixels(4920, 1905));
    Frame1->setGeometry(twips.toPixels(60, 0, 4815, 1395));
    Label1->setGeometry(twips.toPixels(120, 180, 4635, 435));
    lstChar->setGeometry(twips.toPixels(120, 660, 555, 315));
    txtPassword->setGeometry(twips.toPixels(720, 660, 1935, 315));
    cmdGenerate->setGeometry(twips.toPixels(2700, 660, 975, 315));
    cmdCopy->setGeometry(twips.toPixels(3720, 660, 975, 315));
    chkIncl->setGeometry(twips.toPixels(480, 1080, 3855, 195));
    Label2->setGeometry(twips.toPixels(120, 1440, 4695, 195));
    Label3->setGeometry(twips.toPixels(120, 1680, 4695, 195));
}

void frmPassword::connectOccasions()
{
    connect(lstChar, &QComboBox::editTextChanged, this, &frmPassword::applyLengthRule);
    connect(lstChar, &QComboBox::activated, this, &frmPassword::applyLengthRule);
    connect(cmdGenerate, &QPushButton::clicked, this, &frmPassword::generate);
    connect(cmdCopy, &QPushButton::clicked, this, &frmPassword::copyToClipboard);
}

// Qt's own placement of a dialog guesses the frame's size; the window itself is centred instead.
void frmPassword::centreOnScreen()
{
    move(screen()->availableGeometry().center() - rect().center());
}

void frmPassword::keyPressEvent(QKeyEvent *event)
{
    // Only closing the window ends the program; Escape is not a way to close it.
    if (event->matches(QKeySequence::Cancel))
        return;
    QDialog::keyPressEvent(event);
}

bool frmPassword::eventFilter(QObject *watched, QEvent *event)
{
    // Enabled access keys are taken as shortcuts before this; what is left would type its letter.
    // Alt with keys that type nothing (Alt+Down opens the list) passes on.
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers().testFlag(Qt::AltModifier) && !key->text().isEmpty())
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

// Extended characters make no sense for the shortest length, so the option is cleared there.
void frmPassword::applyLengthRule()
{
    if (trimSpaces(lstChar->currentText()) == QString::number(shortestLength)) {
        chkIncl->setCheckState(Qt::Unchecked);
        chkIncl->setEnabled(false);
    } else {
        chkIncl->setEnabled(true);
    }
}

void frmPassword::generate()
{
    if (parseLeadingNumber(lstChar->currentText()) > longestLength)
        lstChar->setEditText(QString::number(longestLength));
    const double length = parseLeadingNumber(lstChar->currentText());
    // A length beyond the 32-bit range can only be hugely negative here: no characters.
    PasswordGenerator(roundToInt32(length).value_or(0));
    cmdCopy->setEnabled(true);
}

void frmPassword::copyToClipboard()
{
    host.clipboard.clear();
    if (host.clipboard.setText(txtPassword->text()))
        host.announcer.announce(cmdCopy, tr("Password copied to the clipboard"));
}

// Writes a fresh password of lngLength characters into txtPassword (empty below 1) and has a
// screen reader announce its length, or reports the failure and leaves txtPassword as it was.
void frmPassword::PasswordGenerator(qint32 lngLength)
{
    try {
        QString password;
        for (qint32 counter = 0; counter < lngLength; ++counter)
            password.append(drawCharacter());
        txtPassword->setText(password);
        txtPassword->setCursorPosition(0);
        // The length, never the password: a password read aloud can be overheard.
        host.announcer.announce(txtPassword, passwordMadeMessage(password.size()));
    } catch (...) {
        host.errorBox.show(this, currentError().message());
    }
}

// Two draws: first the category, then a character within it, each character equally likely.
QChar frmPassword::drawCharacter()
{
    const int categoryCount = chkIncl->checkState() == Qt::Checked ? 4 : 3;
    const double number = std::floor((double(host.random.draw()) * categoryCount) + 1);
    const auto *const category = std::find_if(
        characterCategories.begin(), characterCategories.end(),
        [number](const CharacterCategory &candidate) { return candidate.number == number; });
    if (category == characterCategories.end())
        throw RaisedError(20000, QStringLiteral("PasswordGenerator has a problem."));

    const int span = category->high - category->low + 1;
    const double code = std::floor((span * double(host.random.draw())) + category->low);
    const bool fits =
        code >= std::numeric_limits<qint16>::min() && code <= std::numeric_limits<qint16>::max();
    if (!fits)
        throw RaisedError(6, QStringLiteral("Overflow"));
    return QChar(static_cast<char16_t>(static_cast<qint16>(code)));
}
