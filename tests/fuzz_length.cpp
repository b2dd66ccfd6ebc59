// libFuzzer target: a typed length text, through Generate, to the password box.
//
// Input: byte 0 picks the check box (unticked, ticked, grayed); byte 1 is how many random values
// follow, 3 bytes each (a 24-bit fraction), drawn over and over; with none the random source
// fails. The rest is the length text, as UTF-8.

#include "fakes.h"
#include "host/conversions.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace {
// Never a password: no category holds the section sign.
const QString previousText = QStringLiteral("\u00a7 previous");

void require(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

bool inCategories(const QString &password, bool extended)
{
    return std::all_of(password.begin(), password.end(), [extended](QChar character) {
        const char16_t code = character.unicode();
        if (extended)
            return code >= u'+' && code <= u'~';
        return (code >= u'A' && code <= u'Z') || (code >= u'a' && code <= u'z') ||
               (code >= u'0' && code <= u'9');
    });
}

ScriptedWindow *harness = nullptr;
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_length";
    static char *argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    static ScriptedWindow window;
    harness = &window;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const Qt::CheckState checkStates[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
    const Qt::CheckState checkState = checkStates[data[0] % 3];
    const size_t valueCount = std::min<size_t>(data[1], (size - 2) / 3);
    const uint8_t *valueBytes = data + 2;
    const QString typed =
        QString::fromUtf8(reinterpret_cast<const char *>(valueBytes + 3 * valueCount),
                          qsizetype(size - 2 - 3 * valueCount));

    harness->random.values.clear();
    for (size_t index = 0; index < valueCount; ++index) {
        const uint8_t *bytes = valueBytes + 3 * index;
        harness->random.values << float((bytes[0] << 16) | (bytes[1] << 8) | bytes[2]) / (1 << 24);
    }
    harness->random.failure = valueCount == 0
                                  ? std::make_exception_ptr(std::runtime_error("no random values"))
                                  : std::exception_ptr();
    harness->errorBox.messages.clear();

    auto *lstChar = harness->control<QComboBox>("lstChar");
    auto *chkIncl = harness->control<QCheckBox>("chkIncl");
    auto *txtPassword = harness->control<QLineEdit>("txtPassword");
    lstChar->setEditText(typed);
    if (chkIncl->isEnabled())
        chkIncl->setCheckState(checkState);
    txtPassword->setText(previousText);
    const QString shown = lstChar->currentText();
    const bool extended = chkIncl->checkState() == Qt::Checked;

    harness->control<QPushButton>("cmdGenerate")->click();

    const QString lengthAfter = lstChar->currentText();
    require(lengthAfter == (parseLeadingNumber(shown) > 10 ? QStringLiteral("10") : shown),
            "the length box reads 10 exactly when the typed number exceeds 10");
    const int length = std::max(0, roundToInt32(parseLeadingNumber(lengthAfter)).value_or(0));
    const bool failed = valueCount == 0 && length > 0;
    require(harness->errorBox.messages.size() == (failed ? 1 : 0), "one message per failure");
    if (failed) {
        require(txtPassword->text() == previousText, "a failure keeps the password box");
    } else {
        require(txtPassword->text().size() == length, "the password has the length typed");
        require(inCategories(txtPassword->text(), extended), "characters from the categories");
    }
    require(harness->control<QPushButton>("cmdCopy")->isEnabled(), "Copy enabled after Generate");
    return 0;
}
