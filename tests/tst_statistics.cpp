#include "fakes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include <map>
#include <numeric>

// Chi-square tests of the passwords drawn through the system random source.
//
// Each mode runs four or five tests, nine in all, each failing by chance with probability 1e-5,
// so a correct generator fails a run with probability below 1e-4. Critical values of the
// chi-square distribution at upper-tail probability 1e-5, by degrees of freedom:
namespace {
const std::map<int, double> criticalValue{
    {2, 23.0259}, {3, 25.9017}, {9, 39.3407}, {21, 60.7003}, {25, 67.1818}};

const QString upper = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
const QString lower = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
const QString digits = QStringLiteral("0123456789");
const QString symbols = QStringLiteral("+,-./:;<=>?@[\\]^_`{|}~");

struct CharacterClass
{
    QString characters;
    double share; // of all characters drawn
};

double chiSquare(const QList<qint64> &observed, const QList<double> &expected)
{
    double sum = 0;
    for (qsizetype index = 0; index < observed.size(); ++index) {
        const double difference = double(observed.at(index)) - expected.at(index);
        sum += difference * difference / expected.at(index);
    }
    return sum;
}
} // namespace

Q_DECLARE_METATYPE(QList<CharacterClass>)

class tst_Statistics : public QObject
{
    Q_OBJECT

private slots:
    void distribution_data();
    void distribution();
    void noRepeats();
};

// Ticked, every letter and digit can also come from the extended category, so the shares of the
// visible classes mix both draws; within a class every character stays equally likely.
void tst_Statistics::distribution_data()
{
    QTest::addColumn<Qt::CheckState>("extended");
    QTest::addColumn<QList<CharacterClass>>("classes");

    QTest::addRow("unticked") << Qt::Unchecked
                              << QList<CharacterClass>{
                                     {upper, 1.0 / 3}, {lower, 1.0 / 3}, {digits, 1.0 / 3}};
    QTest::addRow("ticked") << Qt::Checked
                            << QList<CharacterClass>{{upper, 0.25 + (0.25 * 26 / 84)},
                                                     {lower, 0.25 + (0.25 * 26 / 84)},
                                                     {digits, 0.25 + (0.25 * 10 / 84)},
                                                     {symbols, 0.25 * 22 / 84}};
}

void tst_Statistics::distribution()
{
    QFETCH(Qt::CheckState, extended);
    QFETCH(QList<CharacterClass>, classes);

    constexpr int clicks = 100'000;
    constexpr qint64 total = 10LL * clicks;
    WindowWith<SystemRandomSource> harness;
    harness.control<QComboBox>("lstChar")->setEditText(QStringLiteral("10"));
    harness.control<QCheckBox>("chkIncl")->setCheckState(extended);
    auto *cmdGenerate = harness.control<QPushButton>("cmdGenerate");
    auto *txtPassword = harness.control<QLineEdit>("txtPassword");
    std::map<QChar, qint64> counts;
    for (int click = 0; click < clicks; ++click) {
        cmdGenerate->click();
        for (const QChar character : txtPassword->text())
            ++counts[character];
    }

    QList<qint64> classObserved;
    QList<double> classExpected;
    qint64 counted = 0;
    for (const CharacterClass &characterClass : classes) {
        QList<qint64> observed;
        for (const QChar character : characterClass.characters) {
            QVERIFY2(counts[character] > 0, qPrintable(QString(character)));
            observed << counts[character];
        }
        const qint64 classTotal = std::accumulate(observed.begin(), observed.end(), qint64(0));
        const QList<double> uniform(observed.size(), double(classTotal) / double(observed.size()));
        const double withinClass = chiSquare(observed, uniform);
        qInfo("%s: chi-square %.2f, %lld degrees of freedom", qPrintable(characterClass.characters),
              withinClass, qlonglong(observed.size() - 1));
        QVERIFY(withinClass < criticalValue.at(observed.size() - 1));
        classObserved << classTotal;
        classExpected << characterClass.share * total;
        counted += classTotal;
    }
    QCOMPARE(counted, total); // nothing outside the classes

    const double betweenClasses = chiSquare(classObserved, classExpected);
    qInfo("classes: chi-square %.2f, %lld degrees of freedom", betweenClasses,
          qlonglong(classes.size() - 1));
    QVERIFY(betweenClasses < criticalValue.at(classes.size() - 1));
}

// Two equal passwords among 10,000 of 62^10 would happen by chance with probability below 1e-10.
void tst_Statistics::noRepeats()
{
    WindowWith<SystemRandomSource> harness;
    harness.control<QComboBox>("lstChar")->setEditText(QStringLiteral("10"));
    QSet<QString> passwords;
    for (int click = 0; click < 10'000; ++click) {
        harness.control<QPushButton>("cmdGenerate")->click();
        passwords.insert(harness.control<QLineEdit>("txtPassword")->text());
    }
    QCOMPARE(passwords.size(), 10'000);
}

QTEST_MAIN(tst_Statistics)
#include "tst_statistics.moc"
