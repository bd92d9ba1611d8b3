#include "platform/CTempFolder.h"

#include <QDir>
#include <unistd.h>

QString CTempFolder::Path()
{
    return QDir::tempPath() + QStringLiteral("/Cratewise-%1").arg(::getuid());
}
