#pragma once

#include <QByteArray>
#include <QString>

// The controller's end of a pseudo-terminal: tests write replies into it and
// read what the tool sent. The tool opens slavePath() as its serial port.
class PtyController
{
public:
    PtyController();
    ~PtyController();
    PtyController(const PtyController &) = delete;
    PtyController &operator=(const PtyController &) = delete;

    bool isOpen() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    void write(const QByteArray &bytes);
    // Everything that arrives within the wait.
    QByteArray read(int waitMs = 300);
    // The device goes away, as an adapter pulled out does.
    void close();

private:
    int m_master = -1;
    QString m_slavePath;
};
