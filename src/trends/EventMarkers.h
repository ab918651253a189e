#pragma once

#include "session/SessionRecord.h"

#include <qcustomplot.h>

#include <vector>

// An event on the charts: when, what kind, and what it says.
struct EventMark
{
    double key; // seconds since the epoch
    EventKind kind;
    QString text;
};

// The session's events as thin vertical lines through every chart, each with
// a short label in the strip above the top chart where it has room: its kind
// and the start of its text, or, for events too close together to label
// apart, one label with their count (the event list says it all). Only what
// lies in the visible time range is drawn.
class EventMarkers : public QCPLayerable
{
public:
    // marks must be sorted by key and outlive the markers; labels go in the
    // top margin of the first chart.
    EventMarkers(QCustomPlot *plot, std::vector<QCPAxisRect *> charts, const std::vector<EventMark> &marks);

    static QString label(EventKind kind);
    // A marker's label: the kind and the start of the text of one event, the
    // count of several.
    static QString label(const EventMark &first, int count, bool sameKind);
    static QColor colour(EventKind kind);
    // Rows of labels the strip holds, and its height for the charts' font.
    static constexpr int LabelRows = 2;
    static int stripHeight(const QFont &font);

protected:
    void applyDefaultAntialiasingHint(QCPPainter *painter) const override;
    void draw(QCPPainter *painter) override;

private:
    std::vector<QCPAxisRect *> m_charts;
    const std::vector<EventMark> &m_marks;
};
