#include "icons.h"

#include <QFile>

namespace dalil::Icons {

namespace {

QIcon load(const QString &name)
{
    QIcon icon;
    for (const char *size : {"32", "16"}) {
        const QString path = QStringLiteral(":/icons/%1-%2.png").arg(name, QLatin1String(size));
        if (QFile::exists(path))
            icon.addFile(path);
    }
    return icon;
}

} // namespace

QIcon start()
{
    return load(QStringLiteral("start"));
}

QIcon phone()
{
    return load(QStringLiteral("phone"));
}

QIcon appointment()
{
    return load(QStringLiteral("appointment"));
}

QIcon cheque()
{
    return load(QStringLiteral("cheque"));
}

} // namespace dalil::Icons
