#include "session/EventList.h"

#include "session/TrendPoints.h"

#include <QDateTime>

QString eventKindName(EventKind kind)
{
    switch (kind) {
    case EventKind::LoadCommanded:
        return QStringLiteral("Load commanded");
    case EventKind::LoadConfirmed:
        return QStringLiteral("Load confirmed");
    case EventKind::LoadNotConfirmed:
        return QStringLiteral("Load not confirmed");
    case EventKind::Refused:
        return QStringLiteral("Refused");
    case EventKind::PpsCommanded:
        return QStringLiteral("1PPS commanded");
    case EventKind::RateCommanded:
        return QStringLiteral("Update rate commanded");
    case EventKind::LinkLost:
        return QStringLiteral("Link lost");
    case EventKind::LinkBack:
        return QStringLiteral("Link back");
    case EventKind::LinkFollowed:
        return QStringLiteral("Adapter followed");
    case EventKind::PortChanged:
        return QStringLiteral("Port changed");
    case EventKind::LoggingStarted:
        return QStringLiteral("Logging started");
    case EventKind::LoggingStopped:
        return QStringLiteral("Logging stopped");
    case EventKind::LoggingFailed:
        return QStringLiteral("Logging failed");
    case EventKind::ControllerMessage:
        return QStringLiteral("Controller message");
    case EventKind::RepliesLate:
        return QStringLiteral("Late replies");
    case EventKind::LineNoise:
        return QStringLiteral("Noisy line");
    case EventKind::SessionStarted:
        return QStringLiteral("Session started");
    case EventKind::AlarmsAcknowledged:
        return QStringLiteral("Alarms acknowledged");
    case EventKind::FeedRefused:
        return QStringLiteral("Shore feed refused");
    case EventKind::ProcedureStarted:
        return QStringLiteral("Procedure started");
    case EventKind::ProcedureStep:
        return QStringLiteral("Procedure step");
    case EventKind::ProcedureEnded:
        return QStringLiteral("Procedure ended");
    case EventKind::ProcedureAborted:
        return QStringLiteral("Procedure aborted");
    }
    return {};
}

EventListModel::EventListModel(const SessionRecord &record, QObject *parent)
    : QAbstractTableModel(parent)
    , m_record(record)
{ }

void EventListModel::sync()
{
    const std::size_t first = m_record.droppedEvents();
    const std::size_t end = first + m_record.events().size();
    const std::size_t shownEnd = m_first + std::size_t(m_count);
    if (first >= shownEnd) {
        // Everything shown is gone (or nothing was shown): start again.
        if (m_count > 0 || first != m_first || end != first) {
            beginResetModel();
            m_first = first;
            m_count = int(end - first);
            endResetModel();
        }
        return;
    }
    if (first > m_first) {
        beginRemoveRows({}, 0, int(first - m_first) - 1);
        m_count -= int(first - m_first);
        m_first = first;
        endRemoveRows();
    }
    if (end > shownEnd) {
        beginInsertRows({}, m_count, int(end - m_first) - 1);
        m_count = int(end - m_first);
        endInsertRows();
    }
}

const EventEntry *EventListModel::event(int row) const
{
    // Between two syncs a row may stand for an event the record has dropped.
    const std::size_t number = m_first + std::size_t(row);
    const std::size_t first = m_record.droppedEvents();
    if (row < 0 || number < first || number - first >= m_record.events().size())
        return nullptr;
    return &m_record.events()[number - first];
}

int EventListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_count;
}

int EventListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant EventListModel::data(const QModelIndex &index, int role) const
{
    const EventEntry *e = event(index.row());
    if (!e)
        return {};
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(e->at.wallMs);
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case TimeColumn:
            // 24-hour and Latin digits, as the charts' time axis shows it.
            return at.toString(QStringLiteral("HH:mm:ss"));
        case KindColumn:
            return eventKindName(e->kind);
        case TextColumn:
            return e->text;
        }
        break;
    case Qt::ToolTipRole:
        return QStringLiteral("%1\n%2: %3")
            .arg(at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")), eventKindName(e->kind), e->text);
    case KeyRole:
        return TrendPoints::key(e->at);
    }
    return {};
}

QVariant EventListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case TimeColumn:
        return QStringLiteral("Time");
    case KindColumn:
        return QStringLiteral("Kind");
    case TextColumn:
        return QStringLiteral("Text");
    }
    return {};
}
