// The content lines of vCard (RFC 6350) and iCalendar (RFC 5545) objects as a server keeps
// them, for changing a few properties of an object and leaving every other line exactly as it
// was, byte for byte: the lines a program Dalil does not know wrote (a birthday, a photo,
// alarms, attendees) go back to the server untouched.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace dalil::Sync {

struct ContentLine
{
    QByteArray raw;    // as the object had it, folds and line end included; empty for a new line
    QString group;     // "item1" of "item1.TEL"
    QString name;      // upper case
    QList<std::pair<QString, QString>> parameters; // names upper case, values as written
    QString value;     // as written (escaped)

    // The values of a parameter, comma lists split, lower case; for vCard 2.1's bare
    // parameters (TEL;CELL) the word itself counts as a TYPE.
    QStringList parameterValues(const QString &parameter) const;
    bool hasParameter(const QString &parameter) const;
};

class ContentLines
{
public:
    // Reads an object: CRLF or LF, folded lines joined. A value that is not UTF-8 is read
    // with replacement characters.
    static ContentLines parse(const QByteArray &object);

    QList<ContentLine> lines;

    // The object again: lines unchanged as they came, new or changed ones folded at 75
    // octets with CRLF.
    QByteArray text() const;
    // The index of the first line named so from `from` on, within the component that starts
    // at `from` (up to its END); -1 when none.
    int find(const QString &name, int from = 0) const;
    // The lines of the first component of that kind (BEGIN:VEVENT ... END:VEVENT): its BEGIN
    // and END lines' indexes; {-1, -1} when none.
    std::pair<int, int> component(const QString &kind) const;
};

// A line made afresh: "NAME;P=V:value". The value is written as given (escaped by the caller).
ContentLine makeLine(const QString &group, const QString &name, const QList<std::pair<QString, QString>> &parameters,
                     const QString &value);

// Text values: \\ \, \; \n escaped and back (\N reads as a line feed).
QString escapeText(const QString &text);
QString unescapeText(const QString &value);
// A structured value's parts (N, ADR), split at the ';' that are not escaped, each unescaped.
QStringList structuredParts(const QString &value);

} // namespace dalil::Sync
