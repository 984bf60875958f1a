#include "syncstatus.h"

#include "data/sync/service.h"

#include <QBoxLayout>
#include <QMouseEvent>

namespace dalil {

namespace {

std::function<void()> &conflictHandler()
{
    static std::function<void()> handler;
    return handler;
}

} // namespace

SyncStatus::SyncStatus(const QString &name, QWidget *bar)
    : QLabel(bar)
{
    setObjectName(name);
    setTextFormat(Qt::PlainText);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setAlignment(Qt::AlignCenter);
    setContentsMargins(6, 0, 6, 0);
    if (auto *row = qobject_cast<QBoxLayout *>(bar->layout()))
        row->addWidget(this);
    connect(Sync::Service::instance(), &Sync::Service::statusChanged, this, &SyncStatus::update);
    update();
}

void SyncStatus::setConflictHandler(std::function<void()> handler)
{
    conflictHandler() = std::move(handler);
}

void SyncStatus::update()
{
    const Sync::Service *sync = Sync::Service::instance();
    setText(sync->statusText());
    const bool conflicts = !sync->conflicts().isEmpty();
    setCursor(conflicts ? Qt::PointingHandCursor : Qt::ArrowCursor);
    setToolTip(conflicts ? QStringLiteral("اضغط لاختيار النسخة التي تبقى") : QString());
    setVisible(!text().isEmpty());
}

void SyncStatus::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && !Sync::Service::instance()->conflicts().isEmpty() && conflictHandler())
        conflictHandler()();
    QLabel::mouseReleaseEvent(event);
}

} // namespace dalil
