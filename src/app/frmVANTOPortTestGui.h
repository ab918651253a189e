#pragma once

#include "commands/CommandToggles.h"
#include "link/PortInformation.h"
#include "link/ReopenPolicy.h"
#include "link/SerialControl.h"
#include "session/SessionRecord.h"
#include "session/StatusLine.h"
#include "telemetry/ReplyDecoder.h"

#include <QMainWindow>

#include <memory>

class AdapterFollower;
class ColouredButton;
class DialGauge;
class Lamp;
class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTimer;
class StaleReadings;
class StatusText;

// The operator's one window. It holds the run: the serial control, the poll and
// log timers and the controls; the decisions live in plain classes it applies.
//
// A poll tick (Timer1, 250 ms): ReopenPolicy says whether to reopen a lost port;
// Comunication::ReadReplies takes every complete reply waiting on the
// SerialControl; ReplyDecoder turns each, oldest first, into a DecodedReply
// that ParseString() applies to the controls (the newest last, so the window
// shows the present, and its record body waits in strLogLine); each goes into
// the session record; CommandToggles::strCommand() goes out.
// A log tick (Logging's Timer2, 4 s): LogWriter finishes the waiting record, or
// the header, and Comunication::AppendLine appends it to the log file; a failed
// line stops logging and Logging::writeFailed brings up the box.
class frmVANTOPortTestGui : public QMainWindow
{
    Q_OBJECT

public:
    static inline const QString Caption = QStringLiteral("VANTO Port Testing Diagnostics Tool");

    explicit frmVANTOPortTestGui(std::unique_ptr<SerialControl> serial, QWidget *parent = nullptr);
    ~frmVANTOPortTestGui() override;

    // Start-up: opens the port and starts polling, or says why not and offers
    // the port setup dialog. Shows the window.
    void Form_Load();

    // The caption tells a simulated controller from hardware.
    void setSimulated(bool simulated);

    // Where the machine's serial ports are listed, so that a port can follow
    // its USB adapter when it comes back under another name; none: no following.
    void setPortInformation(std::shared_ptr<const PortInformation> information);

    // Every tick, command and link event of the run.
    SessionRecord &session() { return m_session; }

    // Starts logging to the log file of that name, as OK in the log file
    // dialog does with the name typed in (the command line's --log).
    void startLogging(const QString &name);

    // Appends every good telemetry reply and every event from now on to the
    // CSV file at path (the command line's --csv). A file that can't be
    // written is told once, in the status bar and as an event; the run goes on.
    void startCsv(const QString &path);

    SerialControl &VANTOSerComm() { return *m_serial; }
    const CommandToggles &commands() const { return m_commands; }
    class Logging &logging() { return *m_logging; }

    // False once the window has gone (Exit or close box): nothing may revive it.
    bool isLoaded() const { return m_loaded; }

    // Prints every reply and command to standard output, for a technician
    // watching the line (and for the tests that watch the tool).
    void setTrace(bool trace) { m_trace = trace; }

public slots:
    void Timer1_Timer();
    void mnuLogging_Click();
    void mnuExit_Click();
    void mnuComms_Click();
    void mnuTrends_Click();
    void mnuAbout_Click();
    void cmd1PPSOnOff_Click();
    void cmdFstUpdt_Click();
    void cmdLoaded_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenu();
    void buildControls();
    void setTabOrder();
    void releasePort();
    void buildStatusBar();
    DecodedReply ParseString();
    void reopenLostPort();
    void portLost();
    void noteOpenPort();
    QString portLabel() const;
    void showStatus();
    void loggingChanged(bool on);
    void csvFailed(const QString &path, const QString &reason);
    static void showRange(Lamp *lamp, const LampLook &look);
    static void applyLook(ColouredButton *button, const ButtonLook &look);

    std::unique_ptr<SerialControl> m_serial;
    bool m_loaded = true;
    bool m_trace = false;
    // A port lost to a failure (not closed by the operator) is reopened by the poll tick.
    ReopenPolicy m_reopen;
    std::shared_ptr<const PortInformation> m_portInformation;
    std::unique_ptr<AdapterFollower> m_follower;
    int m_openPort = 0; // the port and device last seen open
    QString m_openDevice;
    QString m_linkNote; // what the status bar tells of the link, e.g. an adapter followed
    bool m_simulated = false;
    bool m_loggingOn = false;

    // The session: freshness, the status bar, the trends.
    SessionRecord m_session;
    StaleReadings *m_stale = nullptr;
    QLabel *m_statusLine = nullptr;
    StatusLine m_shownStatus;
    // The --csv file, told of the session as it goes; destroyed before it.
    std::unique_ptr<class CsvWriter> m_csv;
    QString m_csvNote; // what the status bar says of a failed CSV file

    // Run state.
    QString strReply;
    QByteArray m_pending; // the start of a reply still arriving at the last read
    QString strLogLine;
    CommandToggles m_commands;
    ReplyDecoder m_decoder;

    // Timers and controls, named as the operator's manual names them.
    QTimer *Timer1 = nullptr;
    class Logging *m_logging = nullptr; // owns Timer2, the log timer
    QAction *mnuLogging = nullptr;
    QAction *mnuExit = nullptr;
    QAction *mnuComms = nullptr;
    QAction *mnuTrends = nullptr;
    QAction *mnuAbout = nullptr;
    Lamp *CWButton1 = nullptr;
    Lamp *CWButton2 = nullptr;
    ColouredButton *cmdFstUpdt = nullptr;
    ColouredButton *cmdLoaded = nullptr;
    ColouredButton *cmd1PPSOnOff = nullptr;
    DialGauge *agd400VDC = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *lbl400VDC = nullptr;
    Lamp *sts400OK = nullptr;
    DialGauge *agd48VDC = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *lbl48VDC = nullptr;
    Lamp *sts48OK = nullptr;
    QGroupBox *frFreq = nullptr;
    QLabel *Label5 = nullptr;
    QLineEdit *txtPlsWdth = nullptr;
    QLabel *Label6 = nullptr;
    QLineEdit *txtPlsFreq = nullptr;
    QGroupBox *frTemp = nullptr;
    QLabel *lblCtrTemp = nullptr;
    QLineEdit *txtCtrCanTemp = nullptr;
    QLabel *lblLoadTemp = nullptr;
    QLineEdit *txtLoadCanTemp = nullptr;
    QLabel *lblCommStat = nullptr;
    StatusText *lblCommStatData = nullptr;
    QLineEdit *Text1 = nullptr;

    // The tool's other windows, each created once and kept for the run.
    class frmCommSetup *m_frmCommSetup = nullptr;
    std::unique_ptr<class Registry> m_registry;
    std::unique_ptr<class ProcessLauncher> m_launcher;
    class frmAbout *m_frmAbout = nullptr;
    class frmSelFile *m_frmSelFile = nullptr;
    class frmTrends *m_frmTrends = nullptr;
};
