#include "session/AlarmList.h"

#include <QDateTime>

namespace {
QString clock(const Stamp &at)
{
    // 24-hour and Latin digits, as the event list shows them.
    return QDateTime::fromMSecsSinceEpoch(at.wallMs).toString(QStringLiteral("HH:mm:ss"));
}
} // namespace

AlarmListModel::AlarmListModel(const Alarms &alarms, const SessionRecord &record, QObject *parent)
    : QAbstractTableModel(parent)
    , m_alarms(alarms)
    , m_record(record)
    , m_revision(alarms.revision())
{ }

void AlarmListModel::sync()
{
    if (m_alarms.revision() != m_revision) {
        beginResetModel();
        m_revision = m_alarms.revision();
        endResetModel();
        return;
    }
    const auto &list = m_alarms.list();
    for (int row = 0; row < int(list.size()); ++row) {
        if (list[std::size_t(row)].open()) {
            emit dataChanged(index(row, 0), index(row, ColumnCount - 1), {Qt::DisplayRole, Qt::ToolTipRole});
        }
    }
}

int AlarmListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_alarms.list().size());
}

int AlarmListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AlarmListModel::data(const QModelIndex &index, int role) const
{
    const auto &list = m_alarms.list();
    if (index.row() < 0 || index.row() >= int(list.size()))
        return {};
    const Alarm &a = list[std::size_t(index.row())];
    if (role == Qt::ToolTipRole) {
        const QString end = a.end ? clock(*a.end) : QStringLiteral("still open");
        return QStringLiteral("%1 %2: %3 to %4, %5 %6")
            .arg(a.title, a.detail, clock(a.start), end, durationText(a.durationMs(m_record.now())), a.extremeText())
            .simplified();
    }
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case StartColumn:
        return clock(a.start);
    case EndColumn:
        return a.end ? clock(*a.end) : QStringLiteral("open");
    case DurationColumn:
        return durationText(a.durationMs(m_record.now()));
    case AlarmColumn:
        return a.title;
    case ExtremeColumn:
        return a.extremeText();
    case DetailColumn:
        return a.detail;
    case AcknowledgedColumn:
        return a.acknowledged ? QStringLiteral("yes") : QString();
    }
    return {};
}

QVariant AlarmListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case StartColumn:
        return QStringLiteral("Start");
    case EndColumn:
        return QStringLiteral("End");
    case DurationColumn:
        return QStringLiteral("Duration");
    case AlarmColumn:
        return QStringLiteral("Alarm");
    case ExtremeColumn:
        return QStringLiteral("Extreme");
    case DetailColumn:
        return QStringLiteral("Detail");
    case AcknowledgedColumn:
        return QStringLiteral("Acknowledged");
    }
    return {};
}
