#include "exchange.h"

#include "filewindows.h"
#include "form11.h"
#include "form13.h"

#include "common/application.h"
#include "common/form.h"
#include "common/listwindow.h"
#include "common/messagebox.h"
#include "common/workprogress.h"
#include "data/exchange/access/conversion.h"
#include "data/exchange/csv.h"
#include "data/exchange/icalendar.h"
#include "data/exchange/vcard.h"
#include "data/records/recordexport.h"
#include "data/records/recordsource.h"
#include "data/store/beside.h"
#include "data/text/clock.h"
#include "data/text/counts.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTimeZone>

namespace dalil::ExchangeFiles {

namespace {

const QString exportTitle = QStringLiteral("تصدير");
const QString importTitle = QStringLiteral("استيراد");

// The design name of each book's list window.
QString listName(const QString &book)
{
    return book == u"Phone" ? QStringLiteral("Form2") : book == u"Note" ? QStringLiteral("Form4") : QStringLiteral("Form6");
}

QString filter(Format format)
{
    switch (format) {
    case Format::VCard4:
    case Format::VCard3:
        return QStringLiteral("بطاقات vCard (*.vcf *.vcard);;كل الملفات (*)");
    case Format::ICalendar:
        return QStringLiteral("تقويم iCalendar (*.ics *.ical);;كل الملفات (*)");
    case Format::Csv:
        return QStringLiteral("جداول CSV (*.csv *.txt);;كل الملفات (*)");
    case Format::Access:
        return QStringLiteral("قواعد بيانات Access (*.mdb *.accdb);;كل الملفات (*)");
    }
    return {};
}

QString suffix(Format format)
{
    return format == Format::ICalendar ? QStringLiteral("ics")
         : format == Format::Csv       ? QStringLiteral("csv")
                                       : QStringLiteral("vcf");
}

QString englishName(const QString &book)
{
    return book == u"Phone" ? QStringLiteral("contacts") : book == u"Note" ? QStringLiteral("appointments")
                                                                           : QStringLiteral("cheques");
}

// A path read left to right inside an Arabic sentence.
QString shown(const QString &path)
{
    return QChar(0x2066) + QFileInfo(path).fileName() + QChar(0x2069);
}

void tell(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    MessageBoxes::show(parent, icon, title, text, QMessageBox::Ok, true);
}

std::unique_ptr<Exchange::RecordWriter> writer(const Request &request, QIODevice *out)
{
    switch (request.format) {
    case Format::VCard4:
        return VCard::writer(out, VCard::Version::V4);
    case Format::VCard3:
        return VCard::writer(out, VCard::Version::V3);
    case Format::ICalendar:
        return ICalendar::writer(out, QTimeZone::systemTimeZone());
    case Format::Csv:
        return Csv::writer(out, {request.byteOrderMark});
    case Format::Access: // imported only
        break;
    }
    return nullptr;
}

} // namespace

ListWindow *bookList(const QString &book)
{
    return qobject_cast<ListWindow *>(Forms::find(listName(book)));
}

QList<Format> formats(const QString &book, bool importing)
{
    // Every book also comes from an older DB1.mdb kept by Access (a second book, a colleague's).
    const QList<Format> older = importing ? QList<Format>{Format::Access} : QList<Format>{};
    if (book == u"Phone") // a reader reads every version
        return importing ? QList<Format>{Format::VCard4} + older : QList<Format>{Format::VCard4, Format::VCard3};
    if (book == u"Note")
        return QList<Format>{Format::ICalendar} + older;
    return QList<Format>{Format::Csv} + older;
}

QString caption(Format format, bool importing)
{
    switch (format) {
    case Format::VCard4:
        return importing ? QStringLiteral("vCard (2.1 و3.0 و4.0)") : QStringLiteral("vCard 4.0");
    case Format::VCard3:
        return QStringLiteral("vCard 3.0 (للبرامج الأقدم)");
    case Format::ICalendar:
        return QStringLiteral("iCalendar");
    case Format::Csv:
        return QStringLiteral("CSV (جداول)");
    case Format::Access:
        return QStringLiteral("دفاتر البرنامج السابق (Access)");
    }
    return {};
}

std::unique_ptr<Exchange::RecordReader> reader(const Request &request, QIODevice *in)
{
    switch (request.format) {
    case Format::VCard4:
    case Format::VCard3:
        return VCard::reader(in);
    case Format::ICalendar:
        return ICalendar::reader(in, request.from, request.to, QTimeZone::systemTimeZone());
    case Format::Csv:
        return Csv::reader(in, request.encoding);
    case Format::Access:
        // The file is read by its name, a page at a time, not through the stream.
        if (auto *file = qobject_cast<QFile *>(in))
            return Access::reader(file->fileName(), request.book);
        return nullptr;
    }
    return nullptr;
}

void exportBook(QWidget *parent, const Request &request)
{
    const QString path = FileWindows::choose(
        parent, {QStringLiteral("تصدير %1").arg(Form11::bookCaption(request.book)), filter(request.format), true,
                 QStringLiteral("%1-%2.%3")
                     .arg(englishName(request.book), Clock::today().toString(QStringLiteral("yyyy-MM-dd")),
                          suffix(request.format)),
                 suffix(request.format), {}});
    if (!path.isEmpty())
        exportTo(parent, request, path);
}

bool exportTo(QWidget *parent, const Request &request, const QString &path)
{
    // The rows as the book's list shows them, or the whole book in the order it was written.
    RecordModel whole;
    const RecordModel *rows = &whole;
    if (request.shownOnly) {
        if (ListWindow *list = bookList(request.book))
            rows = list->records()->model();
    }
    if (rows == &whole) {
        whole.setDatabaseName(databasePath());
        whole.setSource(request.book, std::nullopt);
        if (const DataError error = whole.load(); error.isError()) {
            MessageBoxes::dataError(parent, error);
            return false;
        }
    }
    // Written beside the target and put in its place once whole: a stopped or failed export
    // leaves no half-written file, and an earlier file of that name stays until then.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        tell(parent, QMessageBox::Critical, exportTitle,
             QStringLiteral("تعذرت الكتابة في الملف %1:\n%2").arg(shown(path), file.errorString()));
        return false;
    }
    const qint64 total = rows->count();
    bool stopped = false;
    bool written = false;
    QStringList notices;
    int skipped = 0;
    {
        WorkProgress progress(parent, QStringLiteral("ProgressDialog4"), exportTitle,
                              QStringLiteral("يجري تصدير %1...").arg(Form11::bookCaption(request.book)));
        const std::unique_ptr<Exchange::RecordWriter> out = writer(request, &file);
        written = out && Exchange::write(*rows, *out, [&](qint64 done) {
                      stopped = !progress.update(done, total);
                      return !stopped;
                  });
        if (written && !stopped)
            syncBeside(file, [&] { progress.update(total, total); });
        // A calendar cannot hold an appointment whose date does not read: the user is told which.
        if (const auto *calendar = dynamic_cast<const ICalendar::Writer *>(out.get())) {
            skipped = calendar->skipped();
            notices = calendar->notices();
        }
    }
    if (!written || stopped) {
        file.cancelWriting();
        if (!stopped)
            tell(parent, QMessageBox::Critical, exportTitle,
                 QStringLiteral("تعذر تصدير %1 إلى الملف %2:\n%3")
                     .arg(Form11::bookCaption(request.book), shown(path), file.errorString()));
        return false;
    }
    if (!file.commit()) {
        tell(parent, QMessageBox::Critical, exportTitle,
             QStringLiteral("تعذر حفظ الملف %1:\n%2").arg(shown(path), file.errorString()));
        return false;
    }
    QString text = QStringLiteral("تم تصدير %1 من %2 إلى الملف %3.")
                       .arg(Counts::text(total - skipped, Counts::record(), Counts::Case::Oblique),
                            Form11::bookCaption(request.book), shown(path));
    if (!notices.isEmpty())
        text += u'\n' + notices.mid(0, 10).join(u'\n');
    tell(parent, skipped > 0 ? QMessageBox::Warning : QMessageBox::Information, exportTitle, text);
    return true;
}

void chooseImport(QWidget *parent, const Request &request)
{
    const QString path = FileWindows::choose(parent, {.caption = QStringLiteral("استيراد إلى %1").arg(Form11::bookCaption(request.book)),
                                                      .filter = filter(request.format),
                                                      .saving = false,
                                                      .proposed = {},
                                                      .suffix = {},
                                                      .folder = {}});
    if (!path.isEmpty())
        previewImport(parent, request, path);
}

namespace {

// An input file opened for reading, with the user told when it cannot be.
bool openInput(QWidget *parent, QFile &file)
{
    if (file.open(QIODevice::ReadOnly))
        return true;
    tell(parent, QMessageBox::Critical, importTitle,
         QStringLiteral("تعذرت قراءة الملف %1:\n%2").arg(shown(file.fileName()), file.errorString()));
    return false;
}

void tellProblem(QWidget *parent, const QString &path, const Exchange::Problem &problem)
{
    tell(parent, QMessageBox::Critical, importTitle,
         QStringLiteral("لم يُستورد شيء من الملف %1:\n%2").arg(shown(path), problem.message));
}

} // namespace

bool previewImport(QWidget *parent, const Request &request, const QString &path)
{
    QFile file(path);
    if (!openInput(parent, file))
        return false;
    Exchange::Preview preview;
    {
        WorkProgress progress(parent, QStringLiteral("ProgressDialog4"), importTitle,
                              QStringLiteral("يجري فحص الملف %1...").arg(shown(path)));
        const std::unique_ptr<Exchange::RecordReader> in = reader(request, &file);
        if (!in)
            return false;
        const qint64 size = file.size();
        preview = Exchange::preview(databasePath(), request.book, *in,
                                    [&](qint64 done) { return progress.update(done, size); });
    }
    if (preview.cancelled)
        return false;
    if (preview.error.isError()) {
        MessageBoxes::dataError(parent, preview.error);
        return false;
    }
    if (preview.problem.isProblem()) {
        tellProblem(parent, path, preview.problem);
        return false;
    }
    Form13 *window = Forms::Load<Form13>();
    window->setImport(request, path, preview);
    window->Show();
    return true;
}

bool importFrom(QWidget *parent, const Request &request, const QString &path)
{
    QFile file(path);
    if (!openInput(parent, file))
        return false;
    Exchange::Imported imported;
    {
        WorkProgress progress(parent, QStringLiteral("ProgressDialog4"), importTitle,
                              QStringLiteral("يجري استيراد الملف %1...").arg(shown(path)));
        const std::unique_ptr<Exchange::RecordReader> in = reader(request, &file);
        if (!in)
            return false;
        const qint64 size = file.size();
        imported = Exchange::store(databasePath(), request.book, *in,
                                   [&](qint64 done) { return progress.update(done, size); },
                                   request.leaveOutQuestioned);
    }
    if (imported.cancelled)
        return false;
    if (imported.problem.isProblem()) {
        tellProblem(parent, path, imported.problem);
        return false;
    }
    if (imported.error.isError()) {
        MessageBoxes::dataError(parent, imported.error);
        return false;
    }
    if (ListWindow *list = bookList(request.book))
        list->catchUpWithFile();
    QString text = QStringLiteral("تم استيراد %1 إلى %2.")
                       .arg(Counts::text(imported.added, Counts::record(), Counts::Case::Oblique),
                            Form11::bookCaption(request.book));
    if (imported.duplicates > 0)
        text += QStringLiteral("\nوتُرك ما يطابق سجلًا محفوظًا أو يتكرر في الملف: %1.")
                    .arg(Counts::text(imported.duplicates, Counts::record()));
    if (imported.leftOut > 0)
        text += QStringLiteral("\nوتُرك كما اخترت في المعاينة: %1.").arg(Counts::text(imported.leftOut, Counts::record()));
    if (imported.added > 0)
        text += QStringLiteral("\nللتراجع عن الاستيراد اضغط Ctrl+Z في قائمة الدفتر.");
    tell(parent, QMessageBox::Information, importTitle, text);
    return true;
}

} // namespace dalil::ExchangeFiles
