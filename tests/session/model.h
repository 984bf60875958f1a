// The reference model of a session: each book's records with their rowids, which windows
// exist and which are on screen (and in what order), the search in force in each list, and
// what each status panel may show. It knows the program only by what the user sees.
#pragma once

#include "action.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace session {

// Checks that can be switched off while a fault they find is being mended.
struct Switches
{
    bool staleRows = true;      // a record source never shows or writes rows read before the file changed
    bool selector = true;       // highlighted row, record selector and current record are one
    bool hiddenStay = true;     // hidden windows stay hidden
    bool focus = true;          // the focus lands on a harmless control after a window change
    bool amountDigits = true;   // dinars and fils: at most 12 digits
    bool payeePanel = true;     // panel 2 survives a name search that found nothing
    bool doubleDelete = true;   // a double click on delete deletes one record
    bool otherCopy = true;      // a second copy writes to the file between actions
    // Not a check: the book the session starts from, an older Access file (a fixture's name)
    // converted at start; empty for a new, empty book.
    QString startFrom;
    bool sync = true;           // a second device syncs with the program through a running server
    // Not a check: the session's day. The program's clock and the model's calendar start on
    // it at eight in the morning, whatever the machine's date: a run replays on any day.
    QDate day{2026, 12, 1};

    // "focus,selector" switches those off (or on); "all" names every check.
    void switchOff(const QString &names) { set(names, false); }
    void switchOn(const QString &names) { set(names, true); }
    void set(const QString &names, bool on);
    QString offNames() const;
};

using Row = QList<QVariant>; // in table column order; a null QVariant is an empty column

enum Book { Phone = 0, Note = 1, Cheque = 2 };

struct Table
{
    QString name;
    QStringList columns;
    QMap<qint64, Row> rows;
    // The lasting UID of each phone and appointment, learned from the file when first seen:
    // it never changes while the record lives, and goes with it when it is deleted and put back.
    QMap<qint64, QString> uids;

    qint64 nextRowid() const { return rows.isEmpty() ? 1 : rows.lastKey() + 1; }
};

// What a grid shows: the records in order, with their values.
struct Snapshot
{
    QList<qint64> keys;
    QList<Row> rows;
    bool operator==(const Snapshot &other) const { return keys == other.keys && rows == other.rows; }
};

struct Search
{
    enum Kind { Whole, PhoneName, PhoneNumber, ChequeDate, ChequeName };
    Kind kind = Whole;
    QStringList patterns; // the typed texts with "*" appended
};

// A list window: Form2, Form4 or Form6.
struct ListWindow
{
    bool loaded = false;
    Search search;
    // What the grid may show: the oldest first. More than one only after the file changed
    // behind the list's back; the newest is the file as it is now.
    QList<Snapshot> accepted;
    int current = -1;      // the highlighted row of the snapshot the grid shows (accepted.first())
    int kind = -1;         // List1's chosen row
    QString text1, text2, text3, text4; // the search boxes
    int panelCount = 1;
    QStringList panel1, panel2, panel3; // texts each panel may show
    bool nameSearched = false;  // Form6: a name search with rows has filled panel 2
    QString namePattern;        // Form6: the pattern of that search
    QString caption;
};

// An entry window: Form3, Form5 or Form7.
struct EntryWindow
{
    bool loaded = false;
    QString caption;
    bool navVisible = true;
    bool adding = false;
    qint64 key = -1;         // the current record, -1 for none (or a new one)
    QList<qint64> set;       // the record set in table order, for the navigation bar
    bool setStale = false;   // the file changed since the set was read
    QStringList texts;       // what the boxes show, Text1 first
    QSet<int> touched;       // boxes the user changed since the record was shown
    Row read;                // the record as the window read it
    // The cheque's amount in words: what the program last wrote in Text5 (nothing while it
    // holds the user's own words), and whether emptied figures released the user's words.
    std::optional<QString> wordsWritten = QString();
    bool wordsReleased = false;
    // The appointment window's calendar: the date its boxes name, or today.
    QDate calendar;

    // Typing over a stored record: the window's next write compares it with the file.
    bool typingOverRecord() const { return loaded && key >= 0 && !touched.isEmpty(); }
};

// A message box the model expects: exact texts, or any box where the program's words are
// its own; optional ones may be missing.
struct BoxExpect
{
    QString title;
    QString text;
    bool exact = true;
    bool optional = false;
};

// A box with exactly these words.
inline BoxExpect exact(const QString &title, const QString &text)
{
    return {title, text, true, false};
}

// A box whose words are the program's own (a data error, a record gone, a choice).
inline BoxExpect anyBox(bool optional = false)
{
    return {{}, {}, false, optional};
}

// The Hijri calendar: 0 Umm al-Qura, 1 tabular, and the days added.
struct HijriOptions
{
    int system = 0;
    int adjustment = 0;
};

struct Model
{
    explicit Model(QDate day);

    Table tables[3];
    ListWindow lists[3];      // Form2, Form4, Form6
    EntryWindow entries[3];   // Form3, Form5, Form7
    bool helpLoaded = false;
    HijriOptions hijri;          // in force
    bool hijriWindowLoaded = false;
    HijriOptions hijriChosen;    // as the options window Form10 shows them
    QStringList stack{QStringLiteral("Form1")}; // windows on screen, the top last
    // The records deleted from each book, by whoever deleted them, the last one last: its
    // former identity, its values, and when it was deleted among all the books' deletes.
    struct Deleted
    {
        qint64 key = 0;
        Row row;
        qint64 order = 0;
        QString uid;
    };
    QList<Deleted> deleted[3];
    qint64 deletes = 0; // deletes and imports, counted together: their order
    // The imports into each book, the last one last: the identities each added.
    struct Import
    {
        QList<qint64> keys;
        qint64 order = 0;
    };
    QList<Import> imports[3];
    // The session's day, as the program's clock gives it.
    QDate today;
    // The time of the session's clock, by which reminders ring: it starts at eight on the
    // session's day and only moves on.
    QDateTime clock;
    // How long before its time an appointment rings, in minutes (the options menu's choice).
    int lead = 0;
    // When the reminders the user snoozed ring again (the driver notes them as it snoozes).
    QList<QDateTime> snoozeEnds;
    // Keeps a record about to be deleted from a book.
    void keepDeleted(Book book, qint64 key)
    {
        deleted[book] << Deleted{key, tables[book].rows.value(key), ++deletes, tables[book].uids.take(key)};
        everDeleted[book].insert(key);
    }
    // Every identity ever deleted from each book, put back or not.
    QSet<qint64> everDeleted[3];
    // Puts a kept record back into its book, under its former identity when that is free;
    // returns the identity it has now.
    qint64 putBack(Book book, const Deleted &record);

    QString top() const { return stack.isEmpty() ? QString() : stack.last(); }
    bool isShown(const QString &form) const { return stack.contains(form); }
    void show(const QString &form);
    void hide(const QString &form) { stack.removeAll(form); }

    // The records a search selects, in the order the list shows them.
    Snapshot select(Book book, const Search &search) const;
    Snapshot whole(Book book) const { return select(book, {}); }
    QString countText(qint64 count) const;
    QString grandTotalText() const;
    // Panel 2 after a name search with this pattern, or none when no payee matches.
    std::optional<QString> payeeTotalText(const QString &pattern) const;

    // The grid's current snapshot and highlighted record.
    const Snapshot &shown(Book book) const { return lists[book].accepted.first(); }
    std::optional<qint64> highlighted(Book book) const;
};

// A cheque's amount in words, and such words read back, as the model has them (not asked of
// the program): empty, and nothing, where they are no amount.
QString wordsOf(qint64 dinars, qint64 fils);
std::optional<std::pair<qint64, qint64>> amountOfWords(const QString &text);

// The day a random session of this seed runs on: any from 2005 to 2035.
QDate dayOfSeed(quint32 seed);

// Names, boxes and columns of the books.
QString listName(Book book);
QString entryName(Book book);
std::optional<Book> bookOfForm(const QString &form, bool *isEntry = nullptr);
// The entry window's boxes in order (Text1...), with the column each is bound to.
QStringList entryBoxes(Book book);
QString boxColumn(Book book, int box);
int boxMaxLength(const QString &form, const QString &box);
// The date an appointment's day, month and year boxes name (digits 0-9), when they name one.
std::optional<QDate> boxDate(const QString &day, const QString &month, const QString &year);
// The Arabic name of a date's weekday.
QString weekdayOf(QDate date);
// A value as a box or a grid cell shows it.
QString cellText(const QVariant &value);

// When an appointment row is due, as the session types appointments: a day, month and year in
// Western digits and the time "10:30". Nothing for any other row (the session does not settle
// how the program reads other times).
std::optional<QDateTime> sessionDue(const Row &row);

// The options menu's lead items and their minutes.
inline const QList<std::pair<QString, int>> &leadItems()
{
    static const QList<std::pair<QString, int>> items{{QStringLiteral("attime"), 0},     {QStringLiteral("fiveminutes"), 5},
                                                      {QStringLiteral("quarterhour"), 15}, {QStringLiteral("halfhour"), 30},
                                                      {QStringLiteral("onehour"), 60},    {QStringLiteral("oneday"), 24 * 60}};
    return items;
}
// The value a box's text stores in its column.
QVariant storedValue(Book book, const QString &column, const QString &text);
// Whether an appointment can be an event in a calendar: its day, month and year whole
// numbers that make a date in the years 1 to 3000 (the others stay on this computer).
bool placedInCalendar(const Row &note);
// Jet LIKE with "*" and "?", comparing Latin letters without regard to case, as the file does.
bool likeMatch(const QString &value, const QString &pattern);
int nocaseCompare(const QString &a, const QString &b);

} // namespace session
