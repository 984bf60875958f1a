// The status bar StatusBar1 along the bottom edge of a list window: panels numbered from 1,
// each a label (Panel1, Panel2, ...) with a width in twips, an alignment and a text, or a
// style that shows the current date or time by itself.
#pragma once

#include <QLabel>
#include <QList>
#include <QWidget>

class QHBoxLayout;
class QTimer;

namespace dalil {

class StatusPanel : public QLabel
{
    Q_OBJECT

public:
    // A panel's alignment, and what it shows: its text, or the time or date by itself.
    enum class Alignment { Left, Center, Right };
    Q_ENUM(Alignment)
    enum class Style { Text, Time, Date };
    Q_ENUM(Style)

    StatusPanel(int number, QWidget *parent);

    int Width() const;  // twips
    void setWidth(int twips);
    Alignment alignment() const { return m_alignment; }
    void setAlignment(Alignment alignment);
    void setStyle(Style style);
    Style style() const { return m_style; }

    // Called every second by the bar for the date and time styles.
    void tick();

    // text() stays the whole text; the panel shows it whole, a little smaller where that
    // makes it fit, or else shortened in its middle with the whole of it in the tooltip.
    void setText(const QString &text);
    QString shownText() const { return m_shown; }
    QFont shownFont() const { return m_shownFont; }
    // The width the shown text may take.
    int textRoom() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void fitText();

    QString m_shown;
    QFont m_shownFont;
    int m_width = 0;
    Alignment m_alignment = Alignment::Left;
    Style m_style = Style::Text;
};

class StatusBar : public QWidget
{
    Q_OBJECT

public:
    // The status bar's default width of a panel, in twips.
    static constexpr int defaultPanelWidth = 1440;

    StatusBar(const QString &name, QWidget *parent);

    int panelCount() const { return int(m_panels.size()); }
    // Appends a panel at the end.
    StatusPanel *addPanel();
    // Panel number (from 1), or none when it does not exist: a step on a missing panel fails.
    StatusPanel *panel(int number) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeAtBottom();

    QHBoxLayout *m_row;
    QList<StatusPanel *> m_panels;
    QTimer *m_clock;
};

} // namespace dalil
