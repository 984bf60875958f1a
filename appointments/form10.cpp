#include "form10.h"

#include "hijrisetting.h"

#include "common/controls.h"
#include "common/icons.h"
#include "common/messagebox.h"
#include "common/twips.h"

#include "data/text/clock.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace dalil {

namespace {

QRadioButton *optionButton(const QString &name, const QString &caption, const QRect &at, QWidget *parent)
{
    auto *option = new QRadioButton(caption, parent);
    option->setObjectName(name);
    // As wide as its caption, from the right: a click beside the words would choose nothing.
    QRect fitted = at;
    fitted.setLeft(qMax(at.left(), at.right() + 1 - option->sizeHint().width()));
    option->setGeometry(fitted);
    return option;
}

QString notKeptText(const DataError &error)
{
    QString why;
    switch (error.kind) {
    case DataError::Kind::ReadOnly:
        why = QStringLiteral("لأن ملف البيانات للقراءة فقط");
        break;
    case DataError::Kind::Locked:
        why = QStringLiteral("لأن برنامجاً آخر يستخدم ملف البيانات");
        break;
    default:
        why = QStringLiteral("لأن ملف البيانات لا يقبل الكتابة فيه");
        break;
    }
    return QStringLiteral("تعذّر حفظ خيار التقويم الهجري %1.\n"
                          "سيُعمل بهذا الخيار حتى إغلاق البرنامج فقط، ثم يعود كما كان.")
        .arg(why);
}

} // namespace

Form10::Form10()
    : Form(designName(), 11880, 8595)
{
    setWindowTitle(QStringLiteral("التقويم الهجري"));
    setWindowIcon(Icons::appointment());
    setLayoutDirection(Qt::RightToLeft);

    Label1 = designLabel(QStringLiteral("Label1"), QStringLiteral("التقويم الهجري المتبع:"), Qt::AlignRight,
                         twipsRect(5400, 1080, 3600, 375), this);
    Option1 = optionButton(QStringLiteral("Option1"), QStringLiteral("أم القرى (تقويم المملكة الرسمي)"),
                           twipsRect(4800, 1560, 4200, 375), this);
    Option2 = optionButton(QStringLiteral("Option2"), QStringLiteral("الحسابي (الجدولي)"),
                           twipsRect(4800, 1980, 4200, 375), this);
    auto *systems = new QButtonGroup(this);
    systems->addButton(Option1);
    systems->addButton(Option2);

    Label2 = designLabel(QStringLiteral("Label2"), QStringLiteral("تعديل التاريخ حسب رؤية الهلال (بالأيام):"),
                         Qt::AlignRight, twipsRect(4800, 2640, 4200, 375), this);
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    // Signed numbers read left to right, "−1" and not "1−", with the minus sign, not a hyphen.
    Combo1->setLayoutDirection(Qt::LeftToRight);
    for (int days = -Hijri::Options::maxAdjustment; days <= Hijri::Options::maxAdjustment; ++days)
        Combo1->addItem(days > 0 ? QStringLiteral("+%1").arg(days) : days < 0 ? QStringLiteral("−%1").arg(-days) : QStringLiteral("0"), days);
    Combo1->setGeometry(twipsRect(7800, 3060, 1200, 345));

    Label3 = designLabel(QStringLiteral("Label3"), QStringLiteral("اليوم"), Qt::AlignRight,
                         twipsRect(8280, 3720, 720, 375), this);
    Label4 = designLabel(QStringLiteral("Label4"), QString(), Qt::AlignRight, twipsRect(4800, 3720, 3360, 375), this);

    Command1 = commandButton(QStringLiteral("Command1"), QStringLiteral("حفظ"), QStringLiteral("حفظ الخيار والعمل به"),
                             twipsRect(7665, 4560, 1335, 615), this);
    Command2 = commandButton(QStringLiteral("Command2"), QStringLiteral("إلغاء الأمر"),
                             QStringLiteral("الرجوع دون تغيير الخيار"), twipsRect(6180, 4560, 1335, 615), this);

    setTabOrder(Option1, Option2);
    setTabOrder(Option2, Combo1);
    setTabOrder(Combo1, Command1);
    setTabOrder(Command1, Command2);

    connect(Option1, &QRadioButton::toggled, this, &Form10::showSample);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &Form10::showSample);
    connect(Command1, &QPushButton::clicked, this, &Form10::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form10::Command2_Click);
}

void Form10::Form_Load()
{
    const Hijri::Options options = HijriSetting::instance()->options();
    (options.system == Hijri::System::Tabular ? Option2 : Option1)->setChecked(true);
    Combo1->setCurrentIndex(Combo1->findData(options.adjustment));
    showSample();
}

QWidget *Form10::restingFocus()
{
    return Option2->isChecked() ? Option2 : Option1;
}

Hijri::Options Form10::chosen() const
{
    Hijri::Options options;
    options.system = Option2->isChecked() ? Hijri::System::Tabular : Hijri::System::UmmAlQura;
    options.adjustment = Combo1->currentData().toInt();
    return options;
}

void Form10::showSample()
{
    // Today as the windows would show it with the options chosen here.
    Label4->setText(Hijri::dateText(Hijri::Converter(chosen()).fromGregorian(Clock::today())));
}

void Form10::Command1_Click()
{
    // Taken at once by every window; a file that cannot keep it has it for this run.
    const DataError error = HijriSetting::instance()->change(chosen());
    if (error.isError())
        MessageBoxes::show(this, QMessageBox::Warning, QStringLiteral("التقويم الهجري"), notKeptText(error),
                           QMessageBox::Ok, true);
    Unload();
}

void Form10::Command2_Click()
{
    Unload();
}

void openHijriOptions()
{
    Forms::Load<Form10>()->Show();
}

} // namespace dalil
