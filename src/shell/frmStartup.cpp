#include "shell/frmStartup.h"

#include "link/SerialPort.h"
#include "model/Settings.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

frmStartup::frmStartup(QWidget* mainWindow) : QDialog(mainWindow)
{
    setObjectName(QStringLiteral("frmStartup"));
    setWindowTitle(QStringLiteral("Initialize Com Port"));

    Frame1 = new QGroupBox(QStringLiteral("Serial Port"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    optCom1 = new QRadioButton(QStringLiteral("Com1"), Frame1);
    optCom1->setObjectName(QStringLiteral("optCom1"));
    optCom2 = new QRadioButton(QStringLiteral("Com2"), Frame1);
    optCom2->setObjectName(QStringLiteral("optCom2"));
    auto* ports = new QVBoxLayout(Frame1);
    ports->addWidget(optCom1);
    ports->addWidget(optCom2);

    CmdConnect = new QPushButton(QStringLiteral("Connect"), this);
    CmdConnect->setObjectName(QStringLiteral("CmdConnect"));
    CmdConnect->setDefault(true);
    CmdConnect->setAutoDefault(true);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setMinimumWidth(260);

    auto* top = new QHBoxLayout;
    top->addWidget(Frame1);
    top->addWidget(CmdConnect, 0, Qt::AlignVCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Label1);

    connect(optCom1, &QRadioButton::clicked, this, &frmStartup::optCom1_Click);
    connect(optCom2, &QRadioButton::clicked, this, &frmStartup::optCom1_Click);
    connect(CmdConnect, &QPushButton::clicked, this, &frmStartup::connectRequested);
    setModal(false);
    CmdConnect->setFocus();
    Form_Load();
}

void frmStartup::Form_Load()
{
    const bool com1 =
        Settings().GetBool(QString::fromLatin1(Settings::Startup), QStringLiteral("Com1"), true);
    optCom1->setChecked(com1);
    if (!optCom1->isChecked())
        optCom2->setChecked(true);
    optCom1->setToolTip(SerialPort::deviceFor(1));
    optCom2->setToolTip(SerialPort::deviceFor(2));
}

void frmStartup::optCom1_Click()
{
    Settings().SaveBool(QString::fromLatin1(Settings::Startup), QStringLiteral("Com1"),
                        optCom1->isChecked());
}

void frmStartup::setStatus(const QString& text)
{
    Label1->setText(text);
}

QString frmStartup::status() const
{
    return Label1->text();
}

bool frmStartup::event(QEvent* e)
{
    if (e->type() == QEvent::Show || e->type() == QEvent::WindowActivate)
        centreOnMainWindow();
    return QDialog::event(e);
}

void frmStartup::centreOnMainWindow()
{
    const QWidget* main = parentWidget();
    if (!main)
        return;
    const QRect m = main->frameGeometry();
    const QSize own = frameGeometry().size();
    move(m.x() + m.width() / 2 - own.width() / 2, m.y() + m.height() / 2 - own.height() / 2);
}
