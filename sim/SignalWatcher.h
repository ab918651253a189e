#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the process signals the simulator obeys into Qt signals on the event
// loop; a signal handler itself may do next to nothing safely.
class SignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

signals:
    void terminateRequested();      // SIGTERM, SIGINT, SIGHUP
    void toggleSuppliesRequested(); // SIGUSR1

private:
    void drain();

    QSocketNotifier *m_notifier = nullptr;
};
