#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

// The simulator's end of the serial line: a pseudo-terminal whose slave side
// the tool opens as its serial port.
class PseudoTerminal : public QObject
{
    Q_OBJECT
public:
    explicit PseudoTerminal(QObject *parent = nullptr);
    ~PseudoTerminal() override;

    bool open(QString *error);
    // Closing the master takes the device away: the tool's open port fails.
    void close();
    bool isOpen() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    // Returns false if the bytes could not all be written.
    bool write(const QByteArray &bytes);

signals:
    void received(const QByteArray &bytes);

private:
    void readAvailable();

    int m_master = -1;
    int m_slaveHold = -1;
    QString m_slavePath;
    QSocketNotifier *m_notifier = nullptr;
};
