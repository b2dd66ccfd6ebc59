// The cost of one click on Generate for a 10-character password, through the system source.
#include "tests/fakes.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class bench_Generate : public QObject
{
    Q_OBJECT

private slots:
    void tenCharacters();
};

void bench_Generate::tenCharacters()
{
    WindowWith<SystemRandomSource> harness;
    harness.control<QComboBox>("lstChar")->setEditText(QStringLiteral("10"));
    auto *cmdGenerate = harness.control<QPushButton>("cmdGenerate");
    QBENCHMARK
    {
        cmdGenerate->click();
    }
    QCOMPARE(harness.control<QLineEdit>("txtPassword")->text().size(), 10);
}

QTEST_MAIN(bench_Generate)
#include "bench_generate.moc"
