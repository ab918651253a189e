#pragma once

#include "session/SessionRecord.h"

#include <QAbstractTableModel>

// What the event list calls each kind of event.
QString eventKindName(EventKind kind);

// The session's events as a table, oldest first: time, kind, text (a
// controller message as it came). It follows the record when told to, taking
// in what was recorded and letting go of what the record dropped for age.
class EventListModel : public QAbstractTableModel
{
public:
    enum Column { TimeColumn, KindColumn, TextColumn, ColumnCount };
    // The event's time in seconds since the epoch, as the charts count it.
    static constexpr int KeyRole = Qt::UserRole;

    explicit EventListModel(const SessionRecord &record, QObject *parent = nullptr);

    // Brings the rows up to date with the record.
    void sync();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const EventEntry *event(int row) const;

    const SessionRecord &m_record;
    // The rows shown are the session's events m_first .. m_first + m_count - 1.
    std::size_t m_first = 0;
    int m_count = 0;
};
