#include "link/FakeSerialBackend.h"

bool FakeSerialBackend::open(const QString& device, const LineSettings& s, OpenError* error)
{
    if (!failOpenWith.isEmpty()) {
        if (error)
            *error = {failOpenKind, failOpenWith};
        return false;
    }
    openedDevice = device;
    settings = s;
    m_open = true;
    ++openCount;
    return true;
}

bool FakeSerialBackend::configure(const LineSettings& s)
{
    if (rejectDataBits != 0 && s.dataBits == rejectDataBits)
        return false;
    settings = s;
    return true;
}

void FakeSerialBackend::write(const QByteArray& bytes)
{
    writes.append(bytes);
    writesWithSettings.append({bytes, settings});
}

QByteArray FakeSerialBackend::written() const
{
    QByteArray all;
    for (const auto& w : writes)
        all += w;
    return all;
}
