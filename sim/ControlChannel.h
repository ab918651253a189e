#pragma once

#include <QObject>

class QSocketNotifier;

// A named pipe the simulator reads control lines from, so that a test or a
// person at a shell (echo "supplies on" > PATH) can act as if at the node.
class ControlChannel : public QObject
{
    Q_OBJECT
public:
    explicit ControlChannel(QObject *parent = nullptr);
    ~ControlChannel() override;

    // Makes the pipe at path (an existing pipe is reused, nothing else is
    // replaced). On failure returns false and sets error.
    bool open(const QString &path, QString *error);

signals:
    void line(const QString &text);

private:
    void readAvailable();

    QString m_path;
    int m_fd = -1;
    QByteArray m_pending;
    QSocketNotifier *m_notifier = nullptr;
};
