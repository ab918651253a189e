#pragma once

#include "session/Alarms.h"
#include "ui/Form.h"

#include <functional>

class AlarmListModel;
class QPushButton;
class QTableView;

// The alarms of the session, each with its start, end, duration and extreme
// value, until acknowledged. Acknowledge (the button, or Ctrl+K here and in
// the main window) goes to the run, which records it.
class frmAlarms : public Form
{
public:
    static inline const QString Caption = QStringLiteral("Alarms");

    frmAlarms(const Alarms &alarms, const SessionRecord &record, std::function<void()> acknowledge,
              QWidget *parent = nullptr);

    // Brings the list up to date; nothing while hidden.
    void sync();
    void cmdAcknowledge_Click();

protected:
    void Form_Load() override { refresh(); }

private:
    void refresh();

    const Alarms &m_alarms;
    std::function<void()> m_acknowledge;
    AlarmListModel *m_model = nullptr;
    QTableView *lstAlarms = nullptr;
    QPushButton *cmdAcknowledge = nullptr;
};
