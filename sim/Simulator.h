#pragma once

#include "PseudoTerminal.h"
#include "model/ControllerModel.h"
#include "model/FaultInjector.h"
#include "model/SessionReplay.h"

#include <QElapsedTimer>

#include <QObject>
#include <QTimer>

#include <deque>

struct SimulatorOptions
{
    QString linkPath; // empty: no link
    quint32 seed = 0;
    bool suppliesLive = false;
    double toggleSuppliesSeconds = 0.0; // 0: never
    FaultRates faults;
    double vanishEverySeconds = 0.0; // 0: never
    double vanishForSeconds = 5.0;
    int replyDelayMs = 0;
    bool stampReplies = false; // the unused last field carries when the reply was made
    bool verbose = false;
};

// The controller at the far end of a pseudo-terminal: answers each command
// letter with the model's reply, spoilt as the fault options ask, and takes
// the device away and back when asked to vanish.
class Simulator : public QObject
{
    Q_OBJECT
public:
    explicit Simulator(const SimulatorOptions &options, QObject *parent = nullptr);
    ~Simulator() override;

    // Opens the first device (deviceAppeared is emitted before this returns).
    bool start(QString *error);
    // Closes the device and removes the link; safe to call more than once.
    void stop();
    void toggleSupplies();
    // Answers from the recording instead of the model, from the first poll on.
    void setReplay(SessionReplay replay) { m_replay = std::move(replay); }
    // A control line (see applyControl()); a bad one is told on stderr.
    void control(const QString &line);

signals:
    void deviceAppeared(const QString &slavePath);
    void fatalError(const QString &message);

private:
    bool appear(QString *error);
    void vanish();
    void takeDeviceAway();
    void reappear();
    void answer(const QByteArray &bytes);
    QByteArray replayed();
    static void stamp(QByteArray &reply);
    void enqueue(const QByteArray &bytes, int delayMs);
    void sendDue();
    void note(const QString &message) const;

    struct Chunk
    {
        QByteArray bytes;
        int delayMs; // after the previous chunk went out
    };

    SimulatorOptions m_options;
    ControllerModel m_model;
    FaultInjector m_faults;
    PseudoTerminal m_pty;
    QString m_linkTarget; // what our link points at, empty when there is none
    QTimer m_vanishTimer;
    QTimer m_supplyTimer;
    QTimer m_sendTimer;
    std::deque<Chunk> m_outgoing;
    std::optional<SessionReplay> m_replay;
    QElapsedTimer m_replaySince; // from the first poll
    bool m_replayEndTold = false;
};
