#pragma once

#include <QObject>

// How the views show what the console sends, as the user chose it (Window menu), kept in the
// settings. Views follow `changed` and write their values anew.
class DisplayOptions : public QObject
{
    Q_OBJECT
public:
    explicit DisplayOptions(QObject* parent = nullptr);

    // Unnamed fixture values and playback levels in percent rather than 0..255.
    bool valuesInPercent() const { return m_valuesInPercent; }
    void setValuesInPercent(bool on);

signals:
    void changed();

private:
    bool m_valuesInPercent = false;
};
