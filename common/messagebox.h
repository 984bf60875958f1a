// The program's message boxes: modal, with the exact texts, titles, icons and buttons the
// windows use, right-aligned, some also read right to left.
#pragma once

#include "data/records/recordsource.h"
#include "data/store/database.h"

#include <QMessageBox>

class QLabel;

namespace dalil::MessageBoxes {

// A modal box; rightToLeft also lays the box out for right-to-left reading.
QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                 const QString &text, QMessageBox::StandardButtons buttons,
                                 bool rightToLeft);
// The same, with the button that Enter presses: the safe answer where the other would store
// or destroy something.
QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                 const QString &text, QMessageBox::StandardButtons buttons,
                                 bool rightToLeft, QMessageBox::StandardButton defaultButton);

// "خطأ في المدخلات", stop icon, OK: a refused entry.
void inputError(QWidget *parent, const QString &text);
// "السجل غير موجود", exclamation icon, OK: a search without rows.
void notFound(QWidget *parent, const QString &text);
// Searches match the text exactly as typed: the file could not be prepared for spellings.
void searchVariantsOff(QWidget *parent);
// "الرجاء تحديد نوع البحث" titled "خطأ في البحث", stop icon, OK.
void searchKindMissing(QWidget *parent, bool rightToLeft);
// A database that cannot be used, or a write it refused, naming the file's full path.
void dataError(QWidget *parent, const DataError &error);
// The record being saved changed in the file since it was read: whether the user keeps
// their changes (Yes) or takes the record as it is stored now (No). The question names each
// field changed, with the value stored now and the one in the window.
bool keepMyChanges(QWidget *parent, const QList<RecordSource::ChangedField> &changed = {});
// The user chose the book's own file (or one the engine keeps beside it) in a file window.
void ownFileChosen(QWidget *parent, const QString &path);
// An appointment that is an occurrence of a recurring event on the server: changed and
// deleted there, in its series, never here.
void recurringOccurrence(QWidget *parent);
// The text of dataError's box: what went wrong, in Arabic, with the file's path, and the
// engine's own words on a line of their own after it.
QString dataErrorText(const DataError &error);
// Why a file could not be used, in Arabic: "القرص ممتلئ", "الملف مشغول ببرنامج آخر"...
QString cause(const DataError &error);
// The engine's own words as a closing line, or nothing.
QString detailLine(const DataError &error);
// A path read left to right inside an Arabic sentence.
QString shownPath(const QString &path);
// The label that shows a box's text, as show() marked it; none for a box made elsewhere.
QLabel *textLabel(const QMessageBox *box);

} // namespace dalil::MessageBoxes
