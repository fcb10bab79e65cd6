#include "shell/DeviceComboBox.h"

#include <QLineEdit>
#include <QSerialPortInfo>

namespace {
const QString kSeparator = QStringLiteral(" \u2014 ");
}

DeviceComboBox::DeviceComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(NoInsert);
    setSizeAdjustPolicy(AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(28);
    connect(this, &QComboBox::activated, this, [this](int) { emit deviceChosen(device()); });
    connect(lineEdit(), &QLineEdit::editingFinished, this, [this] {
        if (lineEdit()->isModified()) {
            lineEdit()->setModified(false);
            emit deviceChosen(device());
        }
    });
}

QString DeviceComboBox::entryText(const QString& path, const QString& description,
                                  const QString& serialNumber)
{
    QString text = path;
    if (!description.isEmpty())
        text += kSeparator + description;
    if (!serialNumber.isEmpty())
        text += (description.isEmpty() ? kSeparator : QStringLiteral(" ")) +
                QStringLiteral("(%1)").arg(serialNumber);
    return text;
}

void DeviceComboBox::refresh()
{
    const QString shown = currentText();
    clear();
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
        addItem(entryText(port.systemLocation(), port.description(), port.serialNumber()),
                port.systemLocation());
    setCurrentIndex(-1);
    setEditText(shown);
}

void DeviceComboBox::showDevice(const QString& device)
{
    const int entry = findData(device);
    setCurrentIndex(entry);
    if (entry < 0)
        setEditText(device);
    lineEdit()->setModified(false);
}

QString DeviceComboBox::device() const
{
    const QString text = currentText().trimmed();
    const int at = text.indexOf(kSeparator);
    return at < 0 ? text : text.left(at);
}

void DeviceComboBox::showPopup()
{
    refresh();
    QComboBox::showPopup();
}
