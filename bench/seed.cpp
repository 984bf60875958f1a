#include "seed.h"

#include "data/store/searchkeys.h"
#include "data/store/upgrade.h"

#include <QElapsedTimer>
#include <QFile>

#include <sqlite3.h>

#include <array>
#include <set>
#include <string>
#include <vector>

namespace bench {

namespace {

// A fixed sequence, so that every seeding of N rows gives the same file.
struct Random
{
    quint64 state = 0x9E3779B97F4A7C15ull;
    quint64 next()
    {
        quint64 z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return int(next() % quint64(n)); }
    template <class T, size_t N>
    const T &pick(const std::array<T, N> &list) { return list[size_t(below(int(N)))]; }
};

using Words = std::vector<std::string>;

const Words maleNames = {
    "محمد", "أحمد", "عبدالله", "عبدالرحمن", "خالد", "سعد", "فهد", "سلطان", "ناصر", "سعود",
    "عمر", "علي", "يوسف", "إبراهيم", "حسن", "طارق", "ماجد", "فيصل", "تركي", "بندر",
    "نايف", "مشعل", "وليد", "عادل", "سامي", "هشام", "زياد", "ياسر", "مازن", "رائد",
    "بدر", "منصور", "حمد", "راشد", "صالح", "عثمان", "إسماعيل", "مصطفى", "كريم", "جمال"};
const Words femaleNames = {
    "فاطمة", "عائشة", "مريم", "نورة", "سارة", "هند", "لطيفة", "منيرة", "ريم", "دانة",
    "لمى", "هيفاء", "أمل", "جواهر", "العنود", "شهد", "رنا", "ليلى", "سلمى", "رهف"};
const Words families = {
    "العتيبي", "القحطاني", "الغامدي", "الزهراني", "الشمري", "الدوسري", "المطيري", "الحربي",
    "العنزي", "السبيعي", "الشهري", "العمري", "المالكي", "الجهني", "البلوي", "الرشيدي",
    "السلمي", "الأحمدي", "الخالدي", "التميمي", "الكعبي", "الهاشمي", "النعيمي", "المري",
    "الكبيسي", "الحمادي", "البلوشي", "الزعبي", "النجار", "الحداد", "الخطيب", "الشريف",
    "المصري", "الحلبي", "الدمشقي", "البغدادي", "الموصلي", "الأنصاري", "الفاسي", "التونسي"};
// First names that no other name begins with; each heads one row in a thousand.
const Words rareNames = {"غضنفر", "ضرغام", "قسورة", "شمردل", "زبرقان", "عنترة"};
const std::array<int, 6> rareSlots = {7, 123, 250, 444, 612, 901};

const Words cities = {"الرياض", "جدة", "مكة المكرمة", "المدينة المنورة", "الدمام", "الخبر", "الطائف",
                      "أبها", "تبوك", "بريدة", "عمّان", "الكويت", "المنامة", "الدوحة", "دبي"};
const Words districts = {"حي النزهة", "حي الروضة", "حي السلامة", "حي العليا", "حي الملز", "حي الشاطئ",
                         "حي الفيصلية", "حي الحمراء", "حي الزهراء", "حي الربوة"};
const Words domains = {"gmail.com", "hotmail.com", "yahoo.com", "outlook.com", "mail.sa"};
const Words weekdays = {"الأحد", "الإثنين", "الثلاثاء", "الأربعاء", "الخميس", "الجمعة", "السبت"};
const Words appointments = {"اجتماع مع ", "موعد مع الطبيب ", "زيارة ", "اتصال هاتفي مع ", "غداء عمل مع ",
                            "مراجعة مكتب ", "حفل زفاف ", "عزاء "};
const Words reasons = {"إيجار المنزل", "فاتورة الكهرباء", "رسوم مدرسية", "صيانة السيارة", "قسط شهري",
                       "شراء أثاث", "أتعاب محاماة", "تأمين صحي", "اشتراك الإنترنت", "سداد دين",
                       "مواد بناء", "رواتب العمال", "هدية زواج", "تبرع خيري"};
const Words companyKinds = {"شركة", "مؤسسة", "مكتب", "مصنع", "مستشفى"};
const Words companyNames = {"النور", "الأمل", "الخليج", "الفجر", "الوفاء", "الرواد", "البيان",
                            "الصفوة", "الإعمار", "الهدى", "السلام", "الريادة"};

std::string digits(Random &random, int count)
{
    std::string s;
    for (int i = 0; i < count; ++i)
        s += char('0' + random.below(10));
    return s;
}

std::string landline(Random &random, const char *area)
{
    if (random.below(8) == 0)
        return std::string("+966 ") + (area + 1) + " " + digits(random, 3) + " " + digits(random, 4);
    return std::string(area) + " " + digits(random, 3) + " " + digits(random, 4);
}

std::string mobile(Random &random)
{
    if (random.below(20) == 0)
        return "+966 5" + digits(random, 1) + " " + digits(random, 3) + " " + digits(random, 4);
    return "05" + digits(random, 1) + " " + digits(random, 3) + " " + digits(random, 4);
}

std::string belowThousand(int n)
{
    static const Words ones = {"", "واحد", "اثنان", "ثلاثة", "أربعة", "خمسة", "ستة", "سبعة", "ثمانية", "تسعة"};
    static const Words teens = {"عشرة", "أحد عشر", "اثنا عشر", "ثلاثة عشر", "أربعة عشر", "خمسة عشر",
                                "ستة عشر", "سبعة عشر", "ثمانية عشر", "تسعة عشر"};
    static const Words tens = {"", "", "عشرون", "ثلاثون", "أربعون", "خمسون", "ستون", "سبعون", "ثمانون", "تسعون"};
    static const Words hundreds = {"", "مائة", "مائتان", "ثلاثمائة", "أربعمائة", "خمسمائة", "ستمائة",
                                   "سبعمائة", "ثمانمائة", "تسعمائة"};
    std::string result = hundreds[size_t(n / 100)];
    const int rest = n % 100;
    std::string tail;
    if (rest >= 20)
        tail = rest % 10 ? ones[size_t(rest % 10)] + " و" + tens[size_t(rest / 10)] : tens[size_t(rest / 10)];
    else if (rest >= 10)
        tail = teens[size_t(rest - 10)];
    else
        tail = ones[size_t(rest)];
    if (!result.empty() && !tail.empty())
        return result + " و" + tail;
    return result + tail;
}

std::string inWords(int dinars)
{
    const int thousands = dinars / 1000;
    const int rest = dinars % 1000;
    std::string result;
    if (thousands == 1)
        result = "ألف";
    else if (thousands == 2)
        result = "ألفان";
    else if (thousands >= 3 && thousands <= 10)
        result = belowThousand(thousands) + " آلاف";
    else if (thousands > 10)
        result = belowThousand(thousands) + " ألف";
    if (rest) {
        if (!result.empty())
            result += " و";
        result += belowThousand(rest);
    }
    return "فقط " + result + " دينار لا غير";
}

// About 500 payees: firms and people, none named twice.
Words payeeList()
{
    Words payees;
    std::set<std::string> seen;
    for (const std::string &kind : companyKinds) {
        for (const std::string &name : companyNames) {
            payees.push_back(kind + " " + name);
            seen.insert(payees.back());
        }
    }
    Random random{0x1234};
    while (payees.size() < 500) {
        const Words &firsts = random.below(4) == 0 ? femaleNames : maleNames;
        std::string name = firsts[size_t(random.below(int(firsts.size())))] + " "
                           + families[size_t(random.below(int(families.size())))];
        if (seen.insert(name).second)
            payees.push_back(name);
    }
    return payees;
}

bool exec(sqlite3 *db, const std::string &sql, QString *error)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    *error = QString::fromUtf8(message ? message : sqlite3_errmsg(db)) + QStringLiteral(" in: ")
             + QString::fromStdString(sql).left(200);
    sqlite3_free(message);
    return false;
}

std::vector<std::pair<std::string, std::string>> objectsToSetAside(sqlite3 *db)
{
    // Name and SQL of the books' indexes, and of the trigger that adds each cheque to the sums.
    std::vector<std::pair<std::string, std::string>> found;
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT name, sql FROM sqlite_master WHERE sql IS NOT NULL AND "
                       "((type = 'index' AND tbl_name IN ('Phone', 'Note', 'Cheque')) OR "
                       "(type = 'trigger' AND name = 'Cheque_sums_insert'))",
                       -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        found.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)),
                           reinterpret_cast<const char *>(sqlite3_column_text(st, 1)));
    sqlite3_finalize(st);
    return found;
}

class Insert
{
public:
    Insert(sqlite3 *db, const char *sql) { sqlite3_prepare_v2(db, sql, -1, &m_st, nullptr); }
    ~Insert() { sqlite3_finalize(m_st); }
    bool valid() const { return m_st; }
    void text(int column, const std::string &value)
    {
        if (value.empty())
            sqlite3_bind_null(m_st, column);
        else
            sqlite3_bind_text(m_st, column, value.data(), int(value.size()), SQLITE_TRANSIENT);
    }
    void number(int column, int value) { sqlite3_bind_int(m_st, column, value); }
    bool run()
    {
        const int rc = sqlite3_step(m_st);
        sqlite3_reset(m_st);
        return rc == SQLITE_DONE;
    }

private:
    sqlite3_stmt *m_st = nullptr;
};

bool fillPhone(sqlite3 *db, qint64 records, QString *error)
{
    Insert insert(db, "INSERT INTO Phone (\"الإسم\", \"العنوان\", \"البريد الإلكتروني\", \"فاكس\", \"المكتب\", "
                      "\"الجوال\", \"المنزل\", \"ملاحظات\") VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    if (!insert.valid()) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    Random random{1};
    for (qint64 i = 0; i < records; ++i) {
        const int slot = int(i % 1000);
        std::string first;
        for (size_t r = 0; r < rareSlots.size(); ++r) {
            if (rareSlots[r] == slot)
                first = rareNames[r];
        }
        if (first.empty()) {
            const Words &firsts = random.below(3) == 0 ? femaleNames : maleNames;
            first = firsts[size_t(random.below(int(firsts.size())))];
        }
        const std::string name = first + " " + maleNames[size_t(random.below(int(maleNames.size())))] + " "
                                 + families[size_t(random.below(int(families.size())))];
        const std::string address = cities[size_t(random.below(int(cities.size())))] + "، "
                                    + districts[size_t(random.below(int(districts.size())))] + "، شارع "
                                    + std::to_string(1 + random.below(120));
        const std::string email = random.below(3) == 0 ? std::string()
                                  : "contact" + std::to_string(i) + "@" + domains[size_t(random.below(5))];
        const std::string fax = random.below(5) == 0 ? landline(random, random.below(2) ? "011" : "012")
                                                     : std::string();
        const std::string office = random.below(5) < 3 ? landline(random, random.below(2) ? "013" : "014")
                                                       : std::string();
        const std::string mobileNumber = random.below(20) == 0 ? std::string() : mobile(random);
        const std::string home = random.below(10) == 0 ? std::string()
                                 : landline(random, random.below(2) ? "011" : "012");
        const std::string notes = random.below(10) == 0 ? "صديق العائلة" : std::string();
        insert.text(1, name);
        insert.text(2, address);
        insert.text(3, email);
        insert.text(4, fax);
        insert.text(5, office);
        insert.text(6, mobileNumber);
        insert.text(7, home);
        insert.text(8, notes);
        if (!insert.run()) {
            *error = QString::fromUtf8(sqlite3_errmsg(db));
            return false;
        }
    }
    return true;
}

bool fillNote(sqlite3 *db, qint64 records, QString *error)
{
    Insert insert(db, "INSERT INTO Note (\"اليوم\", \"التاريخ\", \"الشهر\", \"العام\", \"الساعة\", \"الموعد\") "
                      "VALUES (?, ?, ?, ?, ?, ?)");
    if (!insert.valid()) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    Random random{2};
    for (qint64 i = 0; i < records; ++i) {
        const std::string text = appointments[size_t(random.below(int(appointments.size())))]
                                  + maleNames[size_t(random.below(int(maleNames.size())))] + " "
                                  + families[size_t(random.below(int(families.size())))];
        const int hour = 8 + random.below(12);
        const std::string time = std::to_string(hour) + ":" + (random.below(2) ? "30" : "00");
        insert.text(1, weekdays[size_t(random.below(7))]);
        insert.text(2, std::to_string(1 + random.below(28)));
        insert.text(3, std::to_string(1 + random.below(12)));
        insert.text(4, std::to_string(2002 + random.below(29)));
        insert.text(5, time);
        insert.text(6, text);
        if (!insert.run()) {
            *error = QString::fromUtf8(sqlite3_errmsg(db));
            return false;
        }
    }
    return true;
}

bool fillCheque(sqlite3 *db, qint64 records, QString *error)
{
    Insert insert(db, "INSERT INTO Cheque (\"اليوم\", \"الشهر\", \"العام\", \"السيد\", \"دينار\", \"فلس\", "
                      "\"المبلغ\", \"السبب\") VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    if (!insert.valid()) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    const Words payees = payeeList();
    Random random{3};
    for (qint64 i = 0; i < records; ++i) {
        const int size = random.below(10);
        const int dinars = size < 6 ? 1 + random.below(999) : size < 9 ? 1000 + random.below(9000)
                                                                        : 10000 + random.below(90000);
        insert.text(1, std::to_string(1 + random.below(28)));
        insert.text(2, std::to_string(1 + random.below(12)));
        insert.text(3, std::to_string(2002 + random.below(29)));
        insert.text(4, payees[size_t(random.below(int(payees.size())))]);
        insert.number(5, dinars);
        insert.number(6, random.below(1000));
        insert.text(7, inWords(dinars));
        insert.text(8, reasons[size_t(random.below(int(reasons.size())))]);
        if (!insert.run()) {
            *error = QString::fromUtf8(sqlite3_errmsg(db));
            return false;
        }
    }
    return true;
}

double seconds(QElapsedTimer &clock)
{
    const double s = double(clock.nsecsElapsed()) / 1e9;
    clock.restart();
    return s;
}

} // namespace

SearchTexts searchTexts()
{
    SearchTexts texts;
    for (const std::string &name : rareNames)
        texts.names << QString::fromStdString(name);
    // Mobile numbers "05d ddd dddd": a third digit and two more fixed is one in a thousand.
    texts.numbers = {QStringLiteral("059 99"), QStringLiteral("058 88"), QStringLiteral("057 77"),
                     QStringLiteral("056 66"), QStringLiteral("055 55"), QStringLiteral("054 44")};
    // Payees that no other payee's name begins with, spread over the list.
    const Words payees = payeeList();
    for (size_t i = 17; i < payees.size() && texts.payees.size() < 6; i += 83) {
        bool prefixOfAnother = false;
        for (const std::string &other : payees)
            prefixOfAnother |= other != payees[i] && other.rfind(payees[i], 0) == 0;
        if (!prefixOfAnother)
            texts.payees << QString::fromStdString(payees[i]);
    }
    // Days 1-28, months 1-12, years 2002-2030. Day "2" is the 2nd and the 20th to the 28th.
    texts.dates = {{QStringLiteral("2"), QStringLiteral("12"), QStringLiteral("2015")},
                   {QStringLiteral("1"), QStringLiteral("11"), QStringLiteral("2016")},
                   {QStringLiteral("2"), QStringLiteral("10"), QStringLiteral("2017")},
                   {QStringLiteral("1"), QStringLiteral("12"), QStringLiteral("2018")},
                   {QStringLiteral("2"), QStringLiteral("11"), QStringLiteral("2019")},
                   {QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("2020")}};
    texts.decadeDates = {{QStringLiteral("25"), QStringLiteral("12"), QStringLiteral("201")},
                   {QStringLiteral("24"), QStringLiteral("11"), QStringLiteral("201")},
                   {QStringLiteral("23"), QStringLiteral("12"), QStringLiteral("202")},
                   {QStringLiteral("22"), QStringLiteral("11"), QStringLiteral("202")},
                   {QStringLiteral("26"), QStringLiteral("12"), QStringLiteral("201")},
                   {QStringLiteral("27"), QStringLiteral("11"), QStringLiteral("202")}};
    return texts;
}

bool seedDatabase(const QString &path, qint64 records, bool indexesInPlace, SeedTimes *times, QString *error)
{
    QFile schemaFile(QStringLiteral(DALIL_SCHEMA_FILE));
    if (!schemaFile.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read ") + schemaFile.fileName();
        return false;
    }
    const std::string schema = schemaFile.readAll().toStdString();
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));

    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return false;
    }
    struct Closer
    {
        sqlite3 *db;
        ~Closer() { sqlite3_close(db); }
    } closer{db};

    if (!exec(db, schema, error))
        return false;
    // The load is one transaction without a journal; the file gets its WAL mode back after.
    if (!exec(db, "PRAGMA journal_mode = DELETE; PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; "
                  "PRAGMA cache_size = -262144; PRAGMA temp_store = MEMORY",
              error))
        return false;

    const auto setAside = indexesInPlace ? decltype(objectsToSetAside(db)){} : objectsToSetAside(db);
    for (const auto &[name, sql] : setAside) {
        const bool isTrigger = sql.rfind("CREATE TRIGGER", 0) == 0;
        if (!exec(db, std::string(isTrigger ? "DROP TRIGGER \"" : "DROP INDEX \"") + name + "\"", error))
            return false;
    }

    QElapsedTimer clock;
    clock.start();
    if (!exec(db, "BEGIN", error) || !fillPhone(db, records, error) || !fillNote(db, records, error)
        || !fillCheque(db, records, error) || !exec(db, "COMMIT", error))
        return false;
    times->rows = seconds(clock);

    for (const auto &[name, sql] : setAside) {
        if (sql.rfind("CREATE INDEX", 0) == 0 && !exec(db, sql, error))
            return false;
    }
    times->indexes = seconds(clock);

    if (!indexesInPlace) {
        // The sums the insert trigger would have kept, taken in one pass; then the trigger
        // is back for every cheque the program writes.
        const char *sums =
            "BEGIN;"
            "DELETE FROM ChequePayeeSums;"
            "INSERT INTO ChequePayeeSums (payee, cheques, dinars, dinarCount, fils, filsCount) "
            "  SELECT \"السيد\", count(*), ifnull(sum(\"دينار\"), 0), count(\"دينار\"), ifnull(sum(\"فلس\"), 0), count(\"فلس\") "
            "  FROM Cheque WHERE \"السيد\" IS NOT NULL GROUP BY \"السيد\";"
            "UPDATE ChequeGrandSums SET "
            "  dinars = (SELECT ifnull(sum(\"دينار\"), 0) FROM Cheque), dinarCount = (SELECT count(\"دينار\") FROM Cheque),"
            "  fils = (SELECT ifnull(sum(\"فلس\"), 0) FROM Cheque), filsCount = (SELECT count(\"فلس\") FROM Cheque);"
            "COMMIT;";
        if (!exec(db, sums, error))
            return false;
        for (const auto &[name, sql] : setAside) {
            if (sql.rfind("CREATE TRIGGER", 0) == 0 && !exec(db, sql, error))
                return false;
        }
    }
    times->sums = seconds(clock);
    if (!exec(db, "PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL", error))
        return false;
    // The search keys, as the program's first opening of an older book makes them: timed as
    // the upgrade a user of a big book waits for once.
    QElapsedTimer upgrade;
    upgrade.start();
    dalil::SearchKeys::registerFunctions(db);
    if (dalil::Upgrade::bringUpToDate(db) != dalil::Upgrade::currentVersion) {
        *error = QStringLiteral("the search keys were not made: ") + QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    times->keys = double(upgrade.nsecsElapsed()) / 1e9;
    return true;
}

bool checkSums(const QString &path, QString *error)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return false;
    }
    // Rows where the kept sums and fresh sums differ, per payee and in all.
    const char *sql =
        "SELECT (SELECT count(*) FROM (SELECT \"السيد\" p, \"Sum من دينار\" d, \"Sum من فلس\" f FROM TotalCheque "
        "        EXCEPT SELECT \"السيد\", sum(\"دينار\"), sum(\"فلس\") FROM Cheque WHERE \"السيد\" IS NOT NULL "
        "        GROUP BY \"السيد\")),"
        "       (SELECT count(*) FROM (SELECT \"السيد\", sum(\"دينار\"), sum(\"فلس\") FROM Cheque "
        "        WHERE \"السيد\" IS NOT NULL GROUP BY \"السيد\" "
        "        EXCEPT SELECT \"السيد\", \"Sum من دينار\", \"Sum من فلس\" FROM TotalCheque)),"
        "       (SELECT count(*) FROM (SELECT \"Sum من دينار\", \"Sum من فلس\" FROM TotalTotal "
        "        EXCEPT SELECT sum(\"دينار\"), sum(\"فلس\") FROM Cheque))";
    sqlite3_stmt *st = nullptr;
    bool ok = false;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW) {
        ok = sqlite3_column_int(st, 0) == 0 && sqlite3_column_int(st, 1) == 0 && sqlite3_column_int(st, 2) == 0;
        if (!ok)
            *error = QStringLiteral("cheque sums differ: %1 payee rows kept wrongly, %2 missing, grand total %3")
                         .arg(sqlite3_column_int(st, 0))
                         .arg(sqlite3_column_int(st, 1))
                         .arg(sqlite3_column_int(st, 2) ? QStringLiteral("wrong") : QStringLiteral("right"));
    } else {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return ok;
}

} // namespace bench
