// The appointments' reminders without windows: when each rings with each lead time, what the
// user's answers do (here and in another copy of the program), edits and deletes, what was
// missed while the program was closed, and the schedule's timer under a clock that jumps.
#include "testdata.h"

#include "data/exchange/exchange.h"
#include "data/reminders/reminders.h"
#include "data/store/recordwrites.h"
#include "data/store/database.h"
#include "data/text/clocktime.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace dalil;
using Reminders::Reminder;

namespace {

const QDate today(2026, 12, 8);

QDateTime at(int hour, int minute, QDate day = today)
{
    return QDateTime(day, QTime(hour, minute));
}

// An appointment: day, month, year, time as typed, and its text (which names it in the tests).
struct Appointment
{
    QString day, month, year, time, text;
};

void add(const testing::AppFolder &folder, const Appointment &a)
{
    folder.exec(QStringLiteral("INSERT INTO Note (اليوم, التاريخ, الشهر, العام, الساعة, الموعد) VALUES ('', ?, ?, ?, ?, ?)"),
                {a.day, a.month, a.year, a.time, a.text});
}

qint64 keyOf(const testing::AppFolder &folder, const QString &text)
{
    return folder.value(QStringLiteral("SELECT rowid FROM Note WHERE الموعد = ?"), {text}).toLongLong();
}

QStringList texts(const QList<Reminder> &reminders)
{
    QStringList names;
    for (const Reminder &r : reminders)
        names << r.note.value(Exchange::NoteColumns::text).toString();
    return names;
}

// The book of the timing table: Western, Arabic-Indic and Extended Arabic-Indic digits, two at
// the same time, times and dates that cannot be read, last year's and next year's.
const QList<Appointment> &book()
{
    static const QList<Appointment> appointments{
        {"8", "12", "2026", "10:00", "A"},
        {"٨", "١٢", "٢٠٢٦", "10:00 ص", "B"},
        {" ۸ ", "۱۲", "۲۰۲۶", "۱۱:۳۰", "C"},
        {"9", "12", "2026", "9 صباحا", "D"},
        {"8", "12", "2026", "بعد الظهر", "unreadable time"},
        {"8", "12", "2026", "", "no time"},
        {"30", "2", "2026", "10:00", "no such day"},
        {"8", "12", "twenty", "10:00", "unreadable year"},
        {"8", "12", "2025", "10:00", "F"},
        {"1", "1", "2027", "0:00", "H"},
    };
    return appointments;
}

} // namespace

class TestReminders : public testing::BookFixture
{
    Q_OBJECT

private slots:
    void dueTimeReadsDigitsAndClock_data();
    void dueTimeReadsDigitsAndClock();
    void dueTimeReadsEveryTimeWritten();
    void ringsByLeadTime_data();
    void ringsByLeadTime();
    void answersAreKeptPerOccurrenceAndSharedWithAnotherCopy();
    void agreesWithEveryAppointmentReadAlone();
    void editingRearmsAndDeletingCancels();
    void optionsRoundTrip();
    void scheduleRingsMissesAndFollowsTheClock();

private:
    QString path() const { return folder->databasePath(); }
};

void TestReminders::dueTimeReadsDigitsAndClock_data()
{
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QDateTime>("expected");

    QTest::newRow("western") << "8" << "12" << "2026" << "15:45" << at(15, 45);
    QTest::newRow("arabic-indic, evening word") << "٨" << "١٢" << "٢٠٢٦" << "3:45 م" << at(15, 45);
    QTest::newRow("extended digits, blanks") << " ۰۸ " << "۱۲" << "۲۰۲۶" << "۰۹:۰۵" << at(9, 5);
    QTest::newRow("mixed digits") << "٨" << "12" << "۲۰26" << "12 ص" << at(0, 0);
    QTest::newRow("leap day") << "29" << "2" << "2028" << "10:00" << at(10, 0, QDate(2028, 2, 29));
    QTest::newRow("no leap day") << "29" << "2" << "2027" << "10:00" << QDateTime();
    QTest::newRow("month 13") << "1" << "13" << "2026" << "10:00" << QDateTime();
    QTest::newRow("day 0") << "0" << "12" << "2026" << "10:00" << QDateTime();
    QTest::newRow("year 0") << "8" << "12" << "0" << "10:00" << QDateTime();
    QTest::newRow("year in words") << "8" << "12" << "ألفان" << "10:00" << QDateTime();
    QTest::newRow("fraction") << "8.5" << "12" << "2026" << "10:00" << QDateTime();
    QTest::newRow("empty day") << "" << "12" << "2026" << "10:00" << QDateTime();
    QTest::newRow("afternoon, no hour") << "8" << "12" << "2026" << "بعد الظهر" << QDateTime();
    QTest::newRow("ambiguous hour") << "8" << "12" << "2026" << "الساعة 4" << QDateTime();
    QTest::newRow("time with words") << "8" << "12" << "2026" << "3 مع أحمد" << QDateTime();
    QTest::newRow("empty time") << "8" << "12" << "2026" << "" << QDateTime();
}

void TestReminders::dueTimeReadsDigitsAndClock()
{
    QFETCH(QString, day);
    QFETCH(QString, month);
    QFETCH(QString, year);
    QFETCH(QString, time);
    QFETCH(QDateTime, expected);
    const Records::Values note{{Exchange::NoteColumns::day, day},
                               {Exchange::NoteColumns::month, month},
                               {Exchange::NoteColumns::year, year},
                               {Exchange::NoteColumns::time, time},
                               {Exchange::NoteColumns::text, QStringLiteral("موعد")}};
    const auto due = Reminders::dueTime(note);
    QCOMPARE(due.has_value(), expected.isValid());
    if (due)
        QCOMPARE(*due, expected);
}

// Whatever time the program writes into an appointment, its reminder is due then.
void TestReminders::dueTimeReadsEveryTimeWritten()
{
    for (int minute = 0; minute < 24 * 60; minute += 7) {
        const QTime time(minute / 60, minute % 60);
        const Records::Values note{{Exchange::NoteColumns::day, "31"},
                                   {Exchange::NoteColumns::month, "1"},
                                   {Exchange::NoteColumns::year, "2027"},
                                   {Exchange::NoteColumns::time, ClockTime::text(time)}};
        const auto due = Reminders::dueTime(note);
        QVERIFY2(due && *due == QDateTime(QDate(2027, 1, 31), time), qPrintable(ClockTime::text(time)));
    }
}

void TestReminders::ringsByLeadTime_data()
{
    QTest::addColumn<int>("lead");
    QTest::addColumn<QDateTime>("since");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QStringList>("rings");
    QTest::addColumn<QDateTime>("next");

    const QDate tomorrow = today.addDays(1);
    QTest::newRow("two at once") << 0 << at(9, 59) << at(10, 0) << QStringList{"A", "B"} << at(11, 30);
    QTest::newRow("ring time included, since excluded") << 0 << at(10, 0) << at(11, 30) << QStringList{"C"} << at(9, 0, tomorrow);
    QTest::newRow("nothing between") << 0 << at(10, 0) << at(11, 29) << QStringList{} << at(11, 30);
    QTest::newRow("oldest ring first") << 0 << at(9, 0) << at(9, 0, tomorrow) << QStringList{"A", "B", "C", "D"}
                                       << at(0, 0, QDate(2027, 1, 1));
    QTest::newRow("5 minutes") << 5 << at(9, 50) << at(9, 55) << QStringList{"A", "B"} << at(11, 25);
    QTest::newRow("15 minutes, not yet") << 15 << at(9, 40) << at(9, 44) << QStringList{} << at(9, 45);
    QTest::newRow("30 minutes") << 30 << at(10, 30) << at(11, 0) << QStringList{"C"} << at(8, 30, tomorrow);
    QTest::newRow("an hour") << 60 << at(10, 0) << at(10, 30) << QStringList{"C"} << at(8, 0, tomorrow);
    QTest::newRow("a day, across the year") << 24 * 60 << at(8, 0) << at(9, 0) << QStringList{"D"}
                                            << at(0, 0, QDate(2026, 12, 31));
    QTest::newRow("new year") << 0 << at(23, 59, QDate(2026, 12, 31)) << at(0, 0, QDate(2027, 1, 1))
                              << QStringList{"H"} << QDateTime();
    QTest::newRow("last year") << 0 << at(9, 0, QDate(2025, 12, 8)) << at(10, 0, QDate(2025, 12, 8))
                               << QStringList{"F"} << at(10, 0);
    QTest::newRow("nothing ahead") << 0 << at(0, 0, QDate(2027, 1, 2)) << at(0, 0, QDate(2027, 1, 3)) << QStringList{}
                                   << QDateTime();
}

void TestReminders::ringsByLeadTime()
{
    QFETCH(int, lead);
    QFETCH(QDateTime, since);
    QFETCH(QDateTime, now);
    QFETCH(QStringList, rings);
    QFETCH(QDateTime, next);
    for (const Appointment &a : book())
        add(*folder, a);
    QVERIFY(!Reminders::setLead(path(), lead).isError());

    const QList<Reminder> due = Reminders::due(path(), since, now);
    QCOMPARE(texts(due), rings);
    for (const Reminder &r : due) {
        QCOMPARE(r.noteKey, keyOf(*folder, texts({r}).first()));
        QCOMPARE(Reminders::dueTime(r.note), r.dueAt);
        QCOMPARE(r.ringsAt, r.dueAt.addSecs(-60 * lead));
    }
    const auto ring = Reminders::nextRing(path(), now);
    QCOMPARE(ring.has_value(), next.isValid());
    if (ring)
        QCOMPARE(*ring, next);
}

void TestReminders::answersAreKeptPerOccurrenceAndSharedWithAnotherCopy()
{
    for (const Appointment &a : book())
        add(*folder, a);
    const QList<Reminder> atTen = Reminders::due(path(), at(9, 59), at(10, 0));
    QCOMPARE(texts(atTen), (QStringList{"A", "B"}));

    // Dismissed: gone from every list, and another copy reads it in the file.
    QVERIFY(!Reminders::dismiss(path(), atTen[0]).isError());
    QCOMPARE(texts(Reminders::due(path(), at(9, 59), at(10, 0))), QStringList{"B"});
    QCOMPARE(folder->rows(QStringLiteral("SELECT noteKey, dueAt, state FROM ReminderStates")),
             (QList<QVariantList>{{keyOf(*folder, "A"), "2026-12-08T10:00:00", "dismissed"}}));
    // Another copy, still showing A as it rang, lets it go, and its snooze leaves the dismissal be.
    QCOMPARE(texts(Reminders::stillOpen(path(), atTen)), QStringList{"B"});
    QVERIFY(!Reminders::snooze(path(), atTen[0], 5, at(10, 1)).isError());
    QCOMPARE(folder->value(QStringLiteral("SELECT state FROM ReminderStates")).toString(), QStringLiteral("dismissed"));

    // Snoozes other than the ones offered are refused and change nothing.
    for (int minutes : {0, 7, -5, 24 * 60})
        QCOMPARE(Reminders::snooze(path(), atTen[1], minutes, at(10, 0)).kind, DataError::Kind::Refused);
    QCOMPARE(folder->value(QStringLiteral("SELECT count(*) FROM ReminderStates")).toInt(), 1);

    // Snoozed: it rings again at the snooze's end, not at its own time.
    for (int minutes : Reminders::snoozeChoices) {
        QVERIFY(!Reminders::snooze(path(), atTen[1], minutes, at(10, 0)).isError());
        const QDateTime end = at(10, 0).addSecs(60 * minutes);
        QCOMPARE(Reminders::nextRing(path(), at(10, 0)), std::optional(end));
        QCOMPARE(texts(Reminders::due(path(), at(9, 59), at(10, 0))), QStringList{});
        QCOMPARE(texts(Reminders::due(path(), end.addSecs(-1), end)), QStringList{"B"});
        QCOMPARE(Reminders::due(path(), end.addSecs(-1), end).first().ringsAt, end);
    }
    QVERIFY(!Reminders::snooze(path(), atTen[1], 10, at(10, 0)).isError());
    // Snoozed since it rang, B is answered for the window that listed it; its next ring is not.
    QCOMPARE(texts(Reminders::stillOpen(path(), atTen)), QStringList{});
    QCOMPARE(texts(Reminders::stillOpen(path(), Reminders::due(path(), at(10, 9), at(10, 10)))), QStringList{"B"});

    // Missed while closed: not the dismissed, not one snoozed past now; the latest first.
    QCOMPARE(texts(Reminders::missed(path(), at(9, 0), at(10, 5))), QStringList{});
    QCOMPARE(texts(Reminders::missed(path(), at(9, 0), at(12, 0))), (QStringList{"C", "B"}));
    QCOMPARE(texts(Reminders::missed(path(), at(10, 0), at(12, 0))), (QStringList{"C", "B"}));
    QCOMPARE(texts(Reminders::missed(path(), at(10, 10), at(12, 0))), QStringList{"C"});
    // A warning that came while closed counts, though the appointment is still ahead.
    QVERIFY(!Reminders::setLead(path(), 60).isError());
    QCOMPARE(texts(Reminders::missed(path(), at(10, 15), at(10, 45))), QStringList{"C"});

    // Another copy dismisses C in the file: this one no longer rings it.
    QVERIFY(!Reminders::setLead(path(), 0).isError());
    QCOMPARE(Reminders::nextRing(path(), at(10, 10)), std::optional(at(11, 30)));
    folder->exec(QStringLiteral("INSERT INTO ReminderStates (noteKey, dueAt, state) VALUES (?, '2026-12-08T11:30:00', 'dismissed')"),
                   {keyOf(*folder, "C")});
    QCOMPARE(Reminders::nextRing(path(), at(10, 10)), std::optional(at(9, 0, today.addDays(1))));
    QCOMPARE(texts(Reminders::due(path(), at(11, 0), at(12, 0))), QStringList{});
    QCOMPARE(texts(Reminders::missed(path(), at(9, 0), at(12, 0))), QStringList{"B"});

    // A snooze carries an appointment of last month into this one.
    add(*folder, {"30", "11", "2026", "23:55", "November"});
    const QDateTime lateNovember = at(23, 55, QDate(2026, 11, 30));
    const QList<Reminder> november = Reminders::due(path(), lateNovember.addSecs(-60), lateNovember);
    QCOMPARE(texts(november), QStringList{"November"});
    QVERIFY(!Reminders::snooze(path(), november.first(), 15, lateNovember).isError());
    QCOMPARE(Reminders::nextRing(path(), at(0, 0, QDate(2026, 12, 1))), std::optional(at(0, 10, QDate(2026, 12, 1))));
    QCOMPARE(texts(Reminders::due(path(), at(0, 0, QDate(2026, 12, 1)), at(0, 10, QDate(2026, 12, 1)))), QStringList{"November"});
}

// A random book with random answers: what the engine finds with its fast reading of the whole
// book is what each appointment, read alone through dueTime, says, for every lead time.
void TestReminders::agreesWithEveryAppointmentReadAlone()
{
    QRandomGenerator random(20261208);
    const QDateTime noon = at(12, 0);
    const auto number = [&](int n) {
        QString text = QString::number(n);
        const int kind = random.bounded(3); // Western, Arabic-Indic, Extended Arabic-Indic
        for (QChar &c : text)
            c = QChar(kind == 0 ? c.unicode() : (kind == 1 ? 0x0660 : 0x06F0) + c.digitValue());
        return random.bounded(4) == 0 ? u' ' + text + u' ' : text;
    };
    for (int i = 0; i < 400; ++i) {
        const QDateTime when = noon.addSecs(60 * random.bounded(-5 * 24 * 60, 5 * 24 * 60));
        const QDate date = when.date();
        const int form = random.bounded(10);
        const QString time = form == 0   ? QStringLiteral("بعد الظهر")
                             : form == 1 ? QString()
                             : form < 6  ? ClockTime::text(when.time())
                                         : when.time().toString(QStringLiteral("H:mm"));
        const QString day = random.bounded(20) == 0 ? QStringLiteral("31") : number(date.day());
        add(*folder, {day, number(date.month()), number(date.year()), time, QString::number(i)});
    }
    const QList<Reminder> all = Reminders::due(path(), noon.addDays(-6), noon.addDays(6));
    QVERIFY(all.size() > 250);
    for (int i = 0; i < all.size(); ++i) {
        if (i % 5 == 0)
            QVERIFY(!Reminders::dismiss(path(), all[i]).isError());
        else if (i % 7 == 0)
            QVERIFY(!Reminders::snooze(path(), all[i], Reminders::snoozeChoices[i % 4], all[i].dueAt).isError());
    }

    // Each appointment read alone: its key, due time and, with the lead, its ring time.
    struct Expected
    {
        qint64 key;
        QDateTime dueAt, ringsAt;
    };
    QHash<QString, QVariantList> states;
    for (const QVariantList &row : folder->rows(QStringLiteral("SELECT noteKey, dueAt, state, snoozedUntil FROM ReminderStates")))
        states.insert(row[0].toString() + u'|' + row[1].toString(), row);
    const auto expected = [&](int lead) {
        QList<Expected> list;
        const QStringList columns{Exchange::NoteColumns::day, Exchange::NoteColumns::month, Exchange::NoteColumns::year,
                                  Exchange::NoteColumns::time};
        for (const QVariantList &row : folder->rows(QStringLiteral("SELECT rowid, التاريخ, الشهر, العام, الساعة FROM Note"))) {
            Records::Values note;
            for (int c = 0; c < columns.size(); ++c)
                note.insert(columns[c], row[c + 1]);
            const auto due = Reminders::dueTime(note);
            if (!due)
                continue;
            const QVariantList state =
                states.value(row[0].toString() + u'|' + due->toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")));
            if (!state.isEmpty() && state[2] == QStringLiteral("dismissed"))
                continue;
            list << Expected{row[0].toLongLong(), *due,
                             state.isEmpty() ? due->addSecs(-60 * lead)
                                             : QDateTime::fromString(state[3].toString(), Qt::ISODateWithMs).toLocalTime()};
        }
        return list;
    };
    for (int lead : Reminders::leadChoices) {
        QVERIFY(!Reminders::setLead(path(), lead).isError());
        const QList<Expected> book = expected(lead);
        for (int window = 0; window < 25; ++window) {
            const QDateTime since = noon.addSecs(60 * random.bounded(-5 * 24 * 60, 5 * 24 * 60));
            const QDateTime now = since.addSecs(60 * random.bounded(0, 2 * 24 * 60));

            QList<Expected> rings, missed;
            std::optional<QDateTime> next;
            for (const Expected &e : book) {
                if (e.ringsAt > since && e.ringsAt <= now)
                    rings << e;
                if (e.ringsAt <= now && ((e.ringsAt > since) || (e.dueAt > since && e.dueAt <= now)))
                    missed << e;
                if (e.ringsAt > now && (!next || e.ringsAt < *next))
                    next = e.ringsAt;
            }
            std::ranges::sort(rings, [](const Expected &a, const Expected &b) {
                return a.ringsAt != b.ringsAt ? a.ringsAt < b.ringsAt : a.key < b.key;
            });
            std::ranges::sort(missed, [](const Expected &a, const Expected &b) {
                return a.dueAt != b.dueAt ? a.dueAt > b.dueAt : a.key > b.key;
            });
            const auto same = [](const QList<Reminder> &found, const QList<Expected> &wanted) {
                if (found.size() != wanted.size())
                    return false;
                for (int i = 0; i < found.size(); ++i) {
                    if (found[i].noteKey != wanted[i].key || found[i].dueAt != wanted[i].dueAt
                        || found[i].ringsAt != wanted[i].ringsAt)
                        return false;
                }
                return true;
            };
            const QByteArray where = QStringLiteral("lead %1, (%2, %3]")
                                         .arg(lead)
                                         .arg(since.toString(Qt::ISODate), now.toString(Qt::ISODate))
                                         .toUtf8();
            QVERIFY2(same(Reminders::due(path(), since, now), rings), where.constData());
            QVERIFY2(same(Reminders::missed(path(), since, now), missed), where.constData());
            QVERIFY2(Reminders::nextRing(path(), now) == next, where.constData());
        }
    }
}

void TestReminders::editingRearmsAndDeletingCancels()
{
    add(*folder, {"8", "12", "2026", "10:00", "A"});
    add(*folder, {"8", "12", "2026", "10:00", "B"});
    const Reminder first = Reminders::due(path(), at(9, 59), at(10, 0)).first();
    QVERIFY(!Reminders::dismiss(path(), first).isError());
    QCOMPARE(Reminders::nextRing(path(), at(9, 0)), std::optional(at(10, 0))); // B still rings

    // Moved to another time: a new occurrence, armed again.
    folder->exec(QStringLiteral("UPDATE Note SET الساعة = '10:30 ص' WHERE الموعد = 'A'"));
    QCOMPARE(texts(Reminders::due(path(), at(10, 29), at(10, 30))), QStringList{"A"});
    // An answer to the occurrence that no longer stands is refused and keeps nothing.
    QCOMPARE(Reminders::dismiss(path(), first).kind, DataError::Kind::RecordGone);
    QCOMPARE(folder->value(QStringLiteral("SELECT count(*) FROM ReminderStates")).toInt(), 1);
    // Answering the new one replaces the old occurrence's state.
    QVERIFY(!Reminders::snooze(path(), Reminders::due(path(), at(10, 29), at(10, 30)).first(), 5, at(10, 30)).isError());
    QCOMPARE(folder->rows(QStringLiteral("SELECT dueAt, state FROM ReminderStates")),
             (QList<QVariantList>{{"2026-12-08T10:30:00", "snoozed"}}));

    // Made unreadable: no reminder at all, snoozed or not.
    folder->exec(QStringLiteral("UPDATE Note SET الساعة = 'بعد الظهر' WHERE الموعد = 'A'"));
    QCOMPARE(texts(Reminders::due(path(), at(9, 0), at(23, 0))), QStringList{"B"});

    // Deleted, by whoever: its states go with it, and an appointment that takes its identity
    // at the same time rings afresh.
    const qint64 keyB = keyOf(*folder, "B");
    QVERIFY(!Reminders::dismiss(path(), Reminders::due(path(), at(9, 59), at(10, 0)).first()).isError());
    QCOMPARE(Reminders::nextRing(path(), at(9, 0)), std::nullopt);
    folder->exec(QStringLiteral("DELETE FROM Note WHERE الموعد = 'B'"));
    QCOMPARE(folder->rows(QStringLiteral("SELECT noteKey FROM ReminderStates")),
             (QList<QVariantList>{{keyOf(*folder, "A")}}));
    add(*folder, {"8", "12", "2026", "10:00", "B again"});
    QCOMPARE(keyOf(*folder, "B again"), keyB);
    QCOMPARE(texts(Reminders::due(path(), at(9, 59), at(10, 0))), QStringList{"B again"});

    // A file without the states (one that could not be brought up to date) still rings, and an
    // answer that cannot be kept says so.
    folder->exec(QStringLiteral("DROP TABLE ReminderStates"));
    const QList<Reminder> still = Reminders::due(path(), at(9, 59), at(10, 0));
    QCOMPARE(texts(still), QStringList{"B again"});
    QCOMPARE(Reminders::dismiss(path(), still.first()).kind, DataError::Kind::MissingObject);
    QCOMPARE(Reminders::nextRing(path(), at(9, 0)), std::optional(at(10, 0)));
}

void TestReminders::optionsRoundTrip()
{
    QCOMPARE(Reminders::lead(path()), 0);
    for (int minutes : Reminders::leadChoices) {
        QVERIFY(!Reminders::setLead(path(), minutes).isError());
        QCOMPARE(Reminders::lead(path()), minutes);
        // Refused values leave the kept one.
        for (int wrong : {-5, 1, 45, 2 * 24 * 60})
            QCOMPARE(Reminders::setLead(path(), wrong).kind, DataError::Kind::Refused);
        QCOMPARE(Reminders::lead(path()), minutes);
    }
    QCOMPARE(folder->value(QStringLiteral("SELECT value FROM DalilOptions WHERE name = 'reminders.lead'")).toInt(), 24 * 60);
    // A value another program wrote that is no choice reads as at the time.
    for (const QString &stored : {QStringLiteral("7"), QStringLiteral("abc"), QString()}) {
        folder->exec(QStringLiteral("INSERT OR REPLACE INTO DalilOptions (name, value) VALUES ('reminders.lead', ?)"), {stored});
        QCOMPARE(Reminders::lead(path()), 0);
    }

    QCOMPARE(Reminders::lastSeen(path()), std::nullopt);
    for (const QDateTime &when : {at(10, 0).addMSecs(123), QDateTime(today, QTime(3, 4, 5), Qt::UTC),
                                  QDateTime(today, QTime(23, 0), Qt::OffsetFromUTC, -5 * 3600)}) {
        QVERIFY(!Reminders::markSeen(path(), when).isError());
        const auto seen = Reminders::lastSeen(path());
        QVERIFY(seen);
        QCOMPARE(seen->toMSecsSinceEpoch(), when.toMSecsSinceEpoch());
    }
}

void TestReminders::scheduleRingsMissesAndFollowsTheClock()
{
    add(*folder, {"8", "12", "2026", "7:30", "while closed"});
    add(*folder, {"8", "12", "2026", "10:00", "A"});
    add(*folder, {"8", "12", "2026", "11:30", "C"});
    QVERIFY(!Reminders::markSeen(path(), at(7, 0)).isError());

    QDateTime now = at(9, 0);
    qint64 elapsed = 5000;
    // Time passing: the clock and the monotonic one together.
    const auto pass = [&](qint64 seconds) {
        now = now.addSecs(seconds);
        elapsed += 1000 * seconds;
    };
    ReminderSchedule schedule(path(), [&] { return now; }, [&] { return elapsed; });
    QList<QStringList> rang;
    connect(&schedule, &ReminderSchedule::ring, this, [&](const QList<Reminder> &r) { rang << texts(r); });
    QSignalSpy jumps(&schedule, &ReminderSchedule::clockJumped);

    schedule.check(); // not started: nothing happens
    QCOMPARE(schedule.armedFor(), std::nullopt);
    QCOMPARE(texts(schedule.start()), QStringList{"while closed"});
    QCOMPARE(Reminders::lastSeen(path()), std::optional(now));
    QCOMPARE(schedule.armedFor(), std::optional(at(10, 0)));

    pass(60);
    schedule.check();
    QCOMPARE(rang, QList<QStringList>{});
    QCOMPARE(Reminders::lastSeen(path()), std::optional(now)); // kept up as it runs

    pass(59 * 60); // 10:00
    schedule.check();
    schedule.check(); // once only
    QCOMPARE(rang, QList<QStringList>{{"A"}});
    QCOMPARE(schedule.armedFor(), std::optional(at(11, 30)));
    QCOMPARE(jumps.count(), 0);

    // The book changes: the timer is set for the new appointment.
    add(*folder, {"8", "12", "2026", "10:45", "added"});
    schedule.rearm();
    QCOMPARE(schedule.armedFor(), std::optional(at(10, 45)));

    // An import brings its own ring nearer at once, reading only its records; what another
    // program added meanwhile is found at the next check, which reads the book again.
    add(*folder, {"8", "12", "2026", "10:20", "elsewhere"});
    QList<Records::Values> imported;
    for (const auto &[time, text] : {std::pair("10:30", "imported"), std::pair("10:50", "later")})
        imported << Records::Values{{"التاريخ", "8"}, {"الشهر", "12"}, {"العام", "2026"}, {"الساعة", time}, {"الموعد", text}};
    const auto next = [&](Records::Values &values) {
        if (imported.isEmpty())
            return Records::Next::End;
        values = imported.takeFirst();
        return Records::Next::Record;
    };
    QCOMPARE(Records::insertAll(path(), QStringLiteral("Note"), next, {}, {}).added, 2);
    QCOMPARE(schedule.armedFor(), std::optional(at(10, 30)));
    pass(60);
    schedule.check();
    QCOMPARE(schedule.armedFor(), std::optional(at(10, 20)));
    QCOMPARE(rang.size(), 1);
    folder->exec(QStringLiteral("DELETE FROM Note WHERE الموعد IN ('elsewhere', 'imported', 'later')"));
    schedule.rearm();

    // The clock is set ahead: what lies between rings at once.
    now = at(12, 0);
    schedule.check();
    QCOMPARE(jumps.count(), 1);
    QCOMPARE(rang.last(), (QStringList{"added", "C"}));
    QCOMPARE(schedule.armedFor(), std::nullopt);

    // Set back: it is armed for what comes again, and rings it again when it comes.
    now = at(11, 0);
    schedule.check();
    QCOMPARE(jumps.count(), 2);
    QCOMPARE(rang.size(), 2);
    QCOMPARE(schedule.armedFor(), std::optional(at(11, 30)));
    pass(30 * 60);
    schedule.check();
    QCOMPARE(rang.last(), QStringList{"C"});
    QCOMPARE(jumps.count(), 2);

    // Slept through a ring (the monotonic clock stood still): it rings on waking.
    add(*folder, {"8", "12", "2026", "13:00", "after sleep"});
    now = at(14, 0);
    schedule.check();
    QCOMPARE(rang.last(), QStringList{"after sleep"});
    QCOMPARE(jumps.count(), 3);

    schedule.stop();
    QCOMPARE(schedule.armedFor(), std::nullopt);
    now = at(15, 0);
    schedule.check();
    QCOMPARE(rang.size(), 4);
    QCOMPARE(Reminders::lastSeen(path()), std::optional(at(14, 0)));
}

QTEST_GUILESS_MAIN(TestReminders)
#include "tst_reminders.moc"
