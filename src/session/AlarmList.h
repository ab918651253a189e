#pragma once

#include "session/Alarms.h"

#include <QAbstractTableModel>

// The alarms as a table, oldest first: start, end, duration, what, the
// extreme value, the detail and whether it was acknowledged. It follows the
// alarms when told to.
class AlarmListModel : public QAbstractTableModel
{
public:
    enum Column {
        StartColumn,
        EndColumn,
        DurationColumn,
        AlarmColumn,
        ExtremeColumn,
        DetailColumn,
        AcknowledgedColumn,
        ColumnCount
    };

    AlarmListModel(const Alarms &alarms, const SessionRecord &record, QObject *parent = nullptr);

    // Brings the rows up to date: the whole table when the list changed,
    // else the rows of open alarms.
    void sync();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const Alarms &m_alarms;
    const SessionRecord &m_record;
    quint64 m_revision = 0;
};
