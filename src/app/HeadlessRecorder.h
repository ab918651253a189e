#pragma once

#include <QObject>
#include <QString>

class PortRun;

// The run with no display: a deck computer recording a soak. It tells on
// standard output, one line each, every change of the link and of how
// current the readings are; the rest goes to the files the run writes.
class HeadlessRecorder : public QObject
{
public:
    explicit HeadlessRecorder(PortRun &run, QObject *parent = nullptr);

    // Starts the run; a port that isn't there is said once and tried again
    // at every poll until it is.
    void start();

private:
    void tell();

    PortRun &m_run;
    QString m_told;
};
