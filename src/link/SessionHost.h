#pragma once

#include <QString>

// What the session asks of the windows around it. The main window implements it; tests record.
class SessionHost
{
public:
    // The six views that can be reopened after a link-up.
    enum class View
    {
        Dimmers,
        Fixtures,
        Playbacks,
        Page,
        Scene,
        Show
    };

    virtual ~SessionHost() = default;
    // The start-up window's status line.
    virtual void setStatus(const QString& text) = 0;
    virtual void showStartup() = 0;
    virtual void hideStartup() = 0;
    virtual void openView(View view) = 0;
    // Shows a line error ("framing error on com port") and returns once the user has closed it.
    virtual void reportLineError(const QString& text) = 0;
};
