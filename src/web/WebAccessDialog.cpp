#include "web/WebAccessDialog.h"

#include "web/WebAccess.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

template <typename W>
W* named(W* widget, const char* objectName, const QString& accessibleName)
{
    widget->setObjectName(QString::fromLatin1(objectName));
    widget->setAccessibleName(accessibleName);
    return widget;
}

} // namespace

WebAccessDialog::WebAccessDialog(WebAccess& web, QWidget* parent) : QDialog(parent), m_web(web)
{
    setObjectName(QStringLiteral("WebAccessDialog"));
    setWindowTitle(QStringLiteral("Web Access"));
    chkEnabled = named(new QCheckBox(QStringLiteral("&Turn on the web page"), this), "chkEnabled",
                       QStringLiteral("Turn on the web page"));
    cboAddress = named(new QComboBox(this), "cboAddress", QStringLiteral("Listen on"));
    cboAddress->addItem(QStringLiteral("This computer only (127.0.0.1)"),
                        QStringLiteral("127.0.0.1"));
    cboAddress->addItem(QStringLiteral("All network interfaces (needs the token)"),
                        QStringLiteral("0.0.0.0"));
    spnPort = named(new QSpinBox(this), "spnPort", QStringLiteral("Port"));
    spnPort->setRange(1, 65535);
    chkControl = named(new QCheckBox(QStringLiteral("Allow &control from the web"), this),
                       "chkControl", QStringLiteral("Allow control from the web"));
    chkControl->setToolTip(QStringLiteral(
        "Lets the page set channel values and steer the console's page. Leave it off on a "
        "network others use."));
    txtLink = named(new QLineEdit(this), "txtLink", QStringLiteral("Link to the web page"));
    txtLink->setReadOnly(true);
    btnCopy = named(new QPushButton(QStringLiteral("C&opy"), this), "btnCopy",
                    QStringLiteral("Copy the link"));
    btnNewToken = named(new QPushButton(QStringLiteral("&New token"), this), "btnNewToken",
                        QStringLiteral("New token"));
    btnNewToken->setToolTip(
        QStringLiteral("Makes a new access token: links given out before stop working."));
    lblStatus = named(new QLabel(this), "lblStatus", QStringLiteral("Web page status"));
    lblStatus->setWordWrap(true);
    lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto* form = new QFormLayout;
    form->addRow(chkEnabled);
    form->addRow(QStringLiteral("&Listen on:"), cboAddress);
    form->addRow(QStringLiteral("&Port:"), spnPort);
    form->addRow(chkControl);
    auto* linkRow = new QHBoxLayout;
    linkRow->addWidget(txtLink, 1);
    linkRow->addWidget(btnCopy);
    linkRow->addWidget(btnNewToken);
    // A row holding a layout gets no buddy of its own: the label names the link's box.
    auto* linkLabel = new QLabel(QStringLiteral("Lin&k:"), this);
    linkLabel->setBuddy(txtLink);
    form->addRow(linkLabel, linkRow);
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lblStatus);
    layout->addWidget(buttons);

    connect(btnCopy, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(txtLink->text()); });
    connect(btnNewToken, &QPushButton::clicked, this, [this] {
        m_web.newToken();
        showState();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (applyChoice())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this,
            &WebAccessDialog::applyChoice);
    connect(&m_web, &WebAccess::stateChanged, this, &WebAccessDialog::showState);
    load();
}

void WebAccessDialog::load()
{
    const WebAccess::Config& c = m_web.config();
    chkEnabled->setChecked(c.enabled);
    const QString address = c.address.toString();
    int index = cboAddress->findData(address);
    if (index < 0) {
        cboAddress->addItem(address, address);
        index = cboAddress->count() - 1;
    }
    cboAddress->setCurrentIndex(index);
    spnPort->setValue(c.port);
    chkControl->setChecked(c.allowControl);
    showState();
}

bool WebAccessDialog::applyChoice()
{
    WebAccess::Config c = m_web.config();
    c.enabled = chkEnabled->isChecked();
    c.address = QHostAddress(cboAddress->currentData().toString());
    c.port = quint16(spnPort->value());
    c.allowControl = chkControl->isChecked();
    QString error;
    const bool ok = m_web.apply(c, &error);
    showState();
    return ok;
}

void WebAccessDialog::showState()
{
    const bool on = m_web.isListening();
    txtLink->setText(on ? m_web.link() : QString());
    btnCopy->setEnabled(on);
    btnNewToken->setEnabled(m_web.tokenRequired());
    QString status;
    if (!m_web.lastError().isEmpty())
        status = m_web.lastError();
    else if (!on)
        status = QStringLiteral("The web page is off.");
    else
        status = QStringLiteral("On: %1 watching. %2")
                     .arg(m_web.clientCount())
                     .arg(m_web.tokenRequired()
                              ? QStringLiteral("Others on the network need the whole link, token "
                                               "included.")
                              : QStringLiteral("Only this computer can open it."));
    lblStatus->setText(status);
}
