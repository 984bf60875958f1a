// The Hijri calendar in a session: the options window Form10, and the Hijri dates every
// window shows, checked against ICU's own calendars with the options in force.
#include "driver.h"

#include "access.h"

#include "icuhijri.h"

#include "common/datacontrol.h"
#include "common/dbgrid.h"

#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

namespace session {

namespace {

QString hijriText(const QString &day, const QString &month, const QString &year, const HijriOptions &options)
{
    bool dayOk = false, monthOk = false, yearOk = false;
    const QDate date(year.toInt(&yearOk), month.toInt(&monthOk), day.toInt(&dayOk));
    if (!dayOk || !monthOk || !yearOk || !date.isValid())
        return {};
    return testing::icuhijri::dateText(date, options.system == 1 ? "islamic-civil" : "islamic-umalqura",
                                       options.adjustment);
}

QString todayText(QDate today, const HijriOptions &options)
{
    return hijriText(QString::number(today.day()), QString::number(today.month()), QString::number(today.year()), options);
}

} // namespace

void Books::openHijriOptions(Outcome &out)
{
    // Shown over whatever is in front; opened again, it keeps what its controls show.
    if (!m.hijriWindowLoaded) {
        m.hijriWindowLoaded = true;
        m.hijriChosen = m.hijri;
    }
    show(QStringLiteral("Form10"));
    out.windowChange = true;
    out.focusForm = QStringLiteral("Form10");
    out.focusWidget = m.hijriChosen.system == 1 ? QStringLiteral("Option2") : QStringLiteral("Option1");
}

Outcome Books::hijriClick(const QString &button, bool doubleClick)
{
    Outcome out;
    if (doubleClick) {
        out.applicable = false; // the second click lands on the window beneath
        return out;
    }
    if (button == u"Option1" || button == u"Option2") {
        m.hijriChosen.system = button == u"Option2" ? 1 : 0;
        return out;
    }
    if (button != u"Command1" && button != u"Command2") {
        out.applicable = false;
        return out;
    }
    // Save: in force at once, everywhere, and kept in the file; cancel drops the choice.
    if (button == u"Command1")
        m.hijri = m.hijriChosen;
    m.hijriWindowLoaded = false;
    hide(QStringLiteral("Form10"));
    out.windowChange = true;
    return out;
}

Outcome Books::pickItem(const Action &a)
{
    Outcome out;
    if (m.top() != a.form || a.form != u"Form10" || a.control != u"Combo1" || a.n < 0 || a.n > 4) {
        out.applicable = false;
        return out;
    }
    m.hijriChosen.adjustment = a.n - 2;
    return out;
}

std::optional<Failure> Driver::checkHijri()
{
    const Model &m = *m_model;
    const auto differs = [](const QString &where, const QString &shown, const QString &expected) {
        return Failure{-1, QStringLiteral("hijri"),
                       QStringLiteral("%1 reads \"%2\", the model says \"%3\"").arg(where, shown, expected)};
    };
    if (m.hijriWindowLoaded) {
        const bool tabular = child<QRadioButton>(QStringLiteral("Form10"), QStringLiteral("Option2"))->isChecked();
        const bool ummAlQura = child<QRadioButton>(QStringLiteral("Form10"), QStringLiteral("Option1"))->isChecked();
        const int adjustment = child<QComboBox>(QStringLiteral("Form10"), QStringLiteral("Combo1"))->currentData().toInt();
        if (tabular != (m.hijriChosen.system == 1) || ummAlQura == tabular || adjustment != m.hijriChosen.adjustment)
            return Failure{-1, QStringLiteral("hijri"),
                           QStringLiteral("Form10 shows %1, %2 days; the model says %3, %4 days")
                               .arg(tabular ? "tabular" : ummAlQura ? "Umm al-Qura" : "no calendar").arg(adjustment)
                               .arg(m.hijriChosen.system == 1 ? "tabular" : "Umm al-Qura").arg(m.hijriChosen.adjustment)};
        const QString sample = child<QLabel>(QStringLiteral("Form10"), QStringLiteral("Label4"))->text();
        if (sample != todayText(m.today, m.hijriChosen))
            return differs(QStringLiteral("Form10's Label4"), sample, todayText(m.today, m.hijriChosen));
    }
    const EntryWindow &e = m.entries[Note];
    if (e.loaded) {
        const QString day = child<QLabel>(QStringLiteral("Form5"), QStringLiteral("Label9"))->text();
        const QString expected = hijriText(e.texts.at(3), e.texts.at(4), e.texts.at(5), m.hijri);
        if (day != expected)
            return differs(QStringLiteral("Form5's Label9 for %1/%2/%3").arg(e.texts.at(3), e.texts.at(4), e.texts.at(5)),
                           day, expected);
        const QString today = child<QLabel>(QStringLiteral("Form5"), QStringLiteral("Label10"))->text();
        if (today != todayText(m.today, m.hijri))
            return differs(QStringLiteral("Form5's Label10"), today, todayText(m.today, m.hijri));
    }
    const ListWindow &l = m.lists[Note];
    if (l.loaded) {
        QString expected;
        const Snapshot &shown = m.shown(Note);
        if (l.current >= 0 && l.current < shown.rows.size()) {
            const Row &row = shown.rows.at(l.current);
            expected = hijriText(cellText(row.value(1)), cellText(row.value(2)), cellText(row.value(3)), m.hijri);
            if (!expected.isEmpty())
                expected.prepend(QStringLiteral("الموعد: "));
        }
        const QString selected = child<QLabel>(QStringLiteral("Form4"), QStringLiteral("Label1"))->text();
        if (selected != expected)
            return differs(QStringLiteral("Form4's Label1 (row %1)").arg(l.current), selected, expected);
    }
    return std::nullopt;
}

} // namespace session
