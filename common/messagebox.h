// The program's message boxes: modal, with the exact texts, titles, icons and buttons the
// windows use, right-aligned, some also read right to left.
#pragma once

#include "data/database.h"

#include <QMessageBox>

class QLabel;

namespace dalil::MessageBoxes {

// A modal box; rightToLeft also lays the box out for right-to-left reading.
QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                 const QString &text, QMessageBox::StandardButtons buttons,
                                 bool rightToLeft);

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
// their changes (Yes) or takes the record as it is stored now (No).
bool keepMyChanges(QWidget *parent);
// An appointment that is an occurrence of a recurring event on the server: changed and
// deleted there, in its series, never here.
void recurringOccurrence(QWidget *parent);
// The text of dataError's box.
QString dataErrorText(const DataError &error);
// The label that shows a box's text, as show() marked it; none for a box made elsewhere.
QLabel *textLabel(const QMessageBox *box);

} // namespace dalil::MessageBoxes
