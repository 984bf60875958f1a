#include "hijrisetting.h"

#include "common/application.h"
#include "common/form.h"
#include "data/store/hijrioptions.h"

#include <QCoreApplication>
#include <QPointer>

namespace dalil {

namespace {

QPointer<HijriSetting> &current()
{
    static QPointer<HijriSetting> setting;
    return setting;
}

} // namespace

HijriSetting::HijriSetting(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("hijriSetting"));
    DataError error;
    const QSqlDatabase db = Database::connection(databasePath(), &error);
    if (db.isValid())
        m_converter = Hijri::Converter(Hijri::readOptions(db));
}

HijriSetting *HijriSetting::instance()
{
    if (!current()) {
        // Owned by the frame: a run ends with it.
        QObject *owner = dynamic_cast<QObject *>(Forms::host());
        current() = new HijriSetting(owner ? owner : QCoreApplication::instance());
    }
    return current();
}

QString HijriSetting::dateText(const QString &day, const QString &month, const QString &year) const
{
    bool dayOk = false, monthOk = false, yearOk = false;
    const QDate date(year.toInt(&yearOk), month.toInt(&monthOk), day.toInt(&dayOk));
    return dayOk && monthOk && yearOk && date.isValid() ? dateText(date) : QString();
}

DataError HijriSetting::change(const Hijri::Options &options)
{
    if (!(options == m_converter.options())) {
        m_converter = Hijri::Converter(options);
        emit changed();
    }
    const QString path = databasePath();
    DataError error;
    const QSqlDatabase db = Database::connection(path, &error);
    if (!db.isValid())
        return error;
    QSqlError sqlError;
    if (!Hijri::writeOptions(db, m_converter.options(), &sqlError)) {
        error = DataError::fromSql(sqlError, path);
        return error;
    }
    return {};
}

} // namespace dalil
