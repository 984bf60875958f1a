// The actions on each book: open, scroll, edit, search, save and delete, as a user does them.
#include "bench.h"

#include "seed.h"

#include "common/dbgrid.h"
#include "data/exchange/csv.h"
#include "data/exchange/exchange.h"
#include "data/exchange/icalendar.h"
#include "data/exchange/vcard.h"
#include "data/records/recordexport.h"
#include "data/reminders/reminders.h"
#include "data/store/backup.h"
#include "data/store/beside.h"
#include "data/store/database.h"
#include "data/text/dates.h"
#include "shell/mdiform1.h"
#include "shell/program.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlQuery>
#include <QTableWidget>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QSaveFile>
#include <QTimeZone>
#include <QListWidget>
#include <QScrollBar>
#include <QTableView>

#include <cstdio>
#include <memory>

namespace bench {

void Bench::book(const Book &b, bool searches)
{
    auto grid = [b] { return control<dalil::DBGrid>(b.list, QStringLiteral("DBGrid1")); };
    auto countText = [b](int) {
        settle(window(b.list));
        return QString::number(shownCount(b.list));
    };

    Action open;
    open.label = b.name + QStringLiteral(": open (window created)");
    open.target = QStringLiteral("< 100 ms");
    open.targetMs = 100;
    open.work = EngineWork::Reads;
    open.setup = [b](int) { unloadBook(b); };
    open.act = [b](int) { click(QStringLiteral("Form1"), b.startButton); };
    open.done = countText;
    measure(open);

    Action reopen = open;
    reopen.label = b.name + QStringLiteral(": re-open (hidden window shown)");
    reopen.setup = [b](int) { backToStart(b); };
    measure(reopen);

    Action scroll;
    scroll.label = b.name + QStringLiteral(": scroll to the last row");
    scroll.target = QStringLiteral("< 200 ms");
    scroll.targetMs = 200;
    scroll.work = EngineWork::Pages;
    scroll.setup = [b](int) { openFresh(b); };
    scroll.act = [grid](int) { grid()->view()->scrollToBottom(); };
    scroll.done = [b, grid](int) {
        settle(window(b.list));
        QTableView *view = grid()->view();
        return QStringLiteral("bottom row %1 of %2")
            .arg(view->rowAt(view->viewport()->height() - 2))
            .arg(view->model()->rowCount());
    };
    measure(scroll);

    // Edit the record in a row near the end of the list; the entry window must show it.
    auto expected = std::make_shared<QString>();
    Action edit;
    edit.label = b.name + QStringLiteral(": open for edit, row near the end");
    edit.target = QStringLiteral("< 50 ms");
    edit.targetMs = 50;
    edit.work = EngineWork::Lookup;
    edit.setup = [b, grid, expected](int rep) {
        if (rep == 0)
            openFresh(b);
        QTableView *view = grid()->view();
        view->scrollToBottom();
        settle(window(b.list));
        const int row = view->model()->rowCount() - 2 - 3 * rep;
        clickGridRow(grid(), row);
        *expected = view->model()->index(row, b.checkColumn).data().toString();
    };
    edit.act = [b](int) { click(b.list, b.edit); };
    edit.done = [b, expected](int) {
        settle(window(b.entry));
        const QString shown = control<QLineEdit>(b.entry, b.entryCheckBox)->text();
        if (shown != *expected)
            std::fprintf(stderr, "dalil-bench: %s edit shows \"%s\", the list row holds \"%s\"\n",
                         qPrintable(b.name), qPrintable(shown), qPrintable(*expected));
        return shown;
    };
    edit.after = [b](int) { click(b.entry, QStringLiteral("Command3")); flush(); };
    measure(edit);

    if (searches) {
        if (b.list == u"Form2")
            phoneSearches(b);
        else
            chequeSearches(b);
    }

    auto before = std::make_shared<qint64>();
    Action save;
    save.label = b.name + QStringLiteral(": save a new record");
    save.target = QStringLiteral("< 50 ms");
    save.targetMs = 50;
    save.work = EngineWork::Insert;
    save.setup = [b, before](int rep) {
        if (rep == 0)
            openFresh(b);
        *before = shownCount(b.list);
        click(b.list, b.add);
        b.fillEntry(rep);
    };
    save.act = [b](int) { click(b.entry, QStringLiteral("Command1")); };
    save.done = [b, before](int) {
        settle(window(b.list));
        const qint64 now = shownCount(b.list);
        if (now != *before + 1)
            std::fprintf(stderr, "dalil-bench: %s save: count %lld after %lld\n", qPrintable(b.name),
                         qint64(now), qint64(*before));
        return QString::number(now);
    };
    measure(save);

    Action remove;
    remove.label = b.name + QStringLiteral(": delete a record");
    remove.target = QStringLiteral("< 50 ms");
    remove.targetMs = 50;
    remove.work = EngineWork::Delete;
    remove.setup = [b, before, grid](int rep) {
        if (rep == 0)
            openFresh(b);
        *before = shownCount(b.list);
        clickGridRow(grid(), 2);
    };
    remove.act = [b](int) { click(b.list, b.remove); };
    remove.done = [b, before](int) {
        settle(window(b.list));
        const qint64 now = shownCount(b.list);
        if (now != *before - 1)
            std::fprintf(stderr, "dalil-bench: %s delete: count %lld after %lld\n", qPrintable(b.name),
                         qint64(now), qint64(*before));
        return QString::number(now);
    };
    measure(remove);
    unloadBook(b);
}

void Bench::phoneSearches(const Book &b)
{
    const SearchTexts texts = searchTexts();
    auto search = [this, b](const QString &label, const QString &target, double targetMs, int kind,
                            std::function<QString(int)> text) {
        Action a;
        a.label = label;
        a.target = target;
        a.targetMs = targetMs;
        a.work = EngineWork::Reads;
        a.setup = [b, kind, text](int rep) {
            clickListItem(control<QListWidget>(b.list, QStringLiteral("List1")), kind);
            typeInto(control<QLineEdit>(b.list, QStringLiteral("Text1")), text(rep));
        };
        a.act = [b](int) { click(b.list, QStringLiteral("Command2")); };
        a.done = [b](int) {
            settle(window(b.list));
            return QString::number(shownCount(b.list));
        };
        if (measure(a))
            addNote(QStringLiteral("%1 rows").arg(shownCount(b.list)));
    };
    openFresh(b);
    search(QStringLiteral("phone: search by name, ~0.1% of rows"), QStringLiteral("< 50 ms"), 50, 0,
           [texts](int rep) { return texts.names.value(rep % texts.names.size()); });
    search(QStringLiteral("phone: search by number, ~0.1% of rows"), QStringLiteral("< 50 ms"), 50, 1,
           [texts](int rep) { return texts.numbers.value(rep % texts.numbers.size()); });
    search(QStringLiteral("phone: search by name, empty text (all rows)"), QStringLiteral("< 1000 ms"), 1000, 0,
           [](int) { return QString(); });
}

void Bench::chequeSearches(const Book &b)
{
    const SearchTexts texts = searchTexts();
    openFresh(b);
    Action byDate;
    byDate.label = QStringLiteral("cheque: search by date, one year (~0.1% of rows)");
    byDate.target = QStringLiteral("< 50 ms");
    byDate.targetMs = 50;
    byDate.work = EngineWork::Reads;
    byDate.setup = [b, texts](int rep) {
        clickListItem(control<QListWidget>(b.list, QStringLiteral("List1")), 0);
        const DateSearch &date = texts.dates[rep % texts.dates.size()];
        typeInto(control<QLineEdit>(b.list, QStringLiteral("Text2")), date.day);
        typeInto(control<QLineEdit>(b.list, QStringLiteral("Text3")), date.month);
        typeInto(control<QLineEdit>(b.list, QStringLiteral("Text4")), date.year);
    };
    byDate.act = [b](int) { click(b.list, QStringLiteral("Command2")); };
    byDate.done = [b](int) {
        settle(window(b.list));
        return QString::number(shownCount(b.list));
    };
    if (measure(byDate))
        addNote(QStringLiteral("%1 rows").arg(shownCount(b.list)));

    // The year's index range covers a whole decade here, a third of the book.
    Action byDecade = byDate;
    byDecade.label = QStringLiteral("cheque: search by date, years 201x (~0.1% of rows)");
    byDecade.setup = [b, texts](int rep) {
        clickListItem(control<QListWidget>(b.list, QStringLiteral("List1")), 0);
        const DateSearch &date = texts.decadeDates[rep % texts.decadeDates.size()];
        typeInto(control<QLineEdit>(b.list, QStringLiteral("Text2")), date.day);
        typeInto(control<QLineEdit>(b.list, QStringLiteral("Text3")), date.month);
        typeInto(control<QLineEdit>(b.list, QStringLiteral("Text4")), date.year);
    };
    if (measure(byDecade))
        addNote(QStringLiteral("%1 rows").arg(shownCount(b.list)));

    // Broad searches: a third of the book (years 201x), every cheque (years 2x); the first
    // screen, a drag of the scroll bar to the middle, and a save and a delete while in force.
    auto grid = [b] { return control<dalil::DBGrid>(b.list, QStringLiteral("DBGrid1")); };
    auto broad = [this, b, grid](const QString &label, const QString &year) {
        Action search;
        search.label = QStringLiteral("cheque: search by date, %1: first screen").arg(label);
        search.target = QStringLiteral("< 200 ms");
        search.targetMs = 200;
        search.work = EngineWork::Reads;
        search.setup = [b, year](int) {
            clickListItem(control<QListWidget>(b.list, QStringLiteral("List1")), 0);
            typeInto(control<QLineEdit>(b.list, QStringLiteral("Text2")), QString());
            typeInto(control<QLineEdit>(b.list, QStringLiteral("Text3")), QString());
            typeInto(control<QLineEdit>(b.list, QStringLiteral("Text4")), year);
        };
        search.act = [b](int) { click(b.list, QStringLiteral("Command2")); };
        search.done = [b](int) {
            settle(window(b.list));
            return QString::number(shownCount(b.list));
        };
        if (measure(search))
            addNote(QStringLiteral("%1 rows").arg(shownCount(b.list)));

        Action drag;
        drag.label = QStringLiteral("cheque: search by date, %1: drag to the middle").arg(label);
        drag.target = QStringLiteral("< 100 ms");
        drag.targetMs = 100;
        drag.work = EngineWork::Pages;
        drag.setup = [grid](int rep) { grid()->view()->verticalScrollBar()->setValue(rep % 2); };
        drag.act = [grid](int rep) {
            QScrollBar *bar = grid()->view()->verticalScrollBar();
            bar->setValue(bar->maximum() / 2 + rep * 37);
        };
        drag.done = [b, grid](int) {
            settle(window(b.list));
            QTableView *view = grid()->view();
            return view->model()->index(view->rowAt(2), 3).data().toString();
        };
        measure(drag);

        Action remove;
        remove.label = QStringLiteral("cheque: search by date, %1: delete while in force").arg(label);
        remove.target = QStringLiteral("< 50 ms");
        remove.targetMs = 50;
        remove.work = EngineWork::Delete;
        remove.setup = [b, grid](int) { clickGridRow(grid(), 2); };
        remove.act = [b](int) { click(b.list, b.remove); };
        remove.done = [b](int) {
            settle(window(b.list));
            return QString::number(shownCount(b.list));
        };
        measure(remove);

        Action save;
        save.label = QStringLiteral("cheque: search by date, %1: save while in force").arg(label);
        save.target = QStringLiteral("< 50 ms");
        save.targetMs = 50;
        save.work = EngineWork::Insert;
        save.setup = [b](int rep) {
            click(b.list, b.add);
            b.fillEntry(rep);
        };
        save.act = [b](int) { click(b.entry, QStringLiteral("Command1")); };
        save.done = [b](int) {
            settle(window(b.list));
            return QString::number(shownCount(b.list));
        };
        measure(save);
    };
    broad(QStringLiteral("years 201x (a third)"), QStringLiteral("201"));
    broad(QStringLiteral("years 2xxx (every row)"), QStringLiteral("2"));

    Action byPayee = byDate;
    byPayee.label = QStringLiteral("cheque: search by payee, ~0.2% of rows");
    byPayee.setup = [b, texts](int rep) {
        clickListItem(control<QListWidget>(b.list, QStringLiteral("List1")), 1);
        typeInto(control<QLineEdit>(b.list, QStringLiteral("Text1")), texts.payees.value(rep % texts.payees.size()));
    };
    if (measure(byPayee))
        addNote(QStringLiteral("%1 rows").arg(shownCount(b.list)));
}

void Bench::report(const Book &b)
{
    // The report of a whole book, with its totals; a million rows make some 25,000 pages, so
    // the part is meant to be run alone (--only report --reps 1). It is streamed a page at a
    // time: the peak memory stays bounded, and what it used is given back when it ends.
    const QString pdf = m_folder + QStringLiteral("/report.pdf");
    Action print;
    print.label = b.name + QStringLiteral(": print the whole list as a report to PDF");
    print.target = QStringLiteral("< 300000 ms");
    print.targetMs = 300000;
    print.batch = true;
    // What the open list holds already (its kept order, a few pages of rows) is not the report's.
    auto opened = std::make_shared<long>(0);
    print.setup = [b, pdf, opened](int) {
        openFresh(b);
        QFile::remove(pdf);
        dalil::setPrintTarget(pdf);
        *opened = anonymousKb();
    };
    print.act = [](int) {
        dalil::MDIForm1 *frame = dalil::MDIForm1::instance();
        emit frame->file->aboutToShow();
        frame->print->trigger();
    };
    print.done = [pdf](int) { return QStringLiteral("%1 bytes").arg(QFileInfo(pdf).size()); };
    print.after = [](int) { dalil::setPrintTarget(QString()); };
    if (measure(print))
        addNote(QStringLiteral("%1 rows, %2 MB of PDF; held %3 MB with the list open, %5 MB after; resident peak %4 MB")
                    .arg(shownCount(b.list))
                    .arg(QFileInfo(pdf).size() / 1e6, 0, 'f', 1)
                    .arg(*opened / 1024)
                    .arg(peakResidentKb() / 1024)
                    .arg(anonymousKb() / 1024));
}

void Bench::deletedRecords()
{
    // A hundred thousand deleted phones (put into Dalil's own table as a delete puts them, and
    // taken away again after): the window opens on its first page.
    dalil::DataError error;
    QSqlQuery query(dalil::Database::connection(m_path, &error));
    query.exec(QStringLiteral("SELECT ifnull(max(deletedId), 0) FROM DeletedPhone"));
    const qint64 before = query.next() ? query.value(0).toLongLong() : 0;
    const qint64 count = qMin<qint64>(100000, m_options.records);
    query.exec(QStringLiteral("INSERT INTO DeletedPhone SELECT NULL, strftime('%Y-%m-%d %H:%M:%f', 'now'), rowid, * "
                              "FROM Phone LIMIT %1").arg(count));
    Action open;
    open.label = QStringLiteral("deleted records: open the window (%1 deleted)").arg(count);
    open.target = QStringLiteral("< 100 ms");
    open.targetMs = 100;
    open.setup = [](int) {
        if (dalil::Form *shown = dalil::Forms::find(QStringLiteral("Form11")))
            shown->Unload();
        flush();
    };
    open.act = [](int) { dalil::MDIForm1::instance()->deleted->trigger(); };
    open.done = [](int) {
        settle(window(QStringLiteral("Form11")));
        return QStringLiteral("%1 rows read").arg(control<QTableWidget>(QStringLiteral("Form11"), QStringLiteral("Table1"))->rowCount());
    };
    measure(open);
    if (dalil::Form *shown = dalil::Forms::find(QStringLiteral("Form11")))
        shown->Unload();
    query.exec(QStringLiteral("DELETE FROM DeletedPhone WHERE deletedId > %1").arg(before));
}

void Bench::backup()
{
    const QString copy = m_folder + QStringLiteral("/backup.mdb");
    Action write;
    write.label = QStringLiteral("file: back up DB1.mdb (copied, then checked)");
    write.target = QStringLiteral("< 10000 ms");
    write.targetMs = 10000;
    write.batch = true;
    write.setup = [copy](int) { QFile::remove(copy); };
    write.act = [this, copy](int) {
        // As the file menu runs it: the windows kept painting between the steps.
        dalil::Backup::write(m_path, copy, [](qint64, qint64) {
            QCoreApplication::processEvents();
            return true;
        });
    };
    write.done = [copy](int) { return QStringLiteral("%1 bytes").arg(QFileInfo(copy).size()); };
    write.after = [copy](int) { QFile::remove(copy); };
    if (measure(write))
        addNote(QStringLiteral("%1 MB").arg(QFileInfo(m_path).size() / 1e6, 0, 'f', 0));
}

void Bench::exchange()
{
    // Each book out to its format and a file of new records in, as the file menu runs
    // them (the windows painting between records); each import is then taken back, as Ctrl+Z does.
    struct Format
    {
        QString book;
        QString name;
        std::function<std::unique_ptr<dalil::Exchange::RecordWriter>(QIODevice *)> writer;
        std::function<std::unique_ptr<dalil::Exchange::RecordReader>(QIODevice *)> reader;
        std::function<dalil::Records::Values(qint64)> record; // a new record
    };
    const QDate today = QDate::currentDate();
    const QList<Format> formats{
        {QStringLiteral("Phone"), QStringLiteral("vCard 4.0"),
         [](QIODevice *out) { return dalil::VCard::writer(out, dalil::VCard::Version::V4); },
         [](QIODevice *in) { return dalil::VCard::reader(in); },
         [](qint64 n) {
             return dalil::Records::Values{{QStringLiteral("الإسم"), QStringLiteral("مستورد %1").arg(n)},
                                           {QStringLiteral("الجوال"), QStringLiteral("079%1").arg(n, 7, 10, QLatin1Char('0'))},
                                           {QStringLiteral("المنزل"), QStringLiteral("06%1").arg(n, 7, 10, QLatin1Char('0'))},
                                           {QStringLiteral("البريد الإلكتروني"), QStringLiteral("n%1@example.com").arg(n)},
                                           {QStringLiteral("العنوان"), QStringLiteral("عمّان، شارع %1").arg(n % 500)}};
         }},
        {QStringLiteral("Note"), QStringLiteral("iCalendar"),
         [](QIODevice *out) { return dalil::ICalendar::writer(out, QTimeZone::systemTimeZone()); },
         [today](QIODevice *in) {
             return dalil::ICalendar::reader(in, today, today.addMonths(12), QTimeZone::systemTimeZone());
         },
         [](qint64 n) {
             const QDate date = QDate(2031, 1, 1).addDays(n % 3000);
             return dalil::Records::Values{{QStringLiteral("اليوم"), dalil::Dates::weekdayName(date)},
                                           {QStringLiteral("التاريخ"), QString::number(date.day())},
                                           {QStringLiteral("الشهر"), QString::number(date.month())},
                                           {QStringLiteral("العام"), QString::number(date.year())},
                                           {QStringLiteral("الساعة"), QStringLiteral("%1:30 م").arg(n % 12 + 1)},
                                           {QStringLiteral("الموعد"), QStringLiteral("موعد مستورد %1").arg(n)}};
         }},
        {QStringLiteral("Cheque"), QStringLiteral("CSV"),
         [](QIODevice *out) { return dalil::Csv::writer(out); },
         [](QIODevice *in) { return dalil::Csv::reader(in); },
         [](qint64 n) {
             return dalil::Records::Values{{QStringLiteral("اليوم"), QString::number(n % 28 + 1)},
                                           {QStringLiteral("الشهر"), QString::number(n % 12 + 1)},
                                           {QStringLiteral("العام"), QStringLiteral("2031")},
                                           {QStringLiteral("السيد"), QStringLiteral("مستورد %1").arg(n)},
                                           {QStringLiteral("دينار"), n},
                                           {QStringLiteral("فلس"), n % 1000},
                                           {QStringLiteral("المبلغ"), QStringLiteral("مبلغ")},
                                           {QStringLiteral("السبب"), QStringLiteral("دفعة مستوردة")}};
         }},
    };
    const auto painting = [](qint64) {
        QCoreApplication::processEvents();
        return true;
    };
    // A file of a million new records is not what a user imports; a hundred thousand is much.
    const qint64 imported = std::min<qint64>(m_options.records, 100000);
    for (const Format &f : formats) {
        const QString exported = m_folder + QStringLiteral("/exported");
        Action out;
        out.label = QStringLiteral("file: export the %1 book as %2").arg(f.book, f.name);
        out.target = QStringLiteral("< 30000 ms");
        out.targetMs = 30000;
        out.batch = true;
        out.setup = [exported](int) { QFile::remove(exported); };
        out.act = [this, &f, exported, painting](int) {
            dalil::RecordModel rows;
            rows.setDatabaseName(m_path);
            rows.setSource(f.book, std::nullopt);
            rows.load();
            QSaveFile file(exported);
            file.open(QIODevice::WriteOnly);
            const auto writer = f.writer(&file);
            dalil::Exchange::write(rows, *writer, painting);
            dalil::syncBeside(file, [] { QCoreApplication::processEvents(); });
            file.commit();
        };
        out.done = [exported](int) { return QStringLiteral("%1 bytes").arg(QFileInfo(exported).size()); };
        if (measure(out))
            addNote(QStringLiteral("%1 MB, peak %2 MB").arg(QFileInfo(exported).size() / 1e6, 0, 'f', 1).arg(peakResidentKb() / 1024));

        const QString incoming = m_folder + QStringLiteral("/incoming");
        {
            QFile file(incoming);
            file.open(QIODevice::WriteOnly);
            const auto writer = f.writer(&file);
            for (qint64 n = 0; n < imported; ++n)
                writer->write(f.record(n));
            writer->finish();
        }
        Action in;
        in.label = QStringLiteral("file: import %1 new records from %2 (checked, then stored)").arg(imported).arg(f.name);
        in.target = QStringLiteral("< 30000 ms");
        in.targetMs = 30000;
        in.batch = true;
        qint64 added = 0;
        in.act = [this, &f, incoming, &added, painting](int) {
            for (bool storing : {false, true}) {
                QFile file(incoming);
                file.open(QIODevice::ReadOnly);
                const auto reader = f.reader(&file);
                if (storing)
                    added = dalil::Exchange::store(m_path, f.book, *reader, painting).added;
                else
                    dalil::Exchange::preview(m_path, f.book, *reader, painting);
            }
        };
        in.done = [&added](int) { return QStringLiteral("%1 added").arg(added); };
        if (measure(in))
            addNote(QStringLiteral("%1 added, peak %2 MB").arg(added).arg(peakResidentKb() / 1024));
        // Taken back as Ctrl+Z in its list takes it back, which also keeps the book as it was.
        Action back;
        back.label = QStringLiteral("file: take back the import from %1 (Ctrl+Z)").arg(f.name);
        back.target = QStringLiteral("< 30000 ms");
        back.targetMs = 30000;
        back.batch = true;
        qint64 takenBack = 0;
        const auto takeBack = [this, &f, &takenBack](int) {
            dalil::DataError error;
            if (const auto batch = dalil::Exchange::newestBatch(m_path, f.book, &error)) {
                takenBack = dalil::Exchange::undo(m_path, *batch, [](qint64, qint64) {
                    QCoreApplication::processEvents();
                }).rowsTouched;
            }
        };
        back.act = takeBack;
        back.done = [&takenBack](int) { return QStringLiteral("%1 taken back").arg(takenBack); };
        if (measure(back))
            addNote(QStringLiteral("%1 taken back").arg(takenBack));
        else
            takeBack(0);
        QFile::remove(incoming);
        QFile::remove(exported);
    }
}

void Bench::reminders()
{
    // By the system's clock, over the whole appointment book: the next ring (what every
    // change of the book or the lead time costs), the start (what was missed in a day, then
    // the next ring), and the check the schedule makes every minute while nothing changed.
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 hundredThousands = std::max<qint64>(1, (m_options.records + 99999) / 100000);
    std::optional<QDateTime> next;
    Action ring;
    ring.label = QStringLiteral("reminders: the next ring in the whole book");
    ring.target = QStringLiteral("< 50 ms a 100,000");
    ring.targetMs = 50.0 * double(hundredThousands);
    ring.act = [&](int) { next = dalil::Reminders::nextRing(m_path, now); };
    ring.done = [&](int) { return next ? next->toString(Qt::ISODate) : QStringLiteral("none ahead"); };
    measure(ring);

    dalil::ReminderSchedule schedule(m_path);
    QList<dalil::Reminders::Reminder> missed;
    Action start;
    start.label = QStringLiteral("reminders: start (a day missed, then the next ring)");
    start.target = QStringLiteral("< 150 ms a 100,000");
    start.targetMs = 150.0 * double(hundredThousands);
    start.setup = [&](int) {
        schedule.stop();
        dalil::Reminders::markSeen(m_path, now.addDays(-1));
    };
    start.act = [&](int) { missed = schedule.start(); };
    start.done = [&](int) { return QStringLiteral("%1 missed").arg(missed.size()); };
    measure(start);

    Action check;
    check.label = QStringLiteral("reminders: the minute check, the book unchanged");
    check.target = QStringLiteral("< 5 ms");
    check.targetMs = 5;
    check.act = [&](int) { schedule.check(); };
    check.done = [&](int) {
        return schedule.armedFor() ? schedule.armedFor()->toString(Qt::ISODate) : QStringLiteral("nothing armed");
    };
    measure(check);

    // A save through the program: the timer follows that one appointment, and the next check
    // still reads nothing of the book.
    Action save;
    save.label = QStringLiteral("reminders: an appointment saved, then the minute check");
    save.target = QStringLiteral("< 50 ms");
    save.targetMs = 50;
    save.act = [&](int rep) {
        dalil::Records::update(m_path, QStringLiteral("Note"), 1 + rep,
                               {{QStringLiteral("الموعد"), QStringLiteral("موعد معدل %1").arg(rep)}});
        schedule.check();
    };
    save.done = check.done;
    measure(save);
    schedule.stop();
}

} // namespace bench
