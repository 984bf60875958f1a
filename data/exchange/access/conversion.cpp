#include "conversion.h"

#include "schema_sql.h"

#include "data/store/books.h"
#include "data/store/searchkeys.h"
#include "data/store/beside.h"
#include "data/store/upgrade.h"
#include "data/text/counts.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

namespace dalil::Access {

namespace {

// Amounts of at most 12 digits, as the cheque writing window and the file's triggers allow,
// and running sums that stay within what the triggers keep exact.
constexpr qint64 largestAmount = 999'999'999'999;
constexpr qint64 largestSum = 9'000'000'000'000'000'000;
constexpr qint64 progressEvery = 1000;

// What a column of a book holds decides the Access types it takes and how.
using Books::Kind;
struct Target
{
    QString column;
    Kind kind;
};

QList<Target> targets(const QString &book)
{
    QList<Target> list;
    for (const QString &column : Books::columns(book))
        list.append({column, Books::kindOf(book, column)});
    return list;
}

bool accepts(Kind kind, Type type)
{
    const bool text = type == Type::Text || type == Type::Memo;
    const bool number = type == Type::Byte || type == Type::Integer || type == Type::Long || type == Type::Currency
                        || type == Type::Single || type == Type::Double;
    switch (kind) {
    case Kind::Text: return text;
    case Kind::DatePart: return text || number;
    case Kind::Amount: return number;
    }
    return false;
}

QString typeName(Type type)
{
    switch (type) {
    case Type::Text: return QStringLiteral("نص");
    case Type::Memo: return QStringLiteral("مذكرة");
    case Type::Boolean: return QStringLiteral("نعم/لا");
    case Type::Byte: return QStringLiteral("بايت");
    case Type::Integer: return QStringLiteral("عدد صحيح");
    case Type::Long: return QStringLiteral("عدد صحيح طويل");
    case Type::Currency: return QStringLiteral("عملة");
    case Type::Single: return QStringLiteral("عدد مفرد الدقة");
    case Type::Double: return QStringLiteral("عدد مزدوج الدقة");
    case Type::DateTime: return QStringLiteral("تاريخ/وقت");
    case Type::Other: break;
    }
    return QStringLiteral("كائن أو نوع آخر");
}

// How an Access table's columns feed a book's.
struct Plan
{
    QString book;
    QList<Column> columns; // the Access table's
    QList<Target> targets;
    QList<int> sources;    // each target's Access column, or -1 when the table has none (left empty)
    QList<int> extras;     // Access columns Dalil has no place for (counters aside)
};

Problem makePlan(File &file, const QString &book, Plan *plan)
{
    plan->book = book;
    plan->columns = file.columns(book);
    if (plan->columns.isEmpty())
        return file.problem().isProblem() ? file.problem() : Problem{Problem::Kind::MissingTable, book, {}, 0, 0, {}};
    plan->targets = targets(book);
    QList<bool> used(plan->columns.size(), false);
    const auto find = [plan](const QString &name) {
        for (int i = 0; i < plan->columns.size(); ++i) {
            if (plan->columns.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    };
    for (const Target &target : std::as_const(plan->targets)) {
        const int source = find(target.column);
        plan->sources.append(source);
        if (source >= 0)
            used[source] = true;
    }
    for (int i = 0; i < plan->columns.size(); ++i) {
        if (!used.at(i) && !plan->columns.at(i).autoNumber)
            plan->extras.append(i);
    }
    // The phone book's eighth column was never named by the program that kept these files: a
    // single text column beside the seven named ones is its notes.
    const int notes = plan->targets.size() - 1;
    if (book == u"Phone" && plan->sources.at(notes) < 0 && plan->extras.size() == 1
        && accepts(Kind::Text, plan->columns.at(plan->extras.first()).type))
        plan->sources[notes] = plan->extras.takeFirst();
    for (int i = 0; i < plan->targets.size(); ++i) {
        const Target &target = plan->targets.at(i);
        const int source = plan->sources.at(i);
        if (source < 0 && !(book == u"Phone" && i == notes))
            return {Problem::Kind::MissingColumn, book, target.column, 0, 0, {}};
        if (source >= 0 && !accepts(target.kind, plan->columns.at(source).type))
            return {Problem::Kind::ColumnType, book, target.column, 0, 0, typeName(plan->columns.at(source).type)};
    }
    return {};
}

// A date part stored as a number: its decimal digits, as Dalil's own books hold a date.
std::optional<QString> dateDigits(const Cell &cell)
{
    if (cell.kind == Cell::Kind::Integer)
        return QString::number(cell.integer);
    if (cell.kind == Cell::Kind::Currency && cell.integer % 10000 == 0)
        return QString::number(cell.integer / 10000);
    if (cell.kind == Cell::Kind::Real && std::fabs(cell.real) < 1e15 && std::trunc(cell.real) == cell.real)
        return QString::number(qint64(cell.real));
    return std::nullopt;
}

} // namespace

QString amount(const Cell &cell, qint64 *value)
{
    const QString fraction = QStringLiteral("مبلغ بكسر");
    const QString negative = QStringLiteral("مبلغ سالب");
    const QString tooLong = QStringLiteral("مبلغ من أكثر من 12 رقماً");
    switch (cell.kind) {
    case Cell::Kind::Integer:
        *value = cell.integer;
        break;
    case Cell::Kind::Currency:
        if (cell.integer % 10000 != 0)
            return fraction;
        *value = cell.integer / 10000;
        break;
    case Cell::Kind::Real:
        if (!std::isfinite(cell.real))
            return QStringLiteral("مبلغ لا يقرأ عدداً");
        if (std::trunc(cell.real) != cell.real)
            return fraction;
        if (cell.real < 0)
            return negative;
        if (cell.real > double(largestAmount))
            return tooLong;
        *value = qint64(cell.real);
        break;
    default:
        return QStringLiteral("مبلغ لا يقرأ عدداً");
    }
    if (*value < 0)
        return negative;
    if (*value > largestAmount)
        return tooLong;
    return {};
}

namespace {

// A record as it will be stored (a null QVariant is NULL), or why it cannot be.
using Values = QList<QVariant>;
QString convertRow(const Plan &plan, const Row &row, Values *values)
{
    values->resize(plan.targets.size());
    for (int i = 0; i < plan.targets.size(); ++i) {
        QVariant &value = (*values)[i];
        value = QVariant();
        const int source = plan.sources.at(i);
        if (source < 0 || row.at(source).isNull())
            continue;
        const Cell &cell = row.at(source);
        if (cell.kind == Cell::Kind::Text) {
            // Text that UTF-8 cannot carry (half of a character outside the BMP) would change.
            if (!QStringView(cell.text).isValidUtf16())
                return QStringLiteral("نص في العمود «%1» لا يحفظ كما هو").arg(plan.targets.at(i).column);
            value = cell.text;
        } else if (plan.targets.at(i).kind == Kind::DatePart) {
            const std::optional<QString> digits = dateDigits(cell);
            if (!digits)
                return QStringLiteral("جزء من التاريخ ليس عدداً صحيحاً: %1").arg(cell.shown());
            value = *digits;
        } else {
            qint64 number = 0;
            if (const QString why = amount(cell, &number); !why.isEmpty())
                return why;
            value = number;
        }
    }
    for (int extra : plan.extras) {
        if (!row.at(extra).isNull())
            return QStringLiteral("قيمة في العمود «%1» لا مكان لها في الدليل").arg(plan.columns.at(extra).name);
    }
    return {};
}

// Each record as stored: text in UTF-8, numbers in decimal, NULL as 0x1E; values parted by
// 0x1F, records ended by a line feed.
void addToDigest(QCryptographicHash &digest, int column, const QVariant &value, QByteArrayView utf8 = {})
{
    if (column > 0)
        digest.addData(QByteArrayView("\x1f", 1));
    if (value.isNull())
        digest.addData(QByteArrayView("\x1e", 1));
    else if (value.typeId() == QMetaType::QString)
        digest.addData(utf8.isNull() ? QByteArrayView(value.toString().toUtf8()) : utf8);
    else
        digest.addData(QByteArray::number(value.toLongLong()));
}

void addToDigest(QCryptographicHash &digest, const Values &values)
{
    for (int i = 0; i < values.size(); ++i)
        addToDigest(digest, i, values.at(i));
    digest.addData(QByteArrayView("\n", 1));
}

Held heldRecord(const Plan &plan, qint64 position, const Row &row, const QString &reason)
{
    Held held;
    held.book = plan.book;
    held.position = position;
    held.reason = reason;
    for (int i = 0; i < plan.columns.size(); ++i) {
        held.columns << plan.columns.at(i).name;
        held.values << row.at(i).shown();
    }
    return held;
}

// The sums of the cheques stored; false when a cheque would take them past what Dalil keeps.
bool addToSums(const Plan &plan, const Values &values, qint64 *dinars, qint64 *fils)
{
    if (plan.book != u"Cheque")
        return true;
    const int dinarsAt = int(Exchange::columns(plan.book).indexOf(Exchange::ChequeColumns::dinars));
    const int filsAt = int(Exchange::columns(plan.book).indexOf(Exchange::ChequeColumns::fils));
    const qint64 newDinars = *dinars + values.at(dinarsAt).toLongLong();
    const qint64 newFils = *fils + values.at(filsAt).toLongLong();
    if (newDinars > largestSum || newFils > largestSum)
        return false;
    *dinars = newDinars;
    *fils = newFils;
    return true;
}

// Whether a record of the Access table is stored, and if not why: convertRow's verdict, and
// the sums that must stay within what Dalil keeps.
QString judge(const Plan &plan, const Row &row, Values *values, qint64 *dinars, qint64 *fils)
{
    const QString reason = convertRow(plan, row, values);
    if (reason.isEmpty() && !addToSums(plan, *values, dinars, fils))
        return QStringLiteral("مجموع المبالغ يتجاوز ما يحفظه الدليل");
    return reason;
}

QString quoted(const QString &name)
{
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// A path read left to right inside an Arabic sentence (an embedding: Qt's text layout
// does not know the isolates).
QString shown(const QString &path)
{
    return QChar(0x202A) + QDir::toNativeSeparators(path) + QChar(0x202C);
}

QString bookName(const QString &book)
{
    if (book == u"Phone")
        return QStringLiteral("دليل الهاتف (Phone)");
    if (book == u"Note")
        return QStringLiteral("مذكرة المواعيد (Note)");
    if (book == u"Cheque")
        return QStringLiteral("دفتر الشيكات (Cheque)");
    return book;
}

QString englishName(const QString &book)
{
    return book == u"Phone" ? QStringLiteral("contacts") : book == u"Note" ? QStringLiteral("appointments") : QStringLiteral("cheques");
}

bool syncFile(const QString &path, bool folder = false)
{
    const int fd = ::open(QFile::encodeName(path).constData(), folder ? O_RDONLY | O_DIRECTORY : O_RDONLY);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

bool sameFile(const QString &a, const QString &b)
{
    struct stat x {}, y {};
    return ::stat(QFile::encodeName(a).constData(), &x) == 0 && ::stat(QFile::encodeName(b).constData(), &y) == 0
           && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

void removeWithCompanions(const QString &path)
{
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
}

// A text a spreadsheet would run as a formula goes behind an apostrophe, as Dalil's own CSV
// files write it (and its CSV import takes it away again).
QString csvField(QString text)
{
    if (!text.isEmpty() && (QStringLiteral("=+-@\t\r'").contains(text.front())))
        text.prepend(u'\'');
    return u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

bool writeHeld(const QString &path, const QList<Held> &held)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QString text = QStringLiteral("\uFEFF");
    QStringList heading{QStringLiteral("الموضع في الجدول")};
    for (const QString &column : held.first().columns)
        heading << column;
    heading << QStringLiteral("سبب عدم التحويل");
    for (QString &field : heading)
        field = csvField(field);
    text += heading.join(u',') + QStringLiteral("\r\n");
    for (const Held &record : held) {
        QStringList fields{csvField(QString::number(record.position))};
        for (const QString &value : record.values)
            fields << csvField(value);
        fields << csvField(record.reason);
        text += fields.join(u',') + QStringLiteral("\r\n");
    }
    file.write(text.toUtf8());
    return file.commit() && syncFile(path);
}

// The new book, written beside the original through a connection of the engine's own.
class Writer
{
public:
    explicit Writer(const QString &path)
    {
        removeWithCompanions(path);
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
            fail();
    }
    ~Writer()
    {
        endInserts();
        sqlite3_close(m_db);
    }
    void endInserts()
    {
        for (sqlite3_stmt *statement : std::as_const(m_inserts))
            sqlite3_finalize(statement);
        m_inserts.clear();
    }
    sqlite3 *handle() const { return m_db; }
    bool ok() const { return m_problem.isEmpty(); }
    QString problem() const { return m_problem; }

    bool run(const char *sql)
    {
        if (ok() && sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(QStringLiteral("%1 (%2)").arg(QString::fromUtf8(sqlite3_errmsg(m_db)), QString::fromUtf8(sql).simplified().left(60)));
        return ok();
    }
    bool prepare(const QString &book)
    {
        QStringList columns, marks;
        for (const QString &column : Exchange::columns(book)) {
            columns << quoted(column);
            marks << QStringLiteral("?");
        }
        const QByteArray sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(quoted(book), columns.join(u','), marks.join(u',')).toUtf8();
        sqlite3_stmt *statement = nullptr;
        if (ok() && sqlite3_prepare_v2(m_db, sql.constData(), -1, &statement, nullptr) != SQLITE_OK)
            fail();
        m_inserts[book] = statement;
        return ok();
    }
    // Stores a record, and digests it as stored.
    bool insert(const QString &book, const Values &values, QCryptographicHash &digest)
    {
        sqlite3_stmt *statement = m_inserts.value(book);
        for (int i = 0; i < values.size(); ++i) {
            const QVariant &value = values.at(i);
            if (value.isNull()) {
                sqlite3_bind_null(statement, i + 1);
                addToDigest(digest, i, value);
            } else if (value.typeId() == QMetaType::QString) {
                const QByteArray utf8 = value.toString().toUtf8();
                sqlite3_bind_text(statement, i + 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
                addToDigest(digest, i, value, utf8);
            } else {
                sqlite3_bind_int64(statement, i + 1, value.toLongLong());
                addToDigest(digest, i, value);
            }
        }
        digest.addData(QByteArrayView("\n", 1));
        const bool stored = sqlite3_step(statement) == SQLITE_DONE;
        sqlite3_reset(statement);
        if (!stored)
            fail();
        return stored;
    }
    // The book as stored, in the order written, digested as the records were.
    QByteArray digest(const QString &book, qint64 *count)
    {
        QStringList columns;
        for (const QString &column : Exchange::columns(book))
            columns << quoted(column);
        const QByteArray sql = QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(columns.join(u','), quoted(book)).toUtf8();
        sqlite3_stmt *statement = nullptr;
        QCryptographicHash digest(QCryptographicHash::Sha256);
        *count = 0;
        if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &statement, nullptr) != SQLITE_OK) {
            fail();
            return {};
        }
        const QVariant text = QString();
        while (sqlite3_step(statement) == SQLITE_ROW) {
            for (int i = 0; i < columns.size(); ++i) {
                switch (sqlite3_column_type(statement, i)) {
                case SQLITE_NULL:
                    addToDigest(digest, i, QVariant());
                    break;
                case SQLITE_INTEGER:
                    addToDigest(digest, i, qint64(sqlite3_column_int64(statement, i)));
                    break;
                default: {
                    // Text as the engine holds it, byte for byte (anything else would not be text).
                    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(statement, i));
                    const int size = sqlite3_column_bytes(statement, i);
                    addToDigest(digest, i, sqlite3_column_type(statement, i) == SQLITE_TEXT ? text : QVariant(-1),
                                QByteArrayView(bytes ? bytes : "", size));
                    break;
                }
                }
            }
            digest.addData(QByteArrayView("\n", 1));
            ++*count;
        }
        sqlite3_finalize(statement);
        return digest.result();
    }
    // The first value of each row of a statement, as text.
    QStringList column(const char *sql)
    {
        sqlite3_stmt *statement = nullptr;
        QStringList texts;
        if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW)
                texts << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
        }
        sqlite3_finalize(statement);
        return texts;
    }
    // The first value of a statement's first row, as text (empty for NULL).
    QString value(const char *sql)
    {
        sqlite3_stmt *statement = nullptr;
        QString text;
        if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW)
            text = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        return text;
    }
    void fail(const QString &why = {})
    {
        if (m_problem.isEmpty())
            m_problem = why.isEmpty() ? QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : "cannot open") : why;
    }

private:
    sqlite3 *m_db = nullptr;
    QHash<QString, sqlite3_stmt *> m_inserts;
    QString m_problem;
};

// The new book against the survey: sound, every record, the sums; then kept as Dalil's books
// are. False with the writer's problem set.
bool checkBooks(Writer &out, const Survey &survey, qint64 dinars, qint64 fils)
{
    if (out.value("PRAGMA quick_check") != u"ok") {
        out.fail(QStringLiteral("the new book is not sound"));
        return false;
    }
    for (const QString &book : books()) {
        qint64 count = 0;
        if (out.digest(book, &count) != survey.digests.value(book) || count != survey.converted(book)) {
            out.fail(QStringLiteral("the new book does not hold what was read: %1").arg(book));
            return false;
        }
    }
    const QString sums = out.value(R"(SELECT ifnull(sum("دينار"), 0) || ' ' || ifnull(sum("فلس"), 0) FROM Cheque)");
    const QString totals = out.value(R"(SELECT ifnull("Sum من دينار", 0) || ' ' || ifnull("Sum من فلس", 0) FROM TotalTotal)");
    const QString expected = QStringLiteral("%1 %2").arg(survey.dinars).arg(survey.fils);
    if (sums != expected || totals != expected || dinars != survey.dinars || fils != survey.fils) {
        out.fail(QStringLiteral("the cheque sums differ: %1, %2, %3").arg(sums, totals, expected));
        return false;
    }
    // Then kept as Dalil's books are, with a write-ahead log (nothing is in it yet).
    return out.run("PRAGMA journal_mode = WAL");
}

// Writes the books into the new file and checks them against the survey. False with
// writer's problem set, or with *stopped.
bool writeBooks(Writer &out, const QString &accessPath, const Survey &survey, const Progress &progress, bool *stopped,
                Problem *problem)
{
    qint64 total = 0;
    for (const QString &book : books())
        total += survey.counted.value(book);
    total *= 2; // the rows, then their search keys
    // A file of its own until it is checked and renamed (a failure removes it): no journal, no
    // sync until the end, and room for the books' pages while they are written.
    if (!out.run(schemaSql) || !out.run("PRAGMA journal_mode = OFF") || !out.run("PRAGMA synchronous = OFF")
        || !out.run("PRAGMA cache_size = -32768") || !out.run("BEGIN"))
        return false;
    SearchKeys::registerFunctions(out.handle());
    // The books' indexes are made once their rows are in, from the schema's own words: one
    // sort, rather than an index walk for every row.
    const QStringList indexes = out.column("SELECT sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL"
                                           " AND tbl_name IN ('Phone', 'Note', 'Cheque')");
    for (const QString &name : out.column("SELECT name FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL"
                                          " AND tbl_name IN ('Phone', 'Note', 'Cheque')")) {
        if (!out.run(QStringLiteral("DROP INDEX %1").arg(quoted(name)).toUtf8().constData()))
            return false;
    }
    File file(accessPath);
    qint64 done = 0;
    qint64 dinars = 0, fils = 0;
    for (const QString &book : books()) {
        Plan plan;
        if (*problem = makePlan(file, book, &plan); problem->isProblem())
            return false;
        QSet<qint64> held;
        for (const Held &record : survey.held) {
            if (record.book == book)
                held.insert(record.position);
        }
        if (!out.prepare(book))
            return false;
        QCryptographicHash digest(QCryptographicHash::Sha256);
        const std::unique_ptr<Cursor> cursor = file.rows(book);
        Row row;
        Values values;
        qint64 position = 0;
        while (cursor->next(row)) {
            ++position;
            const QString reason = judge(plan, row, &values, &dinars, &fils);
            if (reason.isEmpty() != !held.contains(position)) {
                out.fail(QStringLiteral("the Access file changed since it was read"));
                return false;
            }
            if (!reason.isEmpty())
                continue;
            if (!out.insert(book, values, digest))
                return false;
            if (++done % progressEvery == 0 && progress && !progress(done, total)) {
                *stopped = true;
                return false;
            }
        }
        if (cursor->problem().isProblem()) {
            *problem = cursor->problem();
            return false;
        }
        if (digest.result() != survey.digests.value(book)) {
            out.fail(QStringLiteral("the Access file changed since it was read"));
            return false;
        }
    }
    out.endInserts();
    // The steps that cannot be cut run beside the windows, which answer meanwhile.
    const auto tell = progress ? std::function<void()>([&] { progress(done, total); }) : std::function<void()>();
    bool indexed = true;
    runBeside([&] {
        for (const QString &index : indexes)
            indexed = indexed && out.run(index.toUtf8().constData());
        indexed = indexed && out.run("COMMIT");
    }, tell);
    if (!indexed)
        return false;
    // Search keys, sums and counts, as any older file gains them: beside too, as an index over
    // a book's keys is made in one statement. The new file's connection is this work's alone;
    // the windows hear of its progress from here.
    const qint64 written = done;
    std::atomic<qint64> keyedSoFar = 0;
    std::atomic<qint64> toKey = 0;
    std::atomic<bool> stop = false;
    int version = -1;
    runBeside([&] {
        version = Upgrade::bringUpToDate(out.handle(), [&](qint64 keyed, qint64 all) {
            keyedSoFar = keyed;
            toKey = all;
            return !stop;
        });
    }, progress ? std::function<void()>([&] {
        const qint64 all = toKey;
        if (!progress(written + (all > 0 ? keyedSoFar * (total - written) / all : 0), total))
            stop = true;
    }) : std::function<void()>());
    *stopped = stop;
    if (*stopped)
        return false;
    if (version != Upgrade::currentVersion) {
        out.fail(QStringLiteral("the new book could not be given its search keys"));
        return false;
    }
    // Checked before it takes the original's place: sound, every record, the sums. The keys
    // are all made by now, and the bar stays full rather than going back to the rows' end.
    bool checked = false;
    runBeside([&] { checked = checkBooks(out, survey, dinars, fils); },
              progress ? std::function<void()>([&] { progress(total, total); }) : std::function<void()>());
    return checked;
}

} // namespace

const QStringList &books()
{
    static const QStringList list{QStringLiteral("Phone"), QStringLiteral("Note"), QStringLiteral("Cheque")};
    return list;
}

QString Held::value(const QString &column) const
{
    const qsizetype at = columns.indexOf(column);
    return at >= 0 ? values.at(at) : QString();
}

qint64 Survey::converted(const QString &book) const
{
    qint64 count = counted.value(book);
    for (const Held &record : held)
        count -= record.book == book;
    return count;
}

Survey survey(const QString &path, const Progress &progress)
{
    Survey result;
    File file(path);
    if (!file.isOpen()) {
        result.problem = file.problem();
        return result;
    }
    result.format = file.format();
    QList<Plan> plans;
    qint64 total = 0;
    for (const QString &book : books()) {
        Plan plan;
        if (result.problem = makePlan(file, book, &plan); result.problem.isProblem())
            return result;
        result.counted[book] = file.rowCount(book);
        total += result.counted[book];
        plans << plan;
    }
    qint64 done = 0;
    for (const Plan &plan : std::as_const(plans)) {
        QCryptographicHash digest(QCryptographicHash::Sha256);
        const std::unique_ptr<Cursor> cursor = file.rows(plan.book);
        Row row;
        Values values;
        qint64 position = 0;
        while (cursor->next(row)) {
            ++position;
            const QString reason = judge(plan, row, &values, &result.dinars, &result.fils);
            if (reason.isEmpty())
                addToDigest(digest, values);
            else
                result.held << heldRecord(plan, position, row, reason);
            if (++done % progressEvery == 0 && progress && !progress(done, total)) {
                result.stopped = true;
                return result;
            }
        }
        if (cursor->problem().isProblem()) {
            result.problem = cursor->problem();
            return result;
        }
        result.digests[plan.book] = digest.result();
    }
    if (progress)
        progress(total, total);
    return result;
}

QString keepName(const QString &databasePath)
{
    const QString base = databasePath + QStringLiteral(".access");
    QString name = base;
    // A conversion stopped between keeping the original and renaming finds it kept already.
    for (int n = 2; QFileInfo::exists(name) && !sameFile(name, databasePath); ++n)
        name = base + QStringLiteral("-%1").arg(n);
    return name;
}

QString heldName(const QString &databasePath, const QString &book)
{
    const QFileInfo database(databasePath);
    const QString base = database.absolutePath() + u'/' + database.completeBaseName() + QStringLiteral("-unconverted-")
                         + englishName(book);
    QString name = base + QStringLiteral(".csv");
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = base + QStringLiteral("-%1.csv").arg(n);
    return name;
}

Conversion convert(const QString &databasePath, const Survey &survey, const Progress &progress)
{
    Conversion result;
    if (!survey.ok()) {
        result.problem = survey.problem;
        return result;
    }
    const QString part = databasePath + QStringLiteral(".converting");
    bool stopped = false;
    bool written = false;
    {
        Writer out(part);
        written = writeBooks(out, databasePath, survey, progress, &stopped, &result.problem);
        if (!written && !stopped)
            result.failure = out.problem();
    }
    // The new book to the disk beside the windows: some 100 MB for a book of 200,000 records.
    bool synced = false;
    if (written)
        runBeside([&] { synced = syncFile(part); }, progress ? std::function<void()>([&] { progress(1, 1); }) : std::function<void()>());
    if (!written || !synced) {
        removeWithCompanions(part);
        result.outcome = stopped ? Conversion::Outcome::Stopped : Conversion::Outcome::Failed;
        if (written)
            result.failure = QStringLiteral("the new book could not be written to the disk");
        return result;
    }
    // What was left out, exactly as read, beside the book before the book changes.
    for (const QString &book : books()) {
        QList<Held> held;
        for (const Held &record : survey.held) {
            if (record.book == book)
                held << record;
        }
        if (held.isEmpty())
            continue;
        const QString name = heldName(databasePath, book);
        if (!writeHeld(name, held)) {
            removeWithCompanions(part);
            result.failure = QStringLiteral("%1 could not be written").arg(name);
            return result;
        }
        result.heldFiles << name;
    }
    // The original keeps its bytes under a second name (a copy where the file system has no
    // links); then the new book takes the name in one step. A write-ahead log left beside the
    // name by an earlier book of Dalil's would be read into the new one: it goes with the original.
    result.keptAs = keepName(databasePath);
    const QByteArray original = QFile::encodeName(databasePath);
    const QByteArray kept = QFile::encodeName(result.keptAs);
    if (!sameFile(result.keptAs, databasePath) && ::link(original.constData(), kept.constData()) != 0) {
        const QString copy = result.keptAs + QStringLiteral(".part");
        QFile::remove(copy);
        if (!QFile::copy(databasePath, copy) || !syncFile(copy) || std::rename(QFile::encodeName(copy).constData(), kept.constData()) != 0) {
            QFile::remove(copy);
            removeWithCompanions(part);
            result.failure = QStringLiteral("the original could not be kept as %1").arg(result.keptAs);
            return result;
        }
    }
    QFile::remove(databasePath + QStringLiteral("-shm"));
    if (QFileInfo::exists(databasePath + QStringLiteral("-wal")))
        std::rename(QFile::encodeName(databasePath + QStringLiteral("-wal")).constData(), (kept + "-wal").constData());
    syncFile(QFileInfo(databasePath).absolutePath(), true);
    if (std::rename(QFile::encodeName(part).constData(), original.constData()) != 0) {
        result.failure = QString::fromLocal8Bit(std::strerror(errno));
        removeWithCompanions(part);
        return result;
    }
    syncFile(QFileInfo(databasePath).absolutePath(), true);
    result.outcome = Conversion::Outcome::Done;
    return result;
}

QString message(const Problem &problem, const QString &path)
{
    const QString file = shown(path);
    switch (problem.kind) {
    case Problem::Kind::None:
        return {};
    case Problem::Kind::Missing:
        return QStringLiteral("الملف %1 غير موجود.").arg(file);
    case Problem::Kind::NotAccess:
        return QStringLiteral("الملف %1 ليس قاعدة بيانات Access يمكن قراءتها، أو أنه تالف.").arg(file);
    case Problem::Kind::Damaged:
        return problem.table.isEmpty() || problem.table == u"MSysObjects"
                   ? QStringLiteral("الملف %1 تالف: تعذرت قراءة فهرس جداوله.").arg(file)
                   : QStringLiteral("الملف %1 تالف: تعذرت قراءة الجدول %2 فيه.").arg(file, bookName(problem.table));
    case Problem::Kind::Short:
        return QStringLiteral("الملف %1 تالف أو ناقص: يعدّ الجدول %2 فيه %3، وقُرئ منه %4.")
            .arg(file, bookName(problem.table), Counts::text(problem.counted, Counts::record()),
                 Counts::text(problem.read, Counts::record()));
    case Problem::Kind::MissingTable:
        return QStringLiteral("لا يحوي الملف %1 الجدول %2.").arg(file, bookName(problem.table));
    case Problem::Kind::MissingColumn:
        return QStringLiteral("لا يحوي الجدول %1 في الملف %2 العمود «%3».").arg(bookName(problem.table), file, problem.column);
    case Problem::Kind::ColumnType:
        return QStringLiteral("العمود «%1» في الجدول %2 في الملف %3 من نوع لا يحفظه الدليل فيه (%4).")
            .arg(problem.column, bookName(problem.table), file, problem.detail);
    }
    return {};
}

namespace {

// One book of an Access file, read for an import.
class BookReader : public Exchange::RecordReader
{
public:
    BookReader(const QString &path, const QString &book)
        : m_path(path), m_file(path)
    {
        if (!m_file.isOpen()) {
            m_problem = m_file.problem();
            return;
        }
        if (m_problem = makePlan(m_file, book, &m_plan); m_problem.isProblem())
            return;
        m_counted = m_file.rowCount(book);
        m_cursor = m_file.rows(book);
    }
    bool next(Records::Values &record) override
    {
        Row row;
        Values values;
        while (m_cursor && m_cursor->next(row)) {
            ++m_read;
            const QString reason = convertRow(m_plan, row, &values);
            if (!reason.isEmpty()) {
                m_held << heldRecord(m_plan, m_read, row, reason);
                continue;
            }
            record.clear();
            for (int i = 0; i < values.size(); ++i)
                record.insert(m_plan.targets.at(i).column, values.at(i));
            return true;
        }
        if (m_cursor && m_cursor->problem().isProblem())
            m_problem = m_cursor->problem();
        return false;
    }
    Exchange::Problem problem() const override
    {
        return m_problem.isProblem() ? Exchange::Problem{0, message(m_problem, m_path)} : Exchange::Problem{};
    }
    qint64 position() const override
    {
        return m_counted > 0 ? m_read * QFileInfo(m_path).size() / m_counted : 0;
    }
    QStringList notices() const override
    {
        QStringList lines;
        if (m_held.isEmpty())
            return lines;
        lines << QStringLiteral("يُترك ما لا يحفظه الدليل كما هو (%1):").arg(Counts::text(m_held.size(), Counts::record()));
        for (const Held &record : m_held.mid(0, 20))
            lines << QStringLiteral("السجل %1: %2 (%3)").arg(record.position).arg(record.values.join(QStringLiteral(" | ")), record.reason);
        return lines;
    }

private:
    QString m_path;
    File m_file;
    Plan m_plan;
    std::unique_ptr<Cursor> m_cursor;
    Problem m_problem;
    qint64 m_counted = 0;
    qint64 m_read = 0;
    QList<Held> m_held;
};

} // namespace

std::unique_ptr<Exchange::RecordReader> reader(const QString &path, const QString &book)
{
    return std::make_unique<BookReader>(path, book);
}

} // namespace dalil::Access
