#include "trends/EventMarkers.h"

#include <algorithm>
#include <limits>

EventMarkers::EventMarkers(QCustomPlot *plot, std::vector<QCPAxisRect *> charts, const std::vector<EventMark> &marks)
    : QCPLayerable(plot)
    , m_charts(std::move(charts))
    , m_marks(marks)
{ }

QString EventMarkers::label(EventKind kind)
{
    switch (kind) {
    case EventKind::LoadCommanded:
        return QStringLiteral("Load cmd");
    case EventKind::LoadConfirmed:
        return QStringLiteral("Load OK");
    case EventKind::LoadNotConfirmed:
        return QStringLiteral("Load not confirmed");
    case EventKind::Refused:
        return QStringLiteral("Refused");
    case EventKind::PpsCommanded:
        return QStringLiteral("1PPS cmd");
    case EventKind::RateCommanded:
        return QStringLiteral("Rate cmd");
    case EventKind::LinkLost:
        return QStringLiteral("Link lost");
    case EventKind::LinkBack:
        return QStringLiteral("Link back");
    case EventKind::LinkFollowed:
        return QStringLiteral("Adapter");
    case EventKind::PortChanged:
        return QStringLiteral("Port");
    case EventKind::LoggingStarted:
        return QStringLiteral("Log on");
    case EventKind::LoggingStopped:
        return QStringLiteral("Log off");
    case EventKind::LoggingFailed:
        return QStringLiteral("Log failed");
    case EventKind::ControllerMessage:
        return QStringLiteral("Msg");
    case EventKind::RepliesLate:
        return QStringLiteral("Late");
    case EventKind::LineNoise:
        return QStringLiteral("Noise");
    case EventKind::SessionStarted:
        return QStringLiteral("Start");
    case EventKind::AlarmsAcknowledged:
        return QStringLiteral("Ack");
    case EventKind::FeedRefused:
        return QStringLiteral("Feed");
    case EventKind::ProcedureStarted:
        return QStringLiteral("Test start");
    case EventKind::ProcedureStep:
        return QStringLiteral("Step");
    case EventKind::ProcedureEnded:
        return QStringLiteral("Test end");
    case EventKind::ProcedureAborted:
        return QStringLiteral("Test aborted");
    }
    return {};
}

QString EventMarkers::label(const EventMark &first, int count, bool sameKind)
{
    if (count > 1)
        return sameKind ? QStringLiteral("%1 \u00d7%2").arg(label(first.kind)).arg(count)
                        : QStringLiteral("%1 events").arg(count);
    constexpr int Shown = 18; // characters of the text
    QString text = first.text.simplified();
    if (text.size() > Shown)
        text = text.left(Shown - 1).trimmed() + u'\u2026';
    return text.isEmpty() ? label(first.kind) : label(first.kind) + QStringLiteral(": ") + text;
}

QColor EventMarkers::colour(EventKind kind)
{
    switch (kind) {
    case EventKind::LoadNotConfirmed:
    case EventKind::Refused:
    case EventKind::LinkLost:
    case EventKind::LoggingFailed:
    case EventKind::FeedRefused:
    case EventKind::ProcedureAborted:
        return QColor(200, 30, 30); // something went wrong
    case EventKind::LoadCommanded:
    case EventKind::LoadConfirmed:
        return QColor(200, 110, 0);
    case EventKind::ControllerMessage:
        return QColor(40, 90, 200);
    case EventKind::ProcedureStarted:
    case EventKind::ProcedureStep:
    case EventKind::ProcedureEnded:
        return QColor(120, 40, 160);
    case EventKind::LinkBack:
    case EventKind::LinkFollowed:
    case EventKind::PortChanged:
        return QColor(20, 140, 60);
    default:
        return QColor(90, 90, 90);
    }
}

int EventMarkers::stripHeight(const QFont &font)
{
    return LabelRows * QFontMetrics(font).height() + 4;
}

void EventMarkers::applyDefaultAntialiasingHint(QCPPainter *painter) const
{
    applyAntialiasingHint(painter, mAntialiased, QCP::aeOther);
}

void EventMarkers::draw(QCPPainter *painter)
{
    if (m_charts.empty())
        return;
    const QCPAxis *time = m_charts.front()->axis(QCPAxis::atBottom);
    const QCPRange range = time->range();
    const auto byKey = [](const EventMark &m, double key) { return m.key < key; };
    const auto first = std::lower_bound(m_marks.begin(), m_marks.end(), range.lower, byKey);
    const auto last = std::lower_bound(first, m_marks.end(), range.upper + 1e-9, byKey);

    const QRect top = m_charts.front()->rect();
    const QFontMetrics metrics(painter->font());
    const int rowHeight = metrics.height();
    const int stripTop = top.top() - LabelRows * rowHeight - 2;
    std::array<int, LabelRows> rowEnd;
    rowEnd.fill(std::numeric_limits<int>::min());

    for (auto mark = first; mark != last; ++mark) {
        const double x = time->coordToPixel(mark->key);
        QColor line = colour(mark->kind);
        line.setAlpha(90);
        painter->setPen(QPen(line, 1));
        for (const QCPAxisRect *chart : m_charts) {
            const QRect r = chart->rect();
            painter->drawLine(QLineF(x, r.top(), x, r.bottom()));
        }
    }

    // Labels: the events whose labels would overlap the first one's share it.
    for (auto mark = first; mark != last;) {
        const double x = time->coordToPixel(mark->key);
        const int left = int(x) + 2;
        const double reach = x + metrics.horizontalAdvance(label(*mark, 1, true)) + 4;
        auto next = mark + 1;
        bool sameKind = true;
        while (next != last && time->coordToPixel(next->key) < reach) {
            sameKind = sameKind && next->kind == mark->kind;
            ++next;
        }
        const int count = int(next - mark);
        const QString text = label(*mark, count, sameKind);
        const QColor ink = count == 1 || sameKind ? colour(mark->kind) : QColor(60, 60, 60);
        const auto group = mark;
        mark = next;

        // The label in the first row with room, else none: the list has it.
        const int width = metrics.horizontalAdvance(text);
        if (left + width > top.right())
            continue;
        for (int row = 0; row < LabelRows; ++row) {
            if (left < rowEnd[std::size_t(row)] + 4)
                continue;
            rowEnd[std::size_t(row)] = left + width;
            const int baseline = stripTop + row * rowHeight + metrics.ascent();
            QColor line = ink;
            line.setAlpha(90);
            painter->setPen(QPen(line, 1, Qt::DotLine));
            painter->drawLine(QLineF(time->coordToPixel(group->key), baseline - metrics.ascent(), x, top.top()));
            painter->setPen(ink);
            painter->drawText(left, baseline, text);
            break;
        }
    }
}
