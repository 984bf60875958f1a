// What the tests of the data rooms share, without a window: a fresh application folder with
// its own DB1.mdb, direct SQL on it, the older layouts, and a fixture giving each test a fresh
// book.
#pragma once

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QVariantList>

#include <memory>
#include <utility>

namespace testing {

// A temporary application folder holding a DB1.mdb made from the schema.
class AppFolder
{
public:
    explicit AppFolder(bool withDatabase = true);
    QString path() const { return m_dir.path(); }
    QString databasePath() const { return m_dir.path() + QStringLiteral("/DB1.mdb"); }

    // Runs SQL on the file through a connection of its own (as another program would).
    void exec(const QString &sql, const QVariantList &values = {}) const;
    QList<QVariantList> rows(const QString &sql, const QVariantList &values = {}) const;
    QVariant value(const QString &sql, const QVariantList &values = {}) const;

private:
    QTemporaryDir m_dir;
};

// The POSIX locks this process holds on a file, as the kernel lists them in /proc/locks; -1
// when the file or the list cannot be read. The engine's locks on a book's shared memory are
// what tells another program the book is in use.
int locksHeld(const QString &file);

// File permissions mean nothing to root: a test of read-only files runs as an ordinary user,
// as the users do. Returns false when the user could not be changed.
bool runAsOrdinaryUser();

// Creates DB1.mdb at path as layout 3 had it (the schema file and the upgrade's plain steps),
// or from the statements given.
bool createDatabase(const QString &path, const QByteArray &sql = {});
// The schema of the first layout (version 1), before the amount guards: an older user's file.
QByteArray firstLayoutSql();
// The schema of the second layout (version 2), before the books' change numbers.
QByteArray secondLayoutSql();

// The hostile texts of the reliability tests: very long, control characters and NUL, direction
// and combining marks, emoji, SQL and the search language's wildcards; each with its name.
QList<std::pair<const char *, QString>> hostileTexts();

// A test class whose every test starts on a fresh book in a folder of its own: the book is
// made before each test and, after it, let go with every connection to it.
class BookFixture : public QObject
{
    Q_OBJECT
protected:
    std::unique_ptr<AppFolder> folder;

private slots:
    void init();
    void cleanup();
};

} // namespace testing
