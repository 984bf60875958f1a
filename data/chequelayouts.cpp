#include "chequelayouts.h"

#include <QCollator>
#include <QHash>
#include <QSqlError>
#include <QLocale>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

#include <algorithm>
#include <functional>

namespace dalil {

namespace {

constexpr std::array<const char *, chequeItemCount> itemKeys{"day", "month", "year", "payee", "words", "figures"};

const QString chosenOption = QStringLiteral("cheque.layout");

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

bool fits(double value, double low, double high)
{
    return value >= low && value <= high; // false for NaN as well
}

} // namespace

QRectF ChequeLayout::box(ChequeItem item) const
{
    const ChequeItemPlace &p = place(item);
    return {leafWidth - p.fromRight - offsetX - p.width, p.fromTop + offsetY, p.width, p.height};
}

QString ChequeLayout::standardName()
{
    return QStringLiteral("النموذج الافتراضي");
}

ChequeLayout ChequeLayout::standard()
{
    ChequeLayout layout;
    layout.name = standardName();
    layout.place(ChequeItem::Day) = {22, 10, 10, 7, 11};
    layout.place(ChequeItem::Month) = {34, 10, 10, 7, 11};
    layout.place(ChequeItem::Year) = {46, 10, 16, 7, 11};
    layout.place(ChequeItem::Payee) = {28, 30, 110, 8, 12};
    layout.place(ChequeItem::Words) = {28, 40, 130, 14, 11};
    layout.place(ChequeItem::Figures) = {127, 16, 40, 9, 12};
    return layout;
}

QString chequeItemCaption(ChequeItem item)
{
    switch (item) {
    case ChequeItem::Day:
        return QStringLiteral("اليوم");
    case ChequeItem::Month:
        return QStringLiteral("الشهر");
    case ChequeItem::Year:
        return QStringLiteral("العام");
    case ChequeItem::Payee:
        return QStringLiteral("لأمر السيد");
    case ChequeItem::Words:
        return QStringLiteral("المبلغ بالحروف");
    case ChequeItem::Figures:
        return QStringLiteral("المبلغ بالأرقام");
    }
    return {};
}

bool isSound(const ChequeLayout &layout)
{
    if (layout.name.trimmed().isEmpty() || !fits(layout.leafWidth, minLeafLength, maxLeafLength)
        || !fits(layout.leafHeight, minLeafLength, maxLeafLength)
        || !fits(layout.offsetX, -maxLeafLength, maxLeafLength) || !fits(layout.offsetY, -maxLeafLength, maxLeafLength))
        return false;
    for (const ChequeItemPlace &p : layout.items) {
        if (!fits(p.fromRight, 0, maxLeafLength) || !fits(p.fromTop, 0, maxLeafLength) || !fits(p.width, 1, maxLeafLength)
            || !fits(p.height, 1, maxLeafLength) || !fits(p.fontSize, minFontSize, maxFontSize))
            return false;
    }
    return true;
}

namespace ChequeLayouts {

bool create(sqlite3 *handle)
{
    const char *tables = R"sql(
CREATE TABLE ChequeLayouts (
    name       TEXT PRIMARY KEY,
    leafWidth  REAL NOT NULL,
    leafHeight REAL NOT NULL,
    offsetX    REAL NOT NULL DEFAULT 0,
    offsetY    REAL NOT NULL DEFAULT 0
);
CREATE TABLE ChequeLayoutItems (
    layout    TEXT NOT NULL,
    item      TEXT NOT NULL CHECK (item IN ('day', 'month', 'year', 'payee', 'words', 'figures')),
    fromRight REAL NOT NULL,
    fromTop   REAL NOT NULL,
    width     REAL NOT NULL,
    height    REAL NOT NULL,
    fontSize  REAL NOT NULL,
    PRIMARY KEY (layout, item)
) WITHOUT ROWID;
)sql";
    if (sqlite3_exec(handle, tables, nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    const ChequeLayout standard = ChequeLayout::standard();
    QString sql = QStringLiteral("INSERT INTO ChequeLayouts (name, leafWidth, leafHeight) VALUES ('%1', %2, %3);")
                      .arg(standard.name)
                      .arg(standard.leafWidth)
                      .arg(standard.leafHeight);
    for (int i = 0; i < chequeItemCount; ++i) {
        const ChequeItemPlace &p = standard.items[size_t(i)];
        sql += QStringLiteral("INSERT INTO ChequeLayoutItems VALUES ('%1', '%2', %3, %4, %5, %6, %7);")
                   .arg(standard.name, QLatin1String(itemKeys[size_t(i)]))
                   .arg(p.fromRight)
                   .arg(p.fromTop)
                   .arg(p.width)
                   .arg(p.height)
                   .arg(p.fontSize);
    }
    sql += QStringLiteral("INSERT OR REPLACE INTO DalilOptions (name, value) VALUES ('%1', '%2');")
               .arg(chosenOption, standard.name);
    return sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

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
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT value FROM DalilOptions WHERE name = ?"));
        query.addBindValue(chosenOption);
        if (query.exec() && query.next()) {
            if (auto layout = load(databasePath, query.value(0).toString()); layout && isSound(*layout))
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
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO DalilOptions (name, value) VALUES (?, ?)"));
    query.addBindValue(chosenOption);
    query.addBindValue(name);
    return query.exec();
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
