#include "icons.h"

#include <QFile>
#include <QImage>
#include <QPixmap>

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
    // For a window drawn larger than its design: the large picture with each of its pixels
    // doubled, so that the drawing stays crisp rather than blurred.
    const QImage large(QStringLiteral(":/icons/%1-32.png").arg(name));
    if (!large.isNull())
        icon.addPixmap(QPixmap::fromImage(large.scaled(large.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
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
