#include "chequelayouts.h"

#include "database.h"
#include "options.h"

#include <QCollator>
#include <QHash>
#include <QSqlError>
#include <QLocale>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <functional>

namespace dalil {

using ChequeLayouts::chosenOption;
using ChequeLayouts::itemKeys;

namespace {

QSqlDatabase open(const QString &databasePath, DataError *error)
{
    return Database::connection(databasePath, error);
}

bool keepsLayouts(const QSqlDatabase &db)
{
    bool isTable = false;
    return Database::hasObject(db, QStringLiteral("ChequeLayouts"), &isTable) && isTable;
}

DataError failure(const QSqlQuery &query, const QString &path)
{
    DataError error = DataError::fromSql(query.lastError(), path);
    if (!error.isError())
        error.kind = DataError::Kind::Other;
    return error;
}

// A write into Dalil's own tables: refused as read-only where an older file could not gain them.
DataError notKept(const QString &path)
{
    DataError error;
    error.kind = DataError::Kind::ReadOnly;
    error.path = blockingFile(path);
    error.object = QStringLiteral("ChequeLayouts");
    return error;
}

// Layouts the user changed where the file could not keep them: they serve this run's prints.
QHash<QString, ChequeLayout> &heldForRun()
{
    static QHash<QString, ChequeLayout> held;
    return held;
}

} // namespace

namespace ChequeLayouts {

QStringList names(const QString &databasePath)
{
    DataError error;
    const QSqlDatabase db = open(databasePath, &error);
    QStringList found;
    if (db.isValid() && keepsLayouts(db)) {
        QSqlQuery query(db);
        if (query.exec(QStringLiteral("SELECT name FROM ChequeLayouts"))) {
            while (query.next())
                found << query.value(0).toString();
        }
    }
    if (found.isEmpty())
        return {ChequeLayout::standardName()};
    QCollator collator{QLocale(QLocale::Arabic)};
    std::sort(found.begin(), found.end(), collator);
    return found;
}

std::optional<ChequeLayout> load(const QString &databasePath, const QString &name)
{
    DataError error;
    const QSqlDatabase db = open(databasePath, &error);
    if (!db.isValid() || !keepsLayouts(db)) {
        if (name == ChequeLayout::standardName())
            return ChequeLayout::standard();
        return std::nullopt;
    }
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT leafWidth, leafHeight, offsetX, offsetY FROM ChequeLayouts WHERE name = ?"));
    query.addBindValue(name);
    if (!query.exec() || !query.next())
        return std::nullopt;
    ChequeLayout layout;
    layout.name = name;
    layout.leafWidth = query.value(0).toDouble();
    layout.leafHeight = query.value(1).toDouble();
    layout.offsetX = query.value(2).toDouble();
    layout.offsetY = query.value(3).toDouble();
    // An item another program removed keeps the shipped place rather than vanish from the leaf.
    layout.items = ChequeLayout::standard().items;
    query.prepare(QStringLiteral("SELECT item, fromRight, fromTop, width, height, fontSize FROM ChequeLayoutItems "
                                 "WHERE layout = ?"));
    query.addBindValue(name);
    if (!query.exec())
        return std::nullopt;
    while (query.next()) {
        const QByteArray key = query.value(0).toString().toLatin1();
        const auto it = std::find_if(itemKeys.begin(), itemKeys.end(), [&](const char *k) { return key == k; });
        if (it == itemKeys.end())
            continue;
        layout.items[size_t(it - itemKeys.begin())] = {query.value(1).toDouble(), query.value(2).toDouble(),
                                                        query.value(3).toDouble(), query.value(4).toDouble(),
                                                        query.value(5).toDouble()};
    }
    return layout;
}

ChequeLayout chosen(const QString &databasePath)
{
    if (const auto held = heldForRun().constFind(databasePath); held != heldForRun().constEnd())
        return *held;
    DataError error;
    const QSqlDatabase db = open(databasePath, &error);
    if (db.isValid() && keepsLayouts(db)) {
        if (const auto name = Options::value(db, chosenOption)) {
            if (auto layout = load(databasePath, name->toString()); layout && isSound(*layout))
                return *layout;
        }
        for (const QString &name : names(databasePath)) {
            if (auto layout = load(databasePath, name); layout && isSound(*layout))
                return *layout;
        }
    }
    return ChequeLayout::standard();
}

namespace {

// Runs the statements in one transaction; the first failure undoes them all.
DataError write(const QString &databasePath, const std::function<bool(QSqlQuery &)> &statements)
{
    DataError error;
    QSqlDatabase db = open(databasePath, &error);
    if (!db.isValid())
        return error;
    if (!keepsLayouts(db))
        return notKept(databasePath);
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return failure(query, databasePath);
    if (!statements(query)) {
        error = failure(query, databasePath);
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return error;
    }
    if (!query.exec(QStringLiteral("COMMIT"))) {
        error = failure(query, databasePath);
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    }
    return error;
}

bool remember(QSqlQuery &query, const QString &name)
{
    return Options::set(query, {{chosenOption, name}});
}

} // namespace

DataError save(const QString &databasePath, const ChequeLayout &layout)
{
    if (!isSound(layout)) {
        DataError error;
        error.kind = DataError::Kind::Refused;
        error.object = QStringLiteral("ChequeLayouts");
        return error;
    }
    const DataError error = write(databasePath, [&](QSqlQuery &query) {
        query.prepare(QStringLiteral("INSERT OR REPLACE INTO ChequeLayouts (name, leafWidth, leafHeight, offsetX, offsetY) "
                                     "VALUES (?, ?, ?, ?, ?)"));
        for (const QVariant &value : {QVariant(layout.name), QVariant(layout.leafWidth), QVariant(layout.leafHeight),
                                      QVariant(layout.offsetX), QVariant(layout.offsetY)})
            query.addBindValue(value);
        if (!query.exec())
            return false;
        query.prepare(QStringLiteral("INSERT OR REPLACE INTO ChequeLayoutItems VALUES (?, ?, ?, ?, ?, ?, ?)"));
        for (int i = 0; i < chequeItemCount; ++i) {
            const ChequeItemPlace &p = layout.items[size_t(i)];
            for (const QVariant &value : {QVariant(layout.name), QVariant(QLatin1String(itemKeys[size_t(i)])),
                                          QVariant(p.fromRight), QVariant(p.fromTop), QVariant(p.width),
                                          QVariant(p.height), QVariant(p.fontSize)})
                query.addBindValue(value);
            if (!query.exec())
                return false;
        }
        return remember(query, layout.name);
    });
    if (error.isError())
        heldForRun().insert(databasePath, layout);
    else
        heldForRun().remove(databasePath);
    return error;
}

DataError choose(const QString &databasePath, const QString &name)
{
    const DataError error = write(databasePath, [&](QSqlQuery &query) { return remember(query, name); });
    heldForRun().remove(databasePath);
    if (error.isError()) {
        if (const auto layout = load(databasePath, name))
            heldForRun().insert(databasePath, *layout);
    }
    return error;
}

DataError remove(const QString &databasePath, const QString &name)
{
    return write(databasePath, [&](QSqlQuery &query) {
        if (!query.exec(QStringLiteral("SELECT count(*) FROM ChequeLayouts")) || !query.next())
            return false;
        if (query.value(0).toLongLong() <= 1)
            return true;
        for (const QString &sql : {QStringLiteral("DELETE FROM ChequeLayoutItems WHERE layout = ?"),
                                   QStringLiteral("DELETE FROM ChequeLayouts WHERE name = ?")}) {
            query.prepare(sql);
            query.addBindValue(name);
            if (!query.exec())
                return false;
        }
        return true;
    });
}

} // namespace ChequeLayouts

} // namespace dalil
