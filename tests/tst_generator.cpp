#include "fakes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <new>
#include <stdexcept>

Q_DECLARE_METATYPE(Qt::CheckState)
Q_DECLARE_METATYPE(std::exception_ptr)

namespace {
// The largest value the random source can yield below 1.
const float highestDraw = std::nextafter(1.0f, 0.0f);

QString generate(const frmPassword &window, const QString &length, Qt::CheckState extended)
{
    control<QComboBox>(window, "lstChar")->setEditText(length);
    control<QCheckBox>(window, "chkIncl")->setCheckState(extended);
    control<QPushButton>(window, "cmdGenerate")->click();
    return control<QLineEdit>(window, "txtPassword")->text();
}
} // namespace

class tst_Generator : public QObject
{
    Q_OBJECT

private slots:
    void scriptedPassword_data();
    void scriptedPassword();
    void categoryShares_data();
    void categoryShares();
    void everyCharacterReachable_data();
    void everyCharacterReachable();
    void failureKeepsPassword_data();
    void failureKeepsPassword();
    void systemSourceVaries();
    void systemSourceAsksInBlocks();
};

// Each pair of values is one character: the category draw, then the character draw.
void tst_Generator::scriptedPassword_data()
{
    QTest::addColumn<Qt::CheckState>("extended");
    QTest::addColumn<QList<float>>("values");
    QTest::addColumn<QString>("password");

    QTest::addRow("letters and digits, both ends")
        << Qt::Unchecked << QList<float>{0,           0,     0, highestDraw, 0.34f,      0, 0.34f,
                                         highestDraw, 0.67f, 0, highestDraw, highestDraw}
        << "AZaz09";
    QTest::addRow("grayed counts as unticked")
        << Qt::PartiallyChecked
        << QList<float>{0, 0, 0.34f, 0, 0.67f, 0, highestDraw, 0, highestDraw, highestDraw}
        << "Aa009";
    QTest::addRow("extended, both ends")
        << Qt::Checked
        << QList<float>{0, 0, 0.25f, highestDraw, 0.5f, 0, 0.75f, 0, highestDraw, highestDraw}
        << "Az0+~";
}

void tst_Generator::scriptedPassword()
{
    QFETCH(Qt::CheckState, extended);
    QFETCH(QList<float>, values);
    QFETCH(QString, password);

    ScriptedWindow harness;
    harness.random.values = values;
    QCOMPARE(generate(harness.window, QString::number(password.size()), extended), password);
    QCOMPARE(harness.random.draws, values.size());
    QVERIFY(harness.errorBox.messages.isEmpty());
}

// Category draws spread evenly over [0, 1) must land in each category equally often.
void tst_Generator::categoryShares_data()
{
    QTest::addColumn<Qt::CheckState>("extended");
    QTest::addColumn<QString>("shares");

    // With the character draw fixed at 0.5 each category yields its middle character.
    QTest::addRow("unticked") << Qt::Unchecked << "N:334 n:333 5:333";
    QTest::addRow("grayed") << Qt::PartiallyChecked << "N:334 n:333 5:333";
    QTest::addRow("ticked") << Qt::Checked << "N:250 n:250 5:250 U:250";
}

void tst_Generator::categoryShares()
{
    QFETCH(Qt::CheckState, extended);
    QFETCH(QString, shares);

    constexpr int draws = 1000;
    ScriptedWindow harness;
    harness.random.values.clear();
    for (int step = 0; step < draws; ++step)
        harness.random.values << float(step) / draws << 0.5f;

    std::map<QChar, int> counts;
    for (int click = 0; click < draws / 10; ++click) {
        for (const QChar character : generate(harness.window, QStringLiteral("10"), extended))
            ++counts[character];
    }
    QStringList found;
    for (const auto &[character, count] : counts)
        found << QStringLiteral("%1:%2").arg(character).arg(count);
    QStringList expected = shares.split(QLatin1Char(' '));
    expected.sort();
    QCOMPARE(found, expected);
}

void tst_Generator::everyCharacterReachable_data()
{
    QTest::addColumn<float>("categoryDraw");
    QTest::addColumn<QString>("characters");

    QTest::addRow("upper case") << 0.0f << "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    QTest::addRow("lower case") << 0.3f << "abcdefghijklmnopqrstuvwxyz";
    QTest::addRow("digits") << 0.6f << "0123456789";
    QTest::addRow("extended") << 0.9f
                              << "+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`"
                                 "abcdefghijklmnopqrstuvwxyz{|}~";
}

// The middle of each of the category's equal slices of [0, 1) gives its characters in order.
void tst_Generator::everyCharacterReachable()
{
    QFETCH(float, categoryDraw);
    QFETCH(QString, characters);

    ScriptedWindow harness;
    harness.random.values.clear();
    const qsizetype span = characters.size();
    for (qsizetype slice = 0; slice < span; ++slice)
        harness.random.values << categoryDraw << (float(slice) + 0.5f) / float(span);
    QString drawn;
    for (qsizetype slice = 0; slice < span; ++slice)
        drawn += generate(harness.window, QStringLiteral("1"), Qt::Checked);
    QCOMPARE(drawn, characters);
}

void tst_Generator::failureKeepsPassword_data()
{
    QTest::addColumn<QList<float>>("values");
    QTest::addColumn<std::exception_ptr>("failure");
    QTest::addColumn<QString>("message");

    QTest::addRow("impossible category")
        << QList<float>{2.0f} << std::exception_ptr() << "20000: PasswordGenerator has a problem.";
    QTest::addRow("negative category")
        << QList<float>{-0.5f} << std::exception_ptr() << "20000: PasswordGenerator has a problem.";
    QTest::addRow("character code overflows")
        << QList<float>{0.0f, 1e9f} << std::exception_ptr() << "6: Overflow";
    QTest::addRow("character draw not a number")
        << QList<float>{0.0f, std::nanf("")} << std::exception_ptr() << "6: Overflow";
    QTest::addRow("out of memory")
        << QList<float>{} << std::make_exception_ptr(std::bad_alloc()) << "7: Out of memory";
    QTest::addRow("anything else thrown")
        << QList<float>{} << std::make_exception_ptr(std::runtime_error("source failed"))
        << "51: Internal error";
}

void tst_Generator::failureKeepsPassword()
{
    QFETCH(QList<float>, values);
    QFETCH(std::exception_ptr, failure);
    QFETCH(QString, message);

    ScriptedWindow harness;
    harness.random.values = values;
    harness.random.failure = failure;
    harness.control<QLineEdit>("txtPassword")->setText(QStringLiteral("previous"));
    QCOMPARE(generate(harness.window, QStringLiteral("8"), Qt::Unchecked),
             QStringLiteral("previous"));
    QCOMPARE(harness.errorBox.messages, QStringList{message});
    QVERIFY(harness.announcer.messages.isEmpty());
    QVERIFY(harness.control<QPushButton>("cmdCopy")->isEnabled());
}

void tst_Generator::systemSourceVaries()
{
    WindowWith<SystemRandomSource> harness;
    const QString first = generate(harness.window, QStringLiteral("10"), Qt::Unchecked);
    const QString second = generate(harness.window, QStringLiteral("10"), Qt::Unchecked);

    static const QRegularExpression alphanumeric(QStringLiteral("^[A-Za-z0-9]{10}$"));
    QVERIFY2(alphanumeric.match(first).hasMatch(), qPrintable(first));
    QVERIFY2(alphanumeric.match(second).hasMatch(), qPrintable(second));
    // 62^10 passwords: two equal ones in a row would mean the source repeats itself.
    QVERIFY(first != second);
}

// Each request to the system fills a block of 64 draws: a 10-character password takes 20.
void tst_Generator::systemSourceAsksInBlocks()
{
    int requests = 0;
    quint32 counter = 0;
    const SystemRandomSource::Block *filled = nullptr;
    SystemRandomSource source([&](SystemRandomSource::Block &block) {
        ++requests;
        filled = &block;
        std::generate(block.begin(), block.end(), [&] { return counter++ << 8; });
        block.back() = std::numeric_limits<quint32>::max();
    });
    // In steps of 2^-24, which is exact: QCOMPARE on floats would take 0 for 2^-24 and 1 - 2^-24
    // for 1.
    const auto steps = [&source] {
        return double(source.draw()) * (1 << 24);
    };
    QCOMPARE(steps(), 0.0);
    QCOMPARE(steps(), 1.0);
    // The words used so far are wiped, so that no value lingers; the others wait untouched.
    QCOMPARE(filled->at(1), 0u);
    QCOMPARE(filled->at(2), 2u << 8);
    for (int draw = 2; draw < 63; ++draw)
        source.draw();
    QCOMPARE(steps(), double((1 << 24) - 1)); // the largest word: the largest value below 1
    for (int draw = 64; draw < 1000 * 20; ++draw)
        source.draw();
    QCOMPARE(requests, (1000 * 20 + 63) / 64);
}

QTEST_MAIN(tst_Generator)
#include "tst_generator.moc"
