#include "host/errorbox.h"

#include <QGuiApplication>
#include <QMessageBox>

void SystemErrorBox::show(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, QGuiApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, parent);
    box.exec();
}
