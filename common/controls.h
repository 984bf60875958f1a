// Small builders for the controls every window lays out from its design: command buttons,
// labels and bound text boxes, each with its design name and its place (in pixels from
// twipsRect).
#pragma once

#include "textbox.h"

#include <QLabel>
#include <QPushButton>
#include <QRect>
#include <QString>

#include <optional>

namespace dalil {

// A command button with its design name, caption, place and tooltip.
inline QPushButton *commandButton(const QString &name, const QString &caption, const QString &tip,
                                  const QRect &at, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setToolTip(tip);
    button->setGeometry(at);
    return button;
}

// A label's plain caption, aligned to the given physical side (whatever the reading
// direction) and, vertically, as given.
inline QLabel *designLabel(const QString &name, const QString &caption, Qt::Alignment horizontal, const QRect &at,
                           QWidget *parent, Qt::Alignment vertical = Qt::AlignVCenter)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(horizontal | Qt::AlignAbsolute | vertical);
    label->setGeometry(at);
    return label;
}

// What a bound text box has of its own: its alignment (by default the reading direction's
// side), its length limit (0: none of the design's) and its reading direction.
struct BoxDesign {
    std::optional<Qt::Alignment> alignment = std::nullopt;
    int maxLength = 0;
    TextBox::Direction direction = TextBox::Direction::Arabic;
};

// A text box bound to a field of the record source; without a source it is bound later.
// The limit is set before the box shows a record, so that a stored text is never cut.
inline BoundTextBox *boundTextBox(const QString &name, const QRect &at, QWidget *parent, const BoxDesign &design = {},
                                  DataControl *source = nullptr, const QString &field = {})
{
    auto *box = new BoundTextBox(name, parent, design.direction);
    if (design.alignment)
        box->setTextAlignment(*design.alignment);
    box->setMaxLength(design.maxLength);
    box->setGeometry(at);
    if (source) {
        box->setDataSource(source);
        box->setDataField(field);
    }
    return box;
}

} // namespace dalil
