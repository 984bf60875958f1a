// A cheque's amount in Arabic words, "فقط ألف ومائتان وخمسون دينارًا وخمسمائة فلس لا غير",
// and the reverse: such words read back into dinars and fils.
//
// Where the grammar books differ, the writer follows one usage throughout:
// - the spelling مائة, مائتان, ثلاثمائة … ثمانمائة, تسعمائة (the reader also takes مئة);
// - a number past 100 ending in 01 or 02 keeps the number before its noun, in the genitive
//   singular: "مائة وواحد دينار", "ألف واثنان دينار", "مائة وواحد ألف" (not "مائة دينار ودينار");
// - a dual or an accusative counting word directly before the noun it counts is in construct:
//   "مائتا دينار", "ألفا دينار", "عشرون ألف دينار"; elsewhere the full form: "ألفان وخمسمائة",
//   "عشرون ألفًا وخمسمائة";
// - the tanween of the accusative is written on the letter before the alef: "دينارًا";
// - 10^9 is مليار; fils of 1000 or more are written as they stand, never carried into dinars.
#pragma once

#include "digits.h"

#include <QString>

#include <optional>
#include <utility>

namespace dalil {

// Each part from 0 to 999,999,999,999; a zero part is left out. Empty when both are zero or
// either is out of range.
QString amountInWords(qint64 dinars, qint64 fils);

// {dinars, fils} from Arabic number words, with or without "فقط … لا غير", tolerant of
// tashkeel, tatweel, hamza and alef forms, ى/ي, ة/ه, مئة/مائة, case endings and construct
// forms. Nothing when the text is not an amount: the currency noun is required, and the
// parts must be joined with و and stand in the order a number is read.
std::optional<std::pair<qint64, qint64>> readAmountWords(const QString &text);

// Whether a cheque's amount in words says another amount than its figures: words that read
// as an amount other than {dinars, fils}. Words that do not read as an amount (a reason, a
// note) contradict nothing. The cheque window asks before it stores such a cheque, and an
// import lets the user choose.
bool wordsContradict(const QString &words, qint64 dinars, qint64 fils);

} // namespace dalil
