// Text boxes and labels of the windows, plain or bound to a record source field, and the
// fitting of a list box's items.
#pragma once

#include <QLabel>
#include <QLineEdit>

class QListWidget;

namespace dalil {

class DataControl;

// A single-line box that reads right to left for Arabic and shows text without Arabic
// letters (numbers, e-mail addresses) as a left-to-right run, keeping its alignment.
class TextBox : public QLineEdit
{
    Q_OBJECT

public:
    enum class Direction { Arabic, LeftToRight };

    TextBox(const QString &name, QWidget *parent, Direction direction = Direction::Arabic);

    // Design alignment: physical left, right or centre, whatever the reading direction.
    void setTextAlignment(Qt::Alignment horizontal);
    // Maximum number of characters, or 0 for no limit of the design's own.
    void setMaxLength(int length);
    int designMaxLength() const { return m_maxLength; }
    // A box taller than a line shows a text longer than itself on as many lines as its height
    // holds while it is not being edited, the last cut with "…"; edited, it is one line.
    void setWrappedWhenIdle(bool wrapped);
    // The lines a wrapped box shows now: the text itself unless it is wrapped.
    QStringList shownLines() const;

signals:
    // Enter was pressed in the box (character code 13).
    void enterPressed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    // A box left shows the beginning of a text longer than itself, not its end.
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    // A text longer than the box is shown from its beginning (its cursor put there).
    void showBeginning();

private:
    void updateDirection();
    void joinLines();

    Direction m_direction;
    QRect textRoom() const;

    Qt::Alignment m_alignment = Qt::AlignRight;
    int m_maxLength = 0;
    bool m_wrappedWhenIdle = false;
};

// A text box bound to a field of a record source: shows the current record's value, and
// every change of its text, typed or set by a handler, makes the record pending.
class BoundTextBox : public TextBox
{
    Q_OBJECT

public:
    BoundTextBox(const QString &name, QWidget *parent, Direction direction = Direction::Arabic);

    void setDataSource(DataControl *source);
    DataControl *DataSource() const { return m_source; }
    void setDataField(const QString &field);
    QString DataField() const { return m_field; }

private:
    void showCurrent();
    void textWasChanged();

    DataControl *m_source = nullptr;
    QMetaObject::Connection m_sourceConnection;
    QString m_field;
    bool m_showing = false;
};

// Arabic-Indic and Eastern Arabic-Indic digits typed in a number box become 0-9 as they are
// typed, so the checks, the file and the searches only ever see 0-9.
void acceptArabicDigits(QLineEdit *box);
// The same, and nothing but digits is taken as the user types: a letter or a point typed in
// an amount is not let in (a text shown in the box is kept as it is, whatever it holds).
void acceptDigitsOnly(QLineEdit *box);

// A label that shows a field of the current record of a record source; read-only.
class BoundLabel : public QLabel
{
    Q_OBJECT

public:
    BoundLabel(const QString &name, const QString &caption, QWidget *parent);

    void setDataSource(DataControl *source);
    void setDataField(const QString &field);
    QString Caption() const { return text(); }

private:
    void showCurrent();

    DataControl *m_source = nullptr;
    QMetaObject::Connection m_sourceConnection;
    QString m_field;
};

// Every item of the list box whole inside its frame: the box's height shared among its
// items, the face a little smaller where a line would not fit its share or its width. Call
// after the items are added, with the box at its size.
void fitListItems(QListWidget *list);

} // namespace dalil
