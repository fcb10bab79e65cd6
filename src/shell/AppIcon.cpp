#include "shell/AppIcon.h"

// The icon lives in a static library, whose resources the linker would otherwise drop.
static void initIconResource()
{
    Q_INIT_RESOURCE(icon);
}

QIcon appIcon()
{
    static const bool registered = (initIconResource(), true);
    Q_UNUSED(registered);
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/lvmonitor-%1.png").arg(size), QSize(size, size));
    return icon;
}
