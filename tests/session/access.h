// Reaching the program's windows and controls by their design names, as a test sees them.
#pragma once

#include "common/form.h"

#include <QString>
#include <QWidget>

namespace session {

inline dalil::Form *form(const QString &name)
{
    return dalil::Forms::find(name);
}

template <class W>
inline W *child(const QString &formName, const QString &name)
{
    dalil::Form *f = form(formName);
    return f ? f->findChild<W *>(name) : nullptr;
}

inline dalil::Form *formOf(QWidget *widget)
{
    for (QWidget *w = widget; w; w = w->parentWidget()) {
        if (auto *f = qobject_cast<dalil::Form *>(w))
            return f;
    }
    return nullptr;
}

inline QString widgetName(QWidget *w)
{
    if (!w)
        return QStringLiteral("(nothing)");
    dalil::Form *f = formOf(w);
    QString name = w->objectName();
    if (name.isEmpty())
        name = QString::fromLatin1(w->metaObject()->className());
    if (w->parentWidget() && w->parentWidget()->objectName() == u"DBGrid1")
        name = QStringLiteral("DBGrid1.") + name;
    return (f ? f->objectName() + u'.' : QString()) + name;
}

} // namespace session
