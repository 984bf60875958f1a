// Menus that keep Arabic words whole: the access-key underlines appear only while Alt is held,
// and are drawn under the whole joined word's letter rather than by splitting the word.
#pragma once

#include <QProxyStyle>

namespace dalil {

class MenuStyle : public QProxyStyle
{
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    // Installs the style on the application, with the watch on the Alt key.
    static void install();

    int styleHint(StyleHint hint, const QStyleOption *option = nullptr, const QWidget *widget = nullptr,
                  QStyleHintReturn *returnData = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;

    // Whether the access keys are shown now (Alt held, or a menu opened from the keyboard).
    static bool underlinesShown();
    static void setUnderlinesShown(bool shown);
};

} // namespace dalil
