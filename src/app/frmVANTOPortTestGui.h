#pragma once

#include "link/PortSetup.h"
#include "run/PortRun.h"
#include "session/StatusLine.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class ColouredButton;
class DialGauge;
class Lamp;
class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class StaleReadings;
class QPushButton;
class StatusField;
class StatusText;

// The operator's one window: a thin view of the run beneath it.
//
// A reply on its way from the wire: the run's poll (Timer1, PortRun::
// Timer1_Timer) takes every complete reply waiting on the serial control; the
// decoder makes a Telemetry of each, and presentReply() the texts of the
// window; PortRun::replied hands them here, and showReply() sets the
// readouts, gauges, lamps and load button, the newest last. Then the letter
// goes out and the session record takes the poll: the CSV writer writes a row
// as it is recorded, the Trends window draws its point, and PortRun::polled
// tells this window to dim what went stale and to say in the status bar how
// the link is doing. The operator's clicks go to the run as intents (the
// handlers keep their manual's names); the looks of the command buttons come
// back from it.
class frmVANTOPortTestGui
    : public QMainWindow
    , private PortChooser
{
    Q_OBJECT

public:
    static inline const QString Caption = QStringLiteral("VANTO Port Testing Diagnostics Tool");

    explicit frmVANTOPortTestGui(std::unique_ptr<SerialControl> serial, QWidget *parent = nullptr);
    ~frmVANTOPortTestGui() override;

    // Start-up: opens the port and starts polling, or says why not and offers
    // the port setup dialog. Shows the window.
    void Form_Load();

    // Start-up of a window fed from elsewhere (another tool's published run):
    // no port is opened and nothing can be commanded; the log file and the
    // CSV still can be written. Shows the window.
    void watch(const QString &prefix);

    // The caption tells a simulated controller from hardware.
    void setSimulated(bool simulated);

    // Starts logging to the log file of that name, as OK in the log file
    // dialog does with the name typed in (the command line's --log).
    void startLogging(const QString &name);
    // Records the session as CSV at path as it goes (the command line's --csv).
    void startCsv(const QString &path) { m_run->startCsv(path); }
    // Prints every poll on standard output.
    void setTrace(bool trace) { m_run->setTrace(trace); }

    PortRun &run() { return *m_run; }
    SessionRecord &session() { return m_run->session(); }
    SerialControl &VANTOSerComm() { return m_run->VANTOSerComm(); }
    const CommandToggles &commands() const { return m_run->commands(); }
    Logging &logging() { return m_run->logging(); }

    // False once the window has gone (Exit or close box): nothing may revive it.
    bool isLoaded() const { return m_loaded; }

public slots:
    void Timer1_Timer() { m_run->Timer1_Timer(); }
    void mnuLogging_Click();
    void mnuExit_Click();
    void mnuComms_Click();
    void mnuTrends_Click();
    // Asks for a recorded CSV or log file and opens it for review.
    void mnuOpenSession_Click();
    // Opens path in a review window of its own; a file that can't be read is
    // told in a box. True when it opened.
    bool openSession(const QString &path);
    void mnuLine_Click();
    void mnuAlarms_Click();
    void acknowledgeAlarms();
    // Opens the Port Test window; with a path, that procedure chosen.
    void mnuPortTest_Click();
    void openPortTest(const QString &procedure);
    void mnuAbout_Click();
    void cmd1PPSOnOff_Click() { m_run->toggle1PPS(); }
    void cmdFstUpdt_Click() { m_run->toggleRate(); }
    void cmdLoaded_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The port setup dialog works on the run, while this window is there.
    int currentPort() const override { return m_run->VANTOSerComm().CommPort(); }
    bool choose(const PortEntry &entry, const std::function<void(const PortMessage &)> &show) override;
    void chosen() override;

    void buildMenu();
    void buildControls();
    void setTabOrder();
    void buildStatusBar();
    void showReply(const PolledReply &reply);
    void showLook(CommandButton button, const ButtonLook &look);
    void showStatus();

    PortRun *m_run;
    bool m_loaded = true;
    StaleReadings *m_stale = nullptr;
    StatusField *m_statusLine = nullptr;
    StatusField *m_loadWarning = nullptr;
    StatusField *m_alarmField = nullptr;
    QPushButton *cmdAcknowledge = nullptr;
    StatusLine m_shownStatus;

    // Controls, named as the operator's manual names them.
    QAction *mnuOpenSession = nullptr;
    QAction *mnuLogging = nullptr;
    QAction *mnuExit = nullptr;
    QAction *mnuComms = nullptr;
    QAction *mnuTrends = nullptr;
    QAction *mnuLine = nullptr;
    QAction *mnuAlarms = nullptr;
    QAction *mnuAcknowledge = nullptr;
    QAction *mnuPortTest = nullptr;
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
    std::vector<QPointer<class frmTrends>> m_reviews; // each deletes itself when closed
    class frmAlarms *m_frmAlarms = nullptr;
    class frmLine *m_frmLine = nullptr;
    class frmPortTest *m_frmPortTest = nullptr;
};
