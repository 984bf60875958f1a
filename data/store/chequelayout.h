// Where each item of a cheque lands on a bank's pre-printed leaf. Every bank's leaf differs, so
// the user keeps named layouts in DB1.mdb (chequelayouts.h) and chooses the one the printer uses.
// Lengths are in millimetres, measured from the leaf's top right corner (the edge a cheque is
// read from). Here: a layout, the one Dalil ships, and the tables a file keeps them in.
#pragma once

#include <QRectF>
#include <QString>

#include <array>

struct sqlite3;

namespace dalil {

enum class ChequeItem { Day, Month, Year, Payee, Words, Figures };
constexpr int chequeItemCount = 6;

struct ChequeItemPlace
{
    double fromRight = 0; // the item's right edge, from the leaf's right edge
    double fromTop = 0;   // the item's top edge, from the leaf's top edge
    double width = 0;
    double height = 0;
    double fontSize = 12; // points

    friend bool operator==(const ChequeItemPlace &, const ChequeItemPlace &) = default;
};

struct ChequeLayout
{
    QString name;
    double leafWidth = 175;
    double leafHeight = 80;
    // Nudges every item together, for a printer that feeds the leaf a little off: positive x
    // moves the items left (away from the right edge), positive y moves them down.
    double offsetX = 0;
    double offsetY = 0;
    std::array<ChequeItemPlace, chequeItemCount> items;

    const ChequeItemPlace &place(ChequeItem item) const { return items[size_t(item)]; }
    ChequeItemPlace &place(ChequeItem item) { return items[size_t(item)]; }
    // The item's box on the leaf, in millimetres from the leaf's top left corner, offset applied.
    QRectF box(ChequeItem item) const;

    // The layout Dalil ships: a leaf of 175 × 80 mm, the date at the top right, the amount in
    // figures at the top left, the payee and the amount in words below.
    static ChequeLayout standard();
    static QString standardName();

    friend bool operator==(const ChequeLayout &, const ChequeLayout &) = default;
};

// The item's name as the user reads it (the layout window's rows).
QString chequeItemCaption(ChequeItem item);

// Lengths the layout window and the store accept; a layout outside them is refused.
constexpr double minLeafLength = 20;
constexpr double maxLeafLength = 500;
constexpr double minFontSize = 7;
constexpr double maxFontSize = 48;
bool isSound(const ChequeLayout &layout);

namespace ChequeLayouts {

// The items' names in the tables, in the order of ChequeItem.
inline constexpr std::array<const char *, chequeItemCount> itemKeys{"day", "month", "year", "payee", "words", "figures"};
// The option that names the chosen layout.
inline const QString chosenOption = QStringLiteral("cheque.layout");

// Dalil's tables of layouts, holding the shipped one, chosen; a step of bringing a file up to date.
bool create(sqlite3 *handle);

} // namespace ChequeLayouts

} // namespace dalil
