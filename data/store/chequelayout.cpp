#include "chequelayout.h"

#include "options.h"

#include <sqlite3.h>

namespace dalil {

namespace {

bool fits(double value, double low, double high)
{
    return value >= low && value <= high; // false for NaN as well
}

} // namespace

QRectF ChequeLayout::box(ChequeItem item) const
{
    const ChequeItemPlace &p = place(item);
    return {leafWidth - p.fromRight - offsetX - p.width, p.fromTop + offsetY, p.width, p.height};
}

QString ChequeLayout::standardName()
{
    return QStringLiteral("النموذج الافتراضي");
}

ChequeLayout ChequeLayout::standard()
{
    ChequeLayout layout;
    layout.name = standardName();
    layout.place(ChequeItem::Day) = {22, 10, 10, 7, 11};
    layout.place(ChequeItem::Month) = {34, 10, 10, 7, 11};
    layout.place(ChequeItem::Year) = {46, 10, 16, 7, 11};
    layout.place(ChequeItem::Payee) = {28, 30, 110, 8, 12};
    layout.place(ChequeItem::Words) = {28, 40, 130, 14, 11};
    layout.place(ChequeItem::Figures) = {127, 16, 40, 9, 12};
    return layout;
}

QString chequeItemCaption(ChequeItem item)
{
    switch (item) {
    case ChequeItem::Day:
        return QStringLiteral("اليوم");
    case ChequeItem::Month:
        return QStringLiteral("الشهر");
    case ChequeItem::Year:
        return QStringLiteral("العام");
    case ChequeItem::Payee:
        return QStringLiteral("لأمر السيد");
    case ChequeItem::Words:
        return QStringLiteral("المبلغ بالحروف");
    case ChequeItem::Figures:
        return QStringLiteral("المبلغ بالأرقام");
    }
    return {};
}

bool isSound(const ChequeLayout &layout)
{
    if (layout.name.trimmed().isEmpty() || !fits(layout.leafWidth, minLeafLength, maxLeafLength)
        || !fits(layout.leafHeight, minLeafLength, maxLeafLength)
        || !fits(layout.offsetX, -maxLeafLength, maxLeafLength) || !fits(layout.offsetY, -maxLeafLength, maxLeafLength))
        return false;
    for (const ChequeItemPlace &p : layout.items) {
        if (!fits(p.fromRight, 0, maxLeafLength) || !fits(p.fromTop, 0, maxLeafLength) || !fits(p.width, 1, maxLeafLength)
            || !fits(p.height, 1, maxLeafLength) || !fits(p.fontSize, minFontSize, maxFontSize))
            return false;
    }
    return true;
}

namespace ChequeLayouts {

bool create(sqlite3 *handle)
{
    const char *tables = R"sql(
CREATE TABLE ChequeLayouts (
    name       TEXT PRIMARY KEY,
    leafWidth  REAL NOT NULL,
    leafHeight REAL NOT NULL,
    offsetX    REAL NOT NULL DEFAULT 0,
    offsetY    REAL NOT NULL DEFAULT 0
);
CREATE TABLE ChequeLayoutItems (
    layout    TEXT NOT NULL,
    item      TEXT NOT NULL CHECK (item IN ('day', 'month', 'year', 'payee', 'words', 'figures')),
    fromRight REAL NOT NULL,
    fromTop   REAL NOT NULL,
    width     REAL NOT NULL,
    height    REAL NOT NULL,
    fontSize  REAL NOT NULL,
    PRIMARY KEY (layout, item)
) WITHOUT ROWID;
)sql";
    if (sqlite3_exec(handle, tables, nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    const ChequeLayout standard = ChequeLayout::standard();
    QString sql = QStringLiteral("INSERT INTO ChequeLayouts (name, leafWidth, leafHeight) VALUES ('%1', %2, %3);")
                      .arg(standard.name)
                      .arg(standard.leafWidth)
                      .arg(standard.leafHeight);
    for (int i = 0; i < chequeItemCount; ++i) {
        const ChequeItemPlace &p = standard.items[size_t(i)];
        sql += QStringLiteral("INSERT INTO ChequeLayoutItems VALUES ('%1', '%2', %3, %4, %5, %6, %7);")
                   .arg(standard.name, QLatin1String(itemKeys[size_t(i)]))
                   .arg(p.fromRight)
                   .arg(p.fromTop)
                   .arg(p.width)
                   .arg(p.height)
                   .arg(p.fontSize);
    }
    sql += Options::setSql(chosenOption, standard.name);
    return sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace ChequeLayouts

} // namespace dalil
