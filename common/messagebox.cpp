#include "messagebox.h"

#include "bidi.h"
#include "data/exchange/access/accessfile.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QTextDocument>
#include <QTextOption>

namespace dalil::MessageBoxes {

namespace {

// The property that marks the label of a box's text.
constexpr char textLabelProperty[] = "dalilMessageText";

// Marks the label that shows the box's text: the one whose text is the box's.
QLabel *markTextLabel(QMessageBox &box)
{
    const QList<QLabel *> labels = box.findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (label->text() == box.text()) {
            label->setProperty(textLabelProperty, true);
            return label;
        }
    }
    return nullptr;
}

// Word-only buttons: some styles put a coloured icon beside the caption, which leaves the
// Arabic word jammed against the button's edge. A blank of two letters' height each side.
void plainButtons(QMessageBox &box)
{
    for (QAbstractButton *button : box.buttons()) {
        button->setIcon(QIcon());
        const QFontMetrics metrics(button->font());
        const int wanted = metrics.horizontalAdvance(button->text()) + 4 * metrics.height();
        button->setMinimumWidth(qMax(button->sizeHint().width(), wanted));
    }
}

// A box at least as wide as its title: the window manager writes the title in the bar beside
// its own buttons, and a box sized to a short text would cut it ("خطأ في المد…").
void roomForTitle(QMessageBox &box)
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid)
        return;
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const QFontMetrics metrics(titleFont);
    // The bar's own buttons and margins take about six letters' height.
    const int wide = metrics.horizontalAdvance(box.windowTitle()) + 6 * metrics.height();
    grid->addItem(new QSpacerItem(wide, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

// The reading direction of the box's text, without touching the text itself (the box's
// text() is its label's): a sentence such as "كمال was not found!" starts with an Arabic
// letter and would otherwise be laid out right to left, its "!" before the name.
void setReadingDirection(QLabel *label, Qt::LayoutDirection direction)
{
    // Selectable text makes the label keep a document, whose direction is then ours to set.
    label->setTextInteractionFlags(label->textInteractionFlags() | Qt::TextSelectableByMouse);
    if (auto *document = label->findChild<QTextDocument *>()) {
        QTextOption option = document->defaultTextOption();
        option.setTextDirection(direction);
        document->setDefaultTextOption(option);
    }
}

QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                 const QString &text, QMessageBox::StandardButtons buttons,
                                 bool rightToLeft, bool readsLeftToRight,
                                 QMessageBox::StandardButton defaultButton = QMessageBox::NoButton)
{
    QMessageBox box(icon, title, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    box.setTextFormat(Qt::PlainText);
    box.setLayoutDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    // Arabic words on the buttons; the roles stay the standard ones.
    if (auto *ok = box.button(QMessageBox::Ok))
        ok->setText(QStringLiteral("موافق"));
    if (auto *yes = box.button(QMessageBox::Yes))
        yes->setText(QStringLiteral("نعم"));
    if (auto *no = box.button(QMessageBox::No))
        no->setText(QStringLiteral("لا"));
    plainButtons(box);
    roomForTitle(box);
    if (QLabel *label = markTextLabel(box)) {
        label->setAlignment(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);
        if (readsLeftToRight)
            setReadingDirection(label, Qt::LeftToRight);
    }
    return QMessageBox::StandardButton(box.exec());
}

} // namespace

QLabel *textLabel(const QMessageBox *box)
{
    const QList<QLabel *> labels = box->findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (label->property(textLabelProperty).toBool())
            return label;
    }
    return nullptr;
}

QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                 const QString &text, QMessageBox::StandardButtons buttons,
                                 bool rightToLeft)
{
    return show(parent, icon, title, text, buttons, rightToLeft, false);
}

QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                 const QString &text, QMessageBox::StandardButtons buttons,
                                 bool rightToLeft, QMessageBox::StandardButton defaultButton)
{
    return show(parent, icon, title, text, buttons, rightToLeft, false, defaultButton);
}

void inputError(QWidget *parent, const QString &text)
{
    show(parent, QMessageBox::Critical, QStringLiteral("خطأ في المدخلات"), text, QMessageBox::Ok, false);
}

void notFound(QWidget *parent, const QString &text)
{
    // The English sentences of the searches read left to right, the name inside them included.
    show(parent, QMessageBox::Warning, QStringLiteral("السجل غير موجود"), text, QMessageBox::Ok, false, true);
}

void searchVariantsOff(QWidget *parent)
{
    show(parent, QMessageBox::Information, QStringLiteral("البحث"),
         QStringLiteral("تعذّر تجهيز ملف البيانات للبحث بصيغ الكتابة المختلفة، لأنه للقراءة فقط أو يستخدمه برنامج آخر.\n"
                        "لذلك يطابق البحث النص كما كُتب تماماً: لا تُعدّ «أ» و«ا» حرفاً واحداً، ولا «ى» و«ي»، ولا «ة» و«ه»، ولا تُهمل الحركات."),
         QMessageBox::Ok, true);
}

void searchKindMissing(QWidget *parent, bool rightToLeft)
{
    show(parent, QMessageBox::Critical, QStringLiteral("خطأ في البحث"),
         QStringLiteral("الرجاء تحديد نوع البحث"), QMessageBox::Ok, rightToLeft);
}

QString shownPath(const QString &path)
{
    // A path reads left to right inside the Arabic sentence.
    return Bidi::leftToRight(QDir::toNativeSeparators(path));
}

QString cause(const DataError &error)
{
    switch (error.kind) {
    case DataError::Kind::DiskFull:
        return QStringLiteral("القرص ممتلئ");
    case DataError::Kind::ReadOnly:
        return QFileInfo(error.path).isDir() ? QStringLiteral("هذا المجلد للقراءة فقط")
                                              : QStringLiteral("هذا الملف للقراءة فقط");
    case DataError::Kind::Locked:
        return QStringLiteral("الملف مشغول ببرنامج آخر");
    case DataError::Kind::NotADatabase:
        return QStringLiteral("الملف تالف أو ليس قاعدة بيانات");
    case DataError::Kind::Missing:
        return QStringLiteral("الملف غير موجود");
    default:
        return QStringLiteral("تعذرت القراءة أو الكتابة على القرص");
    }
}

QString detailLine(const DataError &error)
{
    // The engine's own words, after the Arabic, for whoever helps the user.
    return error.detail.isEmpty() ? QString() : QStringLiteral("\n\nالتفاصيل: ") + Bidi::leftToRight(error.detail);
}

QString dataErrorText(const DataError &error)
{
    const QString path = shownPath(error.path);
    switch (error.kind) {
    case DataError::Kind::Missing:
        return QStringLiteral("لم يتم العثور على ملف قاعدة البيانات:\n%1").arg(path);
    case DataError::Kind::NotADatabase:
        // A book of the older program is offered for conversion at start.
        if (Access::hasSignature(error.path))
            return QStringLiteral("ملف الدفاتر محفوظ بصيغة البرنامج السابق (Microsoft Access) ولم يُحوَّل بعد؛ "
                                  "أعد تشغيل البرنامج لتحويله:\n%1").arg(path);
        return QStringLiteral("الملف ليس قاعدة بيانات صالحة أو أنه تالف:\n%1").arg(path) + detailLine(error);
    case DataError::Kind::MissingObject:
        return QStringLiteral("لا تحتوي قاعدة البيانات على الجدول أو الاستعلام «%1»:\n%2")
            .arg(error.object, path);
    case DataError::Kind::Locked:
        return QStringLiteral("قاعدة البيانات مشغولة ببرنامج آخر، ولم يتم حفظ أي شيء. "
                              "ما زالت البيانات التي أدخلتها موجودة، حاول مرة أخرى بعد قليل:\n%1")
            .arg(path);
    case DataError::Kind::ReadOnly:
        return QStringLiteral("لا يمكن الكتابة في قاعدة البيانات لأن %1، ولم يتم حفظ أي شيء:\n%2")
            .arg(cause(error), path);
    case DataError::Kind::DiskFull:
        return QStringLiteral("القرص الذي يحمل قاعدة البيانات ممتلئ، ولم يتم حفظ أي شيء. ما زالت البيانات التي "
                              "أدخلتها موجودة؛ أفرغ مكاناً على القرص ثم حاول مرة أخرى:\n%1")
                   .arg(path)
               + detailLine(error);
    case DataError::Kind::RecordGone:
        return QStringLiteral("لم يعد هذا السجل موجوداً في قاعدة البيانات، فقد حذفه برنامج آخر أو نسخة أخرى "
                              "من هذا البرنامج. لم يتم حفظ أي شيء.");
    case DataError::Kind::Conflict:
        return QStringLiteral("تغيّر هذا السجل في قاعدة البيانات بعد أن فتحته، ولم يتم حفظ أي شيء.");
    case DataError::Kind::Refused:
        return QStringLiteral("رفضت قاعدة البيانات القيم المدخلة، ولم يتم حفظ أي شيء:\n%1").arg(path) + detailLine(error);
    case DataError::Kind::NoCurrentRecord:
        return QStringLiteral("لا يوجد سجل محدد.");
    case DataError::Kind::Replaced:
        if (QFileInfo(error.path).isFile())
            return QStringLiteral("وضع برنامج آخر ملفاً آخر مكان ملف الدفاتر، فلم يُكتب شيء في الملف السابق. "
                                  "صار البرنامج يقرأ الملف الجديد، وما كتبته ولم يُحفظ باقٍ في نافذته:\n%1")
                .arg(path);
        return QStringLiteral("حذف برنامج آخر ملف الدفاتر أو نقله، فلم يُكتب فيه شيء. "
                              "وما كتبته ولم يُحفظ باقٍ في نافذته:\n%1")
            .arg(path);
    case DataError::Kind::Other:
    case DataError::Kind::None:
        break;
    }
    return QStringLiteral("تعذر الوصول إلى قاعدة البيانات لأن %1:\n%2").arg(cause(error), path) + detailLine(error);
}

void ownFileChosen(QWidget *parent, const QString &path)
{
    show(parent, QMessageBox::Critical, QStringLiteral("خطأ في المدخلات"),
         QStringLiteral("الملف المختار هو ملف الدفاتر الذي يعمل عليه البرنامج الآن، أو ملف يحفظه محرك قاعدة البيانات "
                        "بجانبه، فلا يُقرأ ولا يُكتب إلا من داخل البرنامج. الرجاء اختيار ملف آخر:\n%1")
             .arg(shownPath(path)),
         QMessageBox::Ok, true);
}

bool keepMyChanges(QWidget *parent, const QList<RecordSource::ChangedField> &changed)
{
    // Each value read in its own direction inside the Arabic line, a long one cut short: one
    // without Arabic letters left to right, so that "065 123 456" is not shown "456 123 065".
    const auto quoted = [](const QString &value) {
        if (value.isEmpty())
            return QStringLiteral("(فارغ)");
        const QString line = value.simplified();
        const QChar isolate(Bidi::hasRightToLeftLetters(line) ? 0x2067 : 0x2066);
        return QStringLiteral("«") + isolate + (line.size() > 60 ? line.left(59) + QChar(0x2026) : line)
               + QChar(0x2069) + QStringLiteral("»");
    };
    QString fields;
    for (const RecordSource::ChangedField &field : changed)
        fields += QStringLiteral("%1: المحفوظ الآن %2، وفي نافذتك %3\n")
                      .arg(field.field, quoted(field.stored), quoted(field.mine));
    const auto answer = show(parent, QMessageBox::Warning, QStringLiteral("الرجاء التأكيد"),
                             QStringLiteral("غيّر برنامج آخر أو نسخة أخرى من هذا البرنامج هذا السجل بعد أن فتحته%1\n%2"
                                            "هل تريد حفظ تعديلاتك عليه؟\n"
                                            "اختر «لا» لعرض السجل كما هو محفوظ الآن.")
                                 .arg(fields.isEmpty() ? QStringLiteral(".") : QStringLiteral(":"), fields),
                             QMessageBox::Yes | QMessageBox::No, true);
    return answer == QMessageBox::Yes;
}

void dataError(QWidget *parent, const DataError &error)
{
    // A replaced file is told once, by whichever of its reader or writer meets it first.
    if (error.kind == DataError::Kind::Replaced) {
        static QHash<QString, int> told;
        const int found = qMax(1, Database::replacements(error.path));
        if (told.value(error.path) >= found)
            return;
        told.insert(error.path, found);
    }
    show(parent, QMessageBox::Critical, QStringLiteral("خطأ في قاعدة البيانات"), dataErrorText(error),
         QMessageBox::Ok, true);
}

void recurringOccurrence(QWidget *parent)
{
    show(parent, QMessageBox::Information, QStringLiteral("موعد متكرر"),
         QStringLiteral("هذا الموعد واحد من مواعيد متكررة جاءت من خادم المزامنة، ولا يكتب الدليل المواعيد "
                        "المتكررة. عدّل السلسلة أو احذفها على الخادم (في تقويم الهاتف مثلاً)، "
                        "فيصل التغيير إلى هنا في المزامنة التالية."),
         QMessageBox::Ok, true);
}

} // namespace dalil::MessageBoxes
