// The cheque layouts: where each item of a cheque lands on the bank's leaf, in millimetres,
// with a live preview and a calibration print to hold against a real leaf. Every change is
// kept in the file at once and is what the next cheque prints with.
#pragma once

#include "common/form.h"
#include "data/store/chequelayouts.h"

#include <QList>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace dalil {

// The leaf drawn to scale with a sample cheque on it and the items' boxes outlined.
class ChequePreview : public QWidget
{
    Q_OBJECT

public:
    explicit ChequePreview(const QString &name, QWidget *parent);
    void setLayout(const ChequeLayout &layout);
    ChequeLayout chequeLayout() const { return m_layout; }
    // Device pixels to the millimetre at the widget's present size.
    double scale() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ChequeLayout m_layout;
};

class Form9 : public Form
{
    Q_OBJECT

public:
    Form9();
    static QString designName() { return QStringLiteral("Form9"); }

    QLabel *Label1;
    QComboBox *Combo1; // the layout shown and chosen
    QPushButton *Command1; // new layout
    QPushButton *Command2; // delete layout
    QLabel *Label2;
    QDoubleSpinBox *Spin1; // leaf width
    QLabel *Label3;
    QDoubleSpinBox *Spin2; // leaf height
    QLabel *Label4;
    QDoubleSpinBox *Spin3; // offset across
    QLabel *Label5;
    QDoubleSpinBox *Spin4; // offset down
    QTableWidget *Table1;  // one row per item: from right, from top, width, height, font size
    QLabel *Label6;
    ChequePreview *Picture1;
    QPushButton *Command3; // calibration print
    QPushButton *Command4; // close

    // The spin box of an item's value (column 0 to 4 as Table1's).
    QDoubleSpinBox *itemSpin(ChequeItem item, int column) const;
    ChequeLayout shownLayout() const { return m_layout; }

    QWidget *restingFocus() override;

protected:
    void Form_Load() override;

private:
    void Combo1_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

    void fillNames(const QString &current);
    void showLayout(const ChequeLayout &layout);
    // A value was changed in a box: the layout is kept and the preview follows.
    void valueChanged();
    bool keep(const DataError &error);

    ChequeLayout m_layout;
    QList<QDoubleSpinBox *> m_itemSpins; // row by row
    bool m_filling = false;
    bool m_toldUnkept = false;
};

} // namespace dalil
