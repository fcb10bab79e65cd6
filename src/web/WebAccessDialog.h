#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class WebAccess;

// Connection -> Web Access...: turns the web page on or off, chooses where it listens and
// whether it may control the console, and shows its address (with the token when it needs one)
// to copy. Changes take effect with OK or Apply.
class WebAccessDialog : public QDialog
{
    Q_OBJECT
public:
    explicit WebAccessDialog(WebAccess& web, QWidget* parent = nullptr);

private:
    void load();
    bool applyChoice();
    void showState();

    WebAccess& m_web;
    QCheckBox* chkEnabled;
    QComboBox* cboAddress;
    QSpinBox* spnPort;
    QCheckBox* chkControl;
    QLineEdit* txtLink;
    QPushButton* btnCopy;
    QPushButton* btnNewToken;
    QLabel* lblStatus;
};
