// The record source control Data1..Data3: a navigation bar (first, previous, caption,
// next, last; right to left) over a record source of DB1.mdb.
#pragma once

#include "data/records/recordsource.h"

#include <QWidget>

class QLabel;
class QResizeEvent;
class QToolButton;

namespace dalil {

class DataControl : public QWidget
{
    Q_OBJECT

public:
    DataControl(const QString &name, QWidget *parent);

    dalil::RecordSource *source() const { return m_source; }
    // The record set of the control: current record, EOF, count, add, delete, moves.
    dalil::RecordSource *Recordset() const { return m_source; }

    QString DatabaseName() const { return m_source->DatabaseName(); }
    void setDatabaseName(const QString &path) { m_source->setDatabaseName(path); }
    QString RecordSource() const { return m_source->recordSourceText(); }
    void setRecordSource(const QString &source) { m_source->setRecordSource(source); }
    void setRecordSource(const Statement &statement) { m_source->setRecordSource(statement); }
    bool Refresh() { return m_source->Refresh(); }

    QString Caption() const;
    void setCaption(const QString &caption);

    // The design's Visible: whether the bar is on screen, independent of the window's own state.
    bool Visible() const { return m_visible; }
    void setVisible(bool visible) override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void moveAfterWriting(bool (dalil::RecordSource::*move)());
    void updateButtons();
    void fitCaption();

    dalil::RecordSource *m_source;
    QLabel *m_caption;
    QString m_captionText;
    QToolButton *m_first;
    QToolButton *m_previous;
    QToolButton *m_next;
    QToolButton *m_last;
    bool m_visible = true;
};

} // namespace dalil
