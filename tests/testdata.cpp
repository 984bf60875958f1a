#include "testdata.h"

#include "schema_sql.h"

#include "data/store/database.h"
#include "data/store/searchkeys.h"
#include "data/store/upgrade.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QUuid>

#include <sqlite3.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace testing {

namespace {

// A file as a layout up to 3 had it: the new file's schema, then the upgrade's plain steps.
QByteArray layoutSql(int version)
{
    QByteArray sql(schemaSql);
    for (int step = 2; step <= version; ++step)
        sql += dalil::Upgrade::stepSql(step);
    sql.replace("PRAGMA user_version = 1;", "PRAGMA user_version = " + QByteArray::number(version) + ';');
    return sql;
}

} // namespace

QByteArray firstLayoutSql()
{
    return layoutSql(1);
}

QByteArray secondLayoutSql()
{
    return layoutSql(2);
}

bool createDatabase(const QString &path, const QByteArray &given)
{
    const QByteArray sql = given.isEmpty() ? layoutSql(3) : given;
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    char *error = nullptr;
    const int rc = sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error);
    if (error) {
        qWarning("schema: %s", error);
        sqlite3_free(error);
    }
    // A new book as the program leaves it after its first opening, search keys and all.
    if (given.isEmpty()) {
        dalil::SearchKeys::registerFunctions(db);
        if (dalil::Upgrade::bringUpToDate(db) != dalil::Upgrade::currentVersion)
            qWarning("the new book was not brought up to date");
    }
    sqlite3_close(db);
    return rc == SQLITE_OK;
}

bool runAsOrdinaryUser()
{
    return geteuid() != 0 || (setgid(65534) == 0 && setuid(65534) == 0);
}

AppFolder::AppFolder(bool withDatabase)
{
    if (withDatabase && !createDatabase(databasePath()))
        qFatal("cannot create the test database");
}

namespace {

template <class Fn>
void withConnection(const QString &path, Fn fn)
{
    const QString name = QStringLiteral("test-") + QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
        fn(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QSqlQuery run(QSqlDatabase &db, const QString &sql, const QVariantList &values)
{
    QSqlQuery query(db);
    query.prepare(sql);
    for (const QVariant &v : values)
        query.addBindValue(v);
    if (!query.exec())
        qFatal("SQL failed: %s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
    return query;
}

} // namespace

void AppFolder::exec(const QString &sql, const QVariantList &values) const
{
    withConnection(databasePath(), [&](QSqlDatabase &db) { run(db, sql, values); });
}

QList<QVariantList> AppFolder::rows(const QString &sql, const QVariantList &values) const
{
    QList<QVariantList> result;
    withConnection(databasePath(), [&](QSqlDatabase &db) {
        QSqlQuery query = run(db, sql, values);
        while (query.next()) {
            QVariantList row;
            for (int i = 0; i < query.record().count(); ++i)
                row << query.value(i);
            result << row;
        }
    });
    return result;
}

QVariant AppFolder::value(const QString &sql, const QVariantList &values) const
{
    const auto all = rows(sql, values);
    return all.isEmpty() || all.first().isEmpty() ? QVariant() : all.first().first();
}

QList<std::pair<const char *, QString>> hostileTexts()
{
    QString tenThousand;
    while (tenThousand.size() < 10000)
        tenThousand += QStringLiteral("اسم طويل جداً long name 0123456789 ");
    tenThousand.truncate(10000);
    return {
        {"10,000 characters", tenThousand},
        {"control characters", QStringLiteral("a\tb\nc\rd") + QChar(1) + QStringLiteral("e") + QChar(0x7f) + QChar(0)
                                   + QStringLiteral("f")},
        {"direction marks", QStringLiteral("\u200Fمرحبا\u200E abc \u202Bنص\u202C \u2066x\u2069")},
        {"combining marks", QStringLiteral("ب\u064E\u0651ت\u0650 e\u0301\u0301")},
        {"emoji", QStringLiteral("😀 👨‍👩‍👧 🇸🇦 ✓")},
        {"SQL to drop a table", QStringLiteral("'; DROP TABLE Phone; --")},
        {"SQL that is always true", QStringLiteral("' OR '1'='1")},
        {"percent", QStringLiteral("50%")},
        {"underscore", QStringLiteral("a_b")},
        {"star", QStringLiteral("a*b")},
        {"question mark", QStringLiteral("a?b")},
        {"bracket", QStringLiteral("[a")},
    };
}

// A line of /proc/locks reads "1: POSIX  ADVISORY  READ  4242 fe:00:1093 128 128".
int locksHeld(const QString &file)
{
    struct stat id = {};
    if (::stat(QFile::encodeName(file).constData(), &id) != 0)
        return -1;
    const QByteArray inode = QByteArray::number(major(id.st_dev), 16).rightJustified(2, '0') + ':'
                             + QByteArray::number(minor(id.st_dev), 16).rightJustified(2, '0') + ':'
                             + QByteArray::number(qulonglong(id.st_ino));
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return -1;
    int held = 0;
    for (const QByteArray &line : locks.readAll().split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        held += words.size() >= 8 && words[4] == QByteArray::number(::getpid()) && words[5] == inode;
    }
    return held;
}

void BookFixture::init()
{
    folder = std::make_unique<AppFolder>();
}

void BookFixture::cleanup()
{
    dalil::Database::closeAll();
    folder.reset();
}

} // namespace testing
