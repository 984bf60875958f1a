// Small builders for the controls every window lays out from its design.
#pragma once

#include <QPushButton>
#include <QRect>
#include <QString>

namespace dalil {

// A command button with its design name, caption, place (in pixels from twipsRect) and tooltip.
inline QPushButton *commandButton(const QString &name, const QString &caption, const QString &tip,
                                  const QRect &at, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setToolTip(tip);
    button->setGeometry(at);
    return button;
}

} // namespace dalil
