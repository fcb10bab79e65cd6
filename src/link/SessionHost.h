#pragma once

#include <QString>

// What the session asks of the windows around it. The main window implements it; tests record.
class SessionHost
{
public:
    virtual ~SessionHost() = default;
    // The start-up window's status line.
    virtual void setStatus(const QString& text) = 0;
    virtual void showStartup() = 0;
    virtual void hideStartup() = 0;
    // The data request of a link-up went out: the views that were open reopen.
    virtual void reopenViews() = 0;
    // Shows a line error ("framing error on com port") and returns once the user has closed it.
    virtual void reportLineError(const QString& text) = 0;
};
