#include "form15.h"

#include "common/application.h"
#include "common/icons.h"
#include "common/messagebox.h"
#include "data/text/counts.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace dalil {

namespace {

QLabel *label(const QString &name, const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QPushButton *button(const QString &name, const QString &text, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

QString failureText(const Sync::Response &failed)
{
    switch (failed.failure) {
    case Sync::Failure::Authentication:
        return QStringLiteral("اسم المستخدم أو كلمة المرور غير صحيحة.");
    case Sync::Failure::Network:
        return QStringLiteral("تعذر الاتصال بالخادم. تحقق من العنوان ومن الاتصال بالشبكة.");
    case Sync::Failure::Insecure:
        return QStringLiteral("العنوان غير آمن: يلزم عنوان يبدأ بـ https:// (إلا على هذا الجهاز نفسه).");
    case Sync::Failure::Redirect:
        return QStringLiteral("الخادم يحيل إلى عنوان آخر غير آمن أو بعد إحالات كثيرة.");
    case Sync::Failure::Certificate:
        return QStringLiteral("شهادة الخادم غير موثوقة، فلم يُتصل به. بصمتها (SHA-256):\n%1\n"
                              "لا تقبلها إلا إذا تحققت من أنها شهادة خادمك.")
            .arg(failed.fingerprint);
    case Sync::Failure::None:
        break;
    }
    return QStringLiteral("لم يُعثر على دفاتر عناوين أو تقاويم في هذا العنوان.");
}

} // namespace

const QList<int> &Form15::intervals()
{
    static const QList<int> minutes{15, 5, 30, 60, 0};
    return minutes;
}

Form15::Form15()
    : Form(designName(), 11880, 8595)
{
    setWindowTitle(QStringLiteral("المزامنة"));
    setWindowIcon(Icons::start());

    Label1 = label(QStringLiteral("Label1"), QStringLiteral("عنوان الخادم:"), this);
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setLayoutDirection(Qt::LeftToRight);
    Text1->setPlaceholderText(QStringLiteral("https://dav.example.com/"));
    Label2 = label(QStringLiteral("Label2"), QStringLiteral("اسم المستخدم:"), this);
    Text2 = new QLineEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setLayoutDirection(Qt::LeftToRight);
    Label3 = label(QStringLiteral("Label3"), QStringLiteral("كلمة المرور:"), this);
    Text3 = new QLineEdit(this);
    Text3->setObjectName(QStringLiteral("Text3"));
    Text3->setEchoMode(QLineEdit::Password);
    Text3->setLayoutDirection(Qt::LeftToRight);
    Command1 = button(QStringLiteral("Command1"), QStringLiteral("البحث عن الدفاتر"), this);
    Command1->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    Label4 = label(QStringLiteral("Label4"), QStringLiteral("دفتر العناوين لدليل الهاتف:"), this);
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Label5 = label(QStringLiteral("Label5"), QStringLiteral("التقويم لمذكرة المواعيد:"), this);
    Combo2 = new QComboBox(this);
    Combo2->setObjectName(QStringLiteral("Combo2"));
    Label6 = label(QStringLiteral("Label6"), QStringLiteral("المزامنة:"), this);
    Combo3 = new QComboBox(this);
    Combo3->setObjectName(QStringLiteral("Combo3"));
    for (const int minutes : intervals()) {
        Combo3->addItem(minutes == 0    ? QStringLiteral("عند الطلب فقط")
                        : minutes == 60 ? QStringLiteral("كل ساعة")
                                        : QStringLiteral("كل ") + Counts::text(minutes, Counts::minute(), Counts::Case::Oblique),
                        minutes);
    }
    Label7 = label(QStringLiteral("Label7"), QString(), this);
    Label7->setWordWrap(true);
    Label7->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Command2 = button(QStringLiteral("Command2"), QStringLiteral("قبول هذه الشهادة"), this);
    Command2->hide();
    Command3 = button(QStringLiteral("Command3"), QStringLiteral("حفظ"), this);
    Command4 = button(QStringLiteral("Command4"), QStringLiteral("إلغاء"), this);
    Command5 = button(QStringLiteral("Command5"), QStringLiteral("إيقاف المزامنة"), this);

    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addRow(Label1, Text1);
    form->addRow(Label2, Text2);
    form->addRow(Label3, Text3);
    form->addRow(QString(), Command1);
    form->addRow(Label4, Combo1);
    form->addRow(Label5, Combo2);
    form->addRow(Label6, Combo3);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command3);
    buttons->addWidget(Command4);
    buttons->addStretch();
    buttons->addWidget(Command5);
    auto *all = new QVBoxLayout(this);
    all->setContentsMargins(24, 16, 24, 16);
    all->addLayout(form);
    all->addWidget(Label7);
    all->addWidget(Command2, 0, Qt::AlignRight);
    all->addStretch();
    all->addLayout(buttons);
    // A form of some width, never stretched over a wide screen.
    for (QWidget *box : {static_cast<QWidget *>(Text1), static_cast<QWidget *>(Text2), static_cast<QWidget *>(Text3),
                         static_cast<QWidget *>(Combo1), static_cast<QWidget *>(Combo2), static_cast<QWidget *>(Combo3)})
        box->setMaximumWidth(520);

    connect(Command1, &QPushButton::clicked, this, &Form15::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form15::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form15::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form15::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form15::Command5_Click);
}

QWidget *Form15::restingFocus()
{
    return Text1;
}

void Form15::Form_Load()
{
    const Sync::Settings &current = Sync::Service::instance()->settings();
    Text1->setText(current.server.toString());
    Text2->setText(current.user);
    m_accepted = current.certificate;
    Combo3->setCurrentIndex(qMax(0, int(intervals().indexOf(current.intervalMinutes))));
    QList<Sync::Collection> known;
    if (current.addressBook.isValid())
        known.append({current.addressBook, current.addressBook.path(), Sync::CollectionKind::AddressBook});
    if (current.calendar.isValid())
        known.append({current.calendar, current.calendar.path(), Sync::CollectionKind::Calendar});
    fillCollections(known, current);
    // A certificate the last sync refused is shown here to be accepted.
    const QString refused = Sync::Service::instance()->refusedCertificate();
    if (!refused.isEmpty()) {
        Sync::Response failed;
        failed.failure = Sync::Failure::Certificate;
        failed.fingerprint = refused;
        m_fingerprint = refused;
        say(failureText(failed));
        Command2->show();
    }
}

Sync::Account Form15::typedAccount() const
{
    QUrl server = QUrl::fromUserInput(Text1->text().trimmed());
    server.setUserInfo(QString());
    return {server, Text2->text().trimmed(), Text3->text(), m_accepted};
}

void Form15::say(const QString &text)
{
    Label7->setText(text);
}

void Form15::fillCollections(const QList<Sync::Collection> &found, const Sync::Settings &current)
{
    Combo1->clear();
    Combo2->clear();
    Combo1->addItem(QStringLiteral("(لا مزامنة لدليل الهاتف)"));
    Combo2->addItem(QStringLiteral("(لا مزامنة للمواعيد)"));
    for (const Sync::Collection &c : found) {
        QComboBox *box = c.kind == Sync::CollectionKind::AddressBook ? Combo1 : Combo2;
        box->addItem(c.name, c.url);
        if (c.url == (c.kind == Sync::CollectionKind::AddressBook ? current.addressBook : current.calendar))
            box->setCurrentIndex(box->count() - 1);
    }
    // The first found is proposed where nothing was chosen before.
    for (QComboBox *box : {Combo1, Combo2}) {
        if (box->currentIndex() == 0 && box->count() > 1)
            box->setCurrentIndex(1);
    }
}

void Form15::Command1_Click()
{
    const Sync::Account account = typedAccount();
    if (!Sync::Http::allowed(account.server)) {
        Sync::Response failed;
        failed.failure = Sync::Failure::Insecure;
        say(failureText(failed));
        return;
    }
    if (account.password.isEmpty()) {
        say(QStringLiteral("اكتب كلمة المرور أولاً."));
        Text3->setFocus();
        return;
    }
    say(QStringLiteral("يجري البحث عن دفاتر العناوين والتقاويم..."));
    Command1->setEnabled(false);
    Command2->hide();
    QPointer<Form15> self(this);
    Sync::Service::instance()->discover(account, [self](const Sync::Discovery &found) {
        if (!self)
            return;
        self->Command1->setEnabled(true);
        if (!found.ok()) {
            self->m_fingerprint = found.failed.fingerprint;
            self->Command2->setVisible(found.failed.failure == Sync::Failure::Certificate);
            self->say(failureText(found.failed));
            return;
        }
        Sync::Settings current = Sync::Service::instance()->settings();
        self->fillCollections(found.collections, current);
        self->say(QStringLiteral("وُجد %1 دفتر عناوين و%2 تقويم. اختر ثم اضغط حفظ.")
                      .arg(std::count_if(found.collections.cbegin(), found.collections.cend(),
                                         [](const Sync::Collection &c) { return c.kind == Sync::CollectionKind::AddressBook; }))
                      .arg(std::count_if(found.collections.cbegin(), found.collections.cend(),
                                         [](const Sync::Collection &c) { return c.kind == Sync::CollectionKind::Calendar; })));
    });
}

void Form15::Command2_Click()
{
    // This one certificate, and no other, is trusted from now on for this server.
    m_accepted = m_fingerprint;
    Command2->hide();
    say(QStringLiteral("قُبلت الشهادة ذات البصمة:\n%1").arg(m_accepted));
    if (!Text3->text().isEmpty())
        Command1_Click();
}

void Form15::Command3_Click()
{
    const Sync::Account account = typedAccount();
    Sync::Settings settings;
    settings.server = account.server;
    settings.user = account.user;
    settings.addressBook = Combo1->currentData().toUrl();
    settings.calendar = Combo2->currentData().toUrl();
    settings.intervalMinutes = Combo3->currentData().toInt();
    settings.certificate = m_accepted;
    if (!settings.isSet()) {
        say(QStringLiteral("اكتب العنوان واسم المستخدم، وابحث عن الدفاتر، واختر دفتر عناوين أو تقويماً."));
        return;
    }
    if (!Sync::Http::allowed(settings.server)) {
        Sync::Response failed;
        failed.failure = Sync::Failure::Insecure;
        say(failureText(failed));
        return;
    }
    const DataError error = Sync::Service::instance()->setSettings(settings, account.password);
    if (error.isError()) {
        MessageBoxes::dataError(this, error);
        return;
    }
    Text3->clear();
    Unload();
}

void Form15::Command4_Click()
{
    Text3->clear();
    Unload();
}

void Form15::Command5_Click()
{
    const auto answer = MessageBoxes::show(this, QMessageBox::Warning, QStringLiteral("الرجاء التأكيد"),
                                           QStringLiteral("هل تريد إيقاف المزامنة مع الخادم؟ تبقى السجلات على هذا الجهاز وعلى الخادم كما هي."),
                                           QMessageBox::Yes | QMessageBox::No, true);
    if (answer != QMessageBox::Yes)
        return;
    const DataError error = Sync::Service::instance()->setSettings({}, QString());
    if (error.isError()) {
        MessageBoxes::dataError(this, error);
        return;
    }
    Text3->clear();
    Unload();
}

} // namespace dalil
