#include "action.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeySequence>
#include <QMetaEnum>

namespace session {

namespace {

const QStringList &actNames()
{
    static const QStringList names{QStringLiteral("StartButton"), QStringLiteral("Menu"),
                                   QStringLiteral("Click"),       QStringLiteral("DoubleClick"),
                                   QStringLiteral("Type"),        QStringLiteral("PickKind"),
                                   QStringLiteral("GridClick"),   QStringLiteral("GridKey"),
                                   QStringLiteral("SelectorClick"), QStringLiteral("NavBar"),
                                   QStringLiteral("CloseBox"),    QStringLiteral("FocusKey"),
                                   QStringLiteral("OtherWrite"),  QStringLiteral("HelpFind"),
                                   QStringLiteral("Print"),       QStringLiteral("Layouts"),
                                   QStringLiteral("PickItem"),    QStringLiteral("Undo"),
                                   QStringLiteral("Deleted"),     QStringLiteral("Backup"),
                                   QStringLiteral("Exchange"),
                                   QStringLiteral("Sync"),
                                   QStringLiteral("Reminders"),
                                   QStringLiteral("Screen")};
    return names;
}

QString keyName(int key, int modifiers)
{
    return QKeySequence(QKeyCombination(Qt::KeyboardModifiers(modifiers), Qt::Key(key))).toString();
}

} // namespace

QString Action::toLine() const
{
    QJsonObject o;
    o.insert(QStringLiteral("a"), actNames().at(int(act)));
    if (!form.isEmpty())
        o.insert(QStringLiteral("f"), form);
    if (!control.isEmpty())
        o.insert(QStringLiteral("c"), control);
    if (n)
        o.insert(QStringLiteral("n"), n);
    if (m)
        o.insert(QStringLiteral("m"), m);
    if (!text.isEmpty())
        o.insert(QStringLiteral("t"), text);
    if (!values.isEmpty())
        o.insert(QStringLiteral("v"), QJsonArray::fromStringList(values));
    if (answer)
        o.insert(QStringLiteral("b"), answer);
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

std::optional<Action> Action::fromLine(const QString &line)
{
    const QJsonDocument doc = QJsonDocument::fromJson(line.toUtf8());
    if (!doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    const qsizetype kind = actNames().indexOf(o.value(QStringLiteral("a")).toString());
    if (kind < 0)
        return std::nullopt;
    Action a;
    a.act = Act(kind);
    a.form = o.value(QStringLiteral("f")).toString();
    a.control = o.value(QStringLiteral("c")).toString();
    a.n = o.value(QStringLiteral("n")).toInt();
    a.m = o.value(QStringLiteral("m")).toInt();
    a.text = o.value(QStringLiteral("t")).toString();
    for (const QJsonValue &v : o.value(QStringLiteral("v")).toArray())
        a.values << v.toString();
    a.answer = o.value(QStringLiteral("b")).toInt();
    return a;
}

QString Action::describe() const
{
    const auto quoted = [](const QString &s) { return u'"' + s + u'"'; };
    switch (act) {
    case Act::StartButton:
        return QStringLiteral("start window: click Command%1").arg(n);
    case Act::Menu:
        return QStringLiteral("menu: %1").arg(control);
    case Act::Click:
        return QStringLiteral("%1: click %2").arg(form, control);
    case Act::DoubleClick:
        return QStringLiteral("%1: double-click %2").arg(form, control);
    case Act::Type:
        return QStringLiteral("%1: type %2 into %3").arg(form, quoted(text), control);
    case Act::PickKind:
        return QStringLiteral("%1: click List1 row %2").arg(form).arg(n);
    case Act::GridClick:
        return QStringLiteral("%1: click grid row %2").arg(form).arg(n);
    case Act::GridKey:
        return QStringLiteral("%1: key %2 in the grid").arg(form, keyName(n, m));
    case Act::SelectorClick:
        return QStringLiteral("%1: click the record selector of row %2").arg(form).arg(n);
    case Act::NavBar:
        return QStringLiteral("%1: navigation bar %2").arg(form, control);
    case Act::CloseBox:
        return QStringLiteral("%1: close box").arg(form);
    case Act::FocusKey:
        return QStringLiteral("key %1 where the focus is").arg(text.isEmpty() ? keyName(n, 0) : quoted(text));
    case Act::HelpFind:
        return QStringLiteral("Form8: find %1 (Ctrl+F, Enter, Esc)").arg(quoted(text));
    case Act::Print:
        return control == u"cheque" ? QStringLiteral("Form7: click Command4 (print the cheque)")
                                    : QStringLiteral("menu: print");
    case Act::Layouts:
        return QStringLiteral("menu: layouts, type %1 into Spin%2, close").arg(quoted(text)).arg(n);
    case Act::Undo:
        return QStringLiteral("%1: Ctrl+Z in the grid%2").arg(form, answer == 1 ? QStringLiteral(" (yes)") : QString());
    case Act::Deleted:
        return n < 0 ? QStringLiteral("menu: deleted, empty the list (yes), close")
                     : QStringLiteral("menu: deleted, restore row %1, close").arg(n);
    case Act::Backup:
        return QStringLiteral("menu: backup, to a new file");
    case Act::Exchange:
        return m == 0 ? QStringLiteral("menu: export book %1").arg(n)
                      : QStringLiteral("menu: import into book %1 [%2]%3")
                            .arg(n)
                            .arg(values.join(QStringLiteral(" | ")),
                                 answer == 1 ? QStringLiteral(", cheques with other words left out") : QString());
    case Act::Sync:
        return values.isEmpty() ? QStringLiteral("a second device syncs; menu: sync now")
                                : QStringLiteral("a second device adds to %1 [%2] and syncs; menu: sync now")
                                      .arg(control, values.join(QStringLiteral(" | ")));
    case Act::Reminders: {
        static const char *const answers[] = {"close box", "snooze", "dismiss"};
        return QStringLiteral("the clock moves on to %1; a reminder window: %2%3")
            .arg(text, QLatin1String(answers[qBound(0, m, 2)]), m == 1 ? QStringLiteral(" (item %1)").arg(n) : QString());
    }
    case Act::PickItem:
        return QStringLiteral("%1: choose item %2 of %3").arg(form).arg(n).arg(control);
    case Act::Screen:
        return QStringLiteral("the frame resized to screen %1").arg(n);
    case Act::OtherWrite: {
        static const char *const ops[] = {"inserts", "updates", "deletes"};
        QString what = QStringLiteral("another copy %1 %2").arg(QLatin1String(ops[qBound(0, n, 2)]), control);
        if (n != 0)
            what += QStringLiteral(" row #%1").arg(m);
        if (!values.isEmpty())
            what += QStringLiteral(" [") + values.join(QStringLiteral(" | ")) + u']';
        return what;
    }
    }
    return {};
}

} // namespace session
