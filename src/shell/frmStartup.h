#pragma once

#include <QDialog>

class DeviceComboBox;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

// The start-up window: the user picks COM1 or COM2 (and the device behind each) and connects; the
// label tells how the connection is going. Modeless, kept in front of the main window and centred
// on it; Connect is its default button, so Enter connects.
class frmStartup : public QDialog
{
    Q_OBJECT
public:
    explicit frmStartup(QWidget* mainWindow);

    void setStatus(const QString& text);
    QString status() const;

    QGroupBox* Frame1 = nullptr;
    QRadioButton* optCom1 = nullptr;
    QRadioButton* optCom2 = nullptr;
    QLabel* lblDevice = nullptr;
    DeviceComboBox* cboDevice = nullptr;
    QCheckBox* chkReconnect = nullptr;
    QPushButton* CmdConnect = nullptr;
    QLabel* Label1 = nullptr;

signals:
    void connectRequested();
    // The user switched reconnecting off or on.
    void reconnectChanged(bool on);

protected:
    bool event(QEvent* event) override;

private:
    void Form_Load();
    void optCom1_Click();
    int chosenPort() const;
    void showChosenDevice();
    void deviceChosen(const QString& device);
    void centreOnMainWindow();
};
