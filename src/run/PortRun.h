#pragma once

#include "commands/CommandToggles.h"
#include "link/LineRecord.h"
#include "link/PortInformation.h"
#include "link/PortSetup.h"
#include "link/ReopenPolicy.h"
#include "link/SerialControl.h"
#include "logging/Logging.h"
#include "session/Alarms.h"
#include "session/SessionRecord.h"
#include "session/StatusLine.h"
#include "telemetry/ReplyDecoder.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class AdapterFollower;
class CsvWriter;

// One reply a poll took: the typed reading, and the texts the window shows
// for it.
struct PolledReply
{
    Telemetry reading;
    DecodedReply shown;
};

// What one poll read and sent.
struct Poll
{
    std::vector<PolledReply> replies; // oldest first; the last is the poll's own, the present
    char sent = 0;                    // the letter that went out, 0 when none did
    quint8 strays = 0;                // bare terminators its read held besides the replies

    const PolledReply &newest() const { return replies.back(); }
};

// The three command buttons, for the looks the run hands out.
enum class CommandButton : quint8 { Update, Load, Pps };

// The run of one port test, without a window: the serial control, the poll
// timer (Timer1, 250 ms) and the log timer (Logging's Timer2, 4 s), the reopen
// policy and adapter following, the command toggles, the decoder, the session
// record, the log writer and the CSV writer. It takes the operator's intents
// and tells its listeners what changed.
//
// A poll (Timer1_Timer): a lost port is reopened when the policy says so;
// Comunication::ReadReplies takes every complete reply waiting; the decoder
// makes a Telemetry of each, oldest first, and presentReply() its window
// texts, whose record body goes to the log; replied() tells the window, which
// shows them; the command letter goes out; the session record takes the poll
// (the CSV writer follows it); polled() tells that the poll is done.
class PortRun : public QObject
{
    Q_OBJECT

public:
    static constexpr int PollInterval = 250;

    explicit PortRun(std::unique_ptr<SerialControl> serial, QObject *parent = nullptr);
    ~PortRun() override;

    // The poll timer, a child of the run, so a window above finds it by name.
    QTimer Timer1;

    // Where the machine's serial ports are listed, so that a port can follow
    // its USB adapter when it comes back under another name; none: no following.
    void setPortInformation(std::shared_ptr<const PortInformation> information);
    const std::shared_ptr<const PortInformation> &portInformation() const { return m_portInformation; }
    // The port label says the controller is simulated.
    void setSimulated(bool simulated) { m_simulated = simulated; }
    // Prints every poll on standard output: each reply, the status text and the letter sent.
    void setTrace(bool trace) { m_trace = trace; }
    // While this says so, the operator is choosing a port: a lost port is not
    // reopened behind their back.
    void setOperatorChoosing(std::function<bool()> choosing) { m_operatorChoosing = std::move(choosing); }

    // Start-up: the command "u", the port opened and polling started. False
    // when the port can't be opened: polling then stays off until a port is
    // chosen, or, with retry, polls on and opens the port once it is there.
    bool start(bool retry = false);
    // The port released and the timers stopped: nothing runs on. The CSV file
    // is closed; the log file is closed after every line anyway.
    void stop();

    // One poll.
    void Timer1_Timer();
    // A poll's replies that came from elsewhere (a published run being
    // watched), oldest first: decoded, shown and recorded as if read.
    void takeReplies(const QStringList &replies);

    // The operator's intents. The buttons' new looks come through lookChanged.
    void toggle1PPS();
    void toggleRate();
    // Refused (with the letter unchanged) while the supplies are not current
    // or either is live: the refusal says why, the caller tells the operator.
    CommandToggles::Refusal toggleLoad();

    // The Done of the port setup dialog for its checked entry, messages
    // handed to show when due; true when the dialog is to unload. Then
    // portChosen(), which starts polling if it had stopped.
    bool choosePort(const PortEntry &entry, const std::function<void(const PortMessage &)> &show);
    void portChosen();

    // Logging to the file at path (the log file dialog's choice), and the
    // logging switch, which only ever stops it.
    void startLogging(const QString &path);
    void CWButton1_Click();
    // Appends every good reply and every event from now on to the CSV file
    // at path. A file that can't be written is told once, in the status bar
    // and as an event; the run goes on.
    void startCsv(const QString &path);

    // What the status bar tells of a feed beside the run (the shore feed);
    // empty: nothing.
    void setFeedNote(const QString &note);
    // A run fed from elsewhere names its source in place of the port.
    void setSourceLabel(const QString &label);

    // What the status bar says now.
    StatusLine status() const;
    QString portLabel() const;
    QString sessionStartedText() const;
    bool polling() const { return Timer1.isActive(); }

    SerialControl &VANTOSerComm() { return *m_serial; }
    const SerialControl &VANTOSerComm() const { return *m_serial; }
    SessionRecord &session() { return m_session; }
    const SessionRecord &session() const { return m_session; }
    const CommandToggles &commands() const { return m_commands; }
    // What the operator may have missed, until they acknowledge it.
    const Alarms &alarms() const { return m_alarms; }
    // The bytes of the line, both ways.
    LineRecord &line() { return m_line; }
    // Every alarm not yet acknowledged is, as an event; false when none was.
    bool acknowledgeAlarms();
    // The last rate the update toggle commanded was fast; the controller starts slow.
    bool fastRate() const { return m_fastRate; }
    Logging &logging() { return m_logging; }

signals:
    // A poll's replies, decoded, before its letter goes out.
    void replied(const Poll &poll);
    // The poll is done: sent and recorded.
    void polled(const Poll &poll);
    // A command button's new look.
    void lookChanged(CommandButton button, const ButtonLook &look);
    // Something the status bar tells other than a poll: a CSV file failed.
    void statusChanged();
    // Logging switched on or off, and a log line that could not be written
    // (logging has stopped then).
    void loggingChanged(bool on);
    void logWriteFailed(const QString &path, const QString &reason);

private:
    void poll(QStringList replies, bool readAndSend);
    void reopenLostPort();
    void portLost();
    void noteOpenPort();
    void csvFailed(const QString &path, const QString &reason);
    void trace(const Poll &poll) const;

    std::unique_ptr<SerialControl> m_serial;
    SessionRecord m_session;
    Alarms m_alarms{m_session};
    // On the record's clock, so the line and the events tell the same time.
    LineRecord m_line{[this] {
        const Stamp at = m_session.now();
        return LineRecord::Time{at.monoMs, at.wallMs};
    }};
    // A port lost to a failure (not closed by the operator) is reopened by the poll.
    ReopenPolicy m_reopen;
    std::shared_ptr<const PortInformation> m_portInformation;
    std::unique_ptr<AdapterFollower> m_follower;
    std::function<bool()> m_operatorChoosing;
    int m_openPort = 0; // the port and device last seen open
    QString m_openDevice;
    QString m_linkNote; // what the status bar tells of the link, e.g. an adapter followed
    bool m_simulated = false;
    bool m_trace = false;

    QByteArray m_pending; // the start of a reply still arriving at the last read
    ReplyDecoder m_decoder;
    CommandToggles m_commands;
    QString m_rateCaption; // the update button's caption: the update toggle's state
    bool m_fastRate = false;
    Logging m_logging;
    bool m_loggingOn = false;
    // The --csv file, told of the session as it goes; destroyed before it.
    std::unique_ptr<CsvWriter> m_csv;
    QString m_csvNote; // what the status bar says of a failed CSV file
    bool m_sessionStarted = false;
    QString m_csvStartedNote; // told once the session's first event is in
    QString m_feedNote;
    QString m_sourceLabel;
};
