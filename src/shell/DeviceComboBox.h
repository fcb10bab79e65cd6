#pragma once

#include <QComboBox>

// An editable list of the serial ports present: each entry reads as the device path with the
// adapter's description and serial number, and carries the bare path. The list is read anew
// each time it is opened, so an adapter plugged in meanwhile shows up.
class DeviceComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit DeviceComboBox(QWidget* parent = nullptr);

    // Reads the ports present again, keeping the text in the edit field.
    void refresh();
    // Shows this device: its entry when it is present, else the bare path.
    void showDevice(const QString& device);
    // The device the user chose or typed: the path of an entry's text, or the typed text.
    QString device() const;
    // "/dev/ttyUSB0 — FT232R USB UART (A10K3XYZ)" from its parts; empty parts are left out.
    static QString entryText(const QString& path, const QString& description,
                             const QString& serialNumber);

signals:
    // The user chose an entry or finished typing a device.
    void deviceChosen(const QString& device);

protected:
    void showPopup() override;
};
