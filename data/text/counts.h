// How many of a thing, in the words of an Arabic sentence: the noun agrees with the number
// ("سجل واحد", "سجلان", "3 سجلات", "11 سجلًا", "100 سجل"). Every count the program writes in
// its own messages goes through here.
#pragma once

#include <QString>

namespace dalil::Counts {

// A noun in the forms a count asks of it. A noun followed by another in construct ("سجل
// هاتف") gives its head's forms and the rest in `follower`: the dual then drops its ن.
struct Noun
{
    QString singular;   // one, and 100, 101, 102 ...: "سجل"
    QString dual;       // "سجلان" (nominative), "سجلين" (the other cases) come from it
    QString plural;     // 3 to 10: "سجلات"
    QString accusative; // 11 to 99: "سجلًا"
    bool feminine = false;
    QString follower;   // "هاتف" in "سجل هاتف"
};

// Nominative: the count is the subject or stands apart ("(سجلان)"); Oblique: it follows a
// preposition or a noun it completes ("قبل دقيقتين", "استيراد سجلين").
enum class Case { Nominative, Oblique };

// n in Western digits with its noun; one and two are said with the noun alone ("سجل واحد",
// "سجلان"), as Arabic does. Zero takes the plural.
QString text(qint64 n, const Noun &noun, Case grammaticalCase = Case::Nominative);

// The nouns the program counts.
const Noun &record();      // سجل
const Noun &phoneRecord(); // سجل هاتف
const Noun &appointment(); // موعد
const Noun &cheque();      // شيك
const Noun &minute();      // دقيقة
const Noun &day();         // يوم
const Noun &time();        // مرة

} // namespace dalil::Counts
