#include "shell/DisplayOptions.h"

#include "model/Settings.h"

namespace {
const QString kValuesInPercent = QStringLiteral("ValuesInPercent");
}

DisplayOptions::DisplayOptions(QObject* parent) : QObject(parent)
{
    m_valuesInPercent =
        Settings().GetBool(QString::fromLatin1(Settings::Startup), kValuesInPercent, false);
}

void DisplayOptions::setValuesInPercent(bool on)
{
    if (on == m_valuesInPercent)
        return;
    m_valuesInPercent = on;
    Settings().SaveBool(QString::fromLatin1(Settings::Startup), kValuesInPercent, on);
    emit changed();
}
