#ifndef KEYFOLD_FRMPASSWORD_H
#define KEYFOLD_FRMPASSWORD_H

#include "host/hostservices.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// The program's only window: choose a length, generate a password, copy it.
class frmPassword : public QDialog
{
    Q_OBJECT

public:
    explicit frmPassword(const HostServices &host, QWidget *parent = nullptr);
    ~frmPassword() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void placeControls();
    void connectOccasions();
    void centreOnScreen();

    void applyLengthRule();
    void generate();
    void copyToClipboard();

    void PasswordGenerator(qint32 lngLength);
    QChar drawCharacter();

    HostServices host;

    QFrame *Frame1;
    QLabel *Label1;
    QComboBox *lstChar;
    QLineEdit *txtPassword;
    QPushButton *cmdGenerate;
    QPushButton *cmdCopy;
    QCheckBox *chkIncl;
    QLabel *Label2;
    QLabel *Label3;
};

#endif
