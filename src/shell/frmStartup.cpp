#include "shell/frmStartup.h"

#include "link/SerialPort.h"
#include "model/Settings.h"
#include "shell/DeviceComboBox.h"

#include <QCheckBox>
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
    lblDevice = new QLabel(QStringLiteral("&Device"), Frame1);
    lblDevice->setObjectName(QStringLiteral("lblDevice"));
    cboDevice = new DeviceComboBox(Frame1);
    cboDevice->setObjectName(QStringLiteral("cboDevice"));
    cboDevice->setAccessibleName(QStringLiteral("Device"));
    cboDevice->setToolTip(QStringLiteral("The serial device of the selected port. Choose one from "
                                         "the list or type its path."));
    lblDevice->setBuddy(cboDevice);
    auto* ports = new QVBoxLayout(Frame1);
    ports->addWidget(optCom1);
    ports->addWidget(optCom2);
    auto* deviceRow = new QHBoxLayout;
    deviceRow->addWidget(lblDevice);
    deviceRow->addWidget(cboDevice, 1);
    ports->addLayout(deviceRow);

    chkReconnect = new QCheckBox(QStringLiteral("&Reconnect automatically"), this);
    chkReconnect->setObjectName(QStringLiteral("chkReconnect"));
    chkReconnect->setToolTip(QStringLiteral("When the device goes away, try to open it again every "
                                            "two seconds and link up as soon as it is back."));

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
    layout->addWidget(chkReconnect);
    layout->addWidget(Label1);

    connect(optCom1, &QRadioButton::clicked, this, &frmStartup::optCom1_Click);
    connect(optCom2, &QRadioButton::clicked, this, &frmStartup::optCom1_Click);
    connect(cboDevice, &DeviceComboBox::deviceChosen, this, &frmStartup::deviceChosen);
    connect(chkReconnect, &QCheckBox::clicked, this, [this](bool on) {
        Settings().SaveBool(QString::fromLatin1(Settings::Startup), QStringLiteral("Reconnect"),
                            on);
        emit reconnectChanged(on);
    });
    connect(CmdConnect, &QPushButton::clicked, this, [this] {
        // A device typed but not yet confirmed counts as chosen.
        if (cboDevice->device() != SerialPort::deviceFor(chosenPort()))
            deviceChosen(cboDevice->device());
        emit connectRequested();
    });
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
    chkReconnect->setChecked(Settings().GetBool(QString::fromLatin1(Settings::Startup),
                                                QStringLiteral("Reconnect"), true));
    showChosenDevice();
}

void frmStartup::optCom1_Click()
{
    Settings().SaveBool(QString::fromLatin1(Settings::Startup), QStringLiteral("Com1"),
                        optCom1->isChecked());
    showChosenDevice();
}

int frmStartup::chosenPort() const
{
    return optCom2->isChecked() ? 2 : 1;
}

void frmStartup::showChosenDevice()
{
    optCom1->setToolTip(SerialPort::deviceFor(1));
    optCom2->setToolTip(SerialPort::deviceFor(2));
    cboDevice->showDevice(SerialPort::deviceFor(chosenPort()));
}

void frmStartup::deviceChosen(const QString& device)
{
    if (device.isEmpty())
        return;
    // Remembered for the next run, and in force for this one even where the environment names
    // another device.
    Settings().SaveSetting(QString::fromLatin1(Settings::Startup),
                           QStringLiteral("Com%1Device").arg(chosenPort()), device);
    SerialPort::setDeviceForThisRun(chosenPort(), device);
    showChosenDevice();
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
    if (e->type() == QEvent::Show) {
        cboDevice->refresh();
        showChosenDevice();
    }
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
