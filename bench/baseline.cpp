// The yardstick for start-up: a Qt window that shows a single line of text.
#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("A window with one line of text"));
    label.show();
    return QApplication::exec();
}
