// Printing a cheque onto a bank's leaf, where its layout says, and the calibration sheet that
// lines a layout up with a real leaf.
#pragma once

#include "data/store/chequelayouts.h"

#include <QString>

#include <array>

class QPainter;
class QPaintDevice;
class QWidget;

namespace dalil {

// An amount as a cheque writes it in figures: dinars with their thousands, a point and three
// digits of fils, "1,250.500"; fils of 1000 or more are carried into the dinars. Empty when
// either part is not a whole number.
QString amountInFigures(const QString &dinars, const QString &fils);

// Sums of dinars and fils, the fils carried into dinars.
struct ChequeSum
{
    qint64 dinars = 0;
    qint64 fils = 0;
    void add(qint64 moreDinars, qint64 moreFils);
    // "1,250 دينار و 500 فلس".
    QString text() const;
};

// What a leaf receives, one text per item of the layout.
using ChequeTexts = std::array<QString, chequeItemCount>;

// Draws the texts in their boxes, on a device at `pixelsPerMm` (a printer at its own
// resolution, a preview at its scale). A text too long for its box shrinks down to 7 points,
// the amount in words takes two lines where its box is tall enough, and what still does not
// fit is cut with "…", never silently.
void paintCheque(QPainter &painter, const ChequeLayout &layout, const ChequeTexts &texts, double pixelsPerMm);
// The leaf's outline, a millimetre grid and the layout's boxes with their names.
void paintCalibration(QPainter &painter, const ChequeLayout &layout, double pixelsPerMm);

// Through the print preview, on a page the size of the leaf; false when nothing was printed.
bool printCheque(QWidget *parent, const ChequeLayout &layout, const ChequeTexts &texts);
bool printCalibration(QWidget *parent, const ChequeLayout &layout);

} // namespace dalil
