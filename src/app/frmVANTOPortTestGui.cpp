#include "app/frmVANTOPortTestGui.h"

#include "about/Registry.h"
#include "about/SysInfo.h"
#include "about/frmAbout.h"
#include "app/AppIcon.h"
#include "app/StaleReadings.h"
#include "instruments/DialGauge.h"
#include "instruments/InstrumentControls.h"
#include "instruments/Lamp.h"
#include "link/frmCommSetup.h"
#include "logging/LogPaths.h"
#include "logging/Logging.h"
#include "logging/frmSelFile.h"
#include "looks/Colours.h"
#include "monitors/frmAlarms.h"
#include "monitors/frmLine.h"
#include "porttest/frmPortTest.h"
#include "trends/frmTrends.h"
#include "ui/CaptionFrame.h"
#include "ui/ColouredButton.h"
#include "ui/Controls.h"
#include "ui/DesignFont.h"
#include "ui/MsgBox.h"
#include "ui/StatusField.h"
#include "ui/StatusText.h"
#include "ui/Twips.h"
#include "ui/WindowShortcuts.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>

#include <algorithm>

frmVANTOPortTestGui::frmVANTOPortTestGui(std::unique_ptr<SerialControl> serial, QWidget *parent)
    : QMainWindow(parent)
    , m_run(new PortRun(std::move(serial), this))
{
    setObjectName(QStringLiteral("frmVANTOPortTestGui"));
    setWindowTitle(Caption);
    setWindowIcon(appIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);

    setFont(designFont());

    // The log file dialog keeps its path for the run; OK hands it over.
    m_frmSelFile = new frmSelFile([this](const QString &path) {
        if (m_loaded)
            m_run->startLogging(path);
    });

    buildMenu();
    buildControls();
    setTabOrder();
    keepShortcutsFromTextBoxes(this, {mnuLogging, mnuExit, mnuAcknowledge});

    m_run->setOperatorChoosing([this] { return m_frmCommSetup && m_frmCommSetup->isVisible(); });
    connect(m_run, &PortRun::replied, this, [this](const Poll &poll) {
        CWButton2->setValue(poll.newest().reading.reply.contains(QLatin1Char('*')));
        for (const PolledReply &r : poll.replies)
            showReply(r);
    });
    connect(m_run, &PortRun::polled, this, [this] {
        m_stale->update();
        showStatus();
        if (m_frmAlarms)
            m_frmAlarms->sync();
        if (m_frmLine)
            m_frmLine->sync();
    });
    connect(m_run, &PortRun::lookChanged, this, &frmVANTOPortTestGui::showLook);
    connect(m_run, &PortRun::statusChanged, this, &frmVANTOPortTestGui::showStatus);
    connect(m_run, &PortRun::loggingChanged, CWButton1, &Lamp::setValue);
    connect(CWButton1, &Lamp::clicked, m_run, &PortRun::CWButton1_Click);
    connect(m_run, &PortRun::logWriteFailed, this, [](const QString &path, const QString &reason) {
        MsgBox(Logging::failureText(path, reason), MsgBoxButtons::OkOnly, Logging::FailureTitle);
    });

    m_stale = new StaleReadings(m_run->session(), this);
    m_stale->watch(Reading::LoadCanTemp, txtLoadCanTemp);
    m_stale->watch(Reading::ControlCanTemp, txtCtrCanTemp);
    m_stale->watch(Reading::PulseFrequency, txtPlsFreq);
    m_stale->watch(Reading::PulseWidth, txtPlsWdth);
    m_stale->watch(Reading::Supply400, lbl400VDC, agd400VDC, sts400OK);
    m_stale->watch(Reading::Supply48, lbl48VDC, agd48VDC, sts48OK);
    m_stale->update(); // nothing read yet
    buildStatusBar();

    // The client area below the menu bar is laid out once and never moves;
    // the status bar goes below it.
    resize(twips(9780), twips(4050) + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
}

frmVANTOPortTestGui::~frmVANTOPortTestGui()
{
    // A procedure still running ends first, its abort recorded while the files are open.
    delete m_frmPortTest;
    m_run->stop();
    delete m_frmCommSetup;
    delete m_frmAbout;
    delete m_frmSelFile;
    delete m_frmTrends;
    for (const QPointer<frmTrends> &review : m_reviews)
        delete review.data();
    delete m_frmAlarms;
    delete m_frmLine;
}

void frmVANTOPortTestGui::buildMenu()
{
    QMenu *mnufile = menuBar()->addMenu(QStringLiteral("File"));
    mnufile->setObjectName(QStringLiteral("mnufile"));
    mnuOpenSession = mnufile->addAction(QStringLiteral("Open Session\u2026"));
    mnuOpenSession->setObjectName(QStringLiteral("mnuOpenSession"));
    mnuOpenSession->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    addAction(mnuOpenSession);
    mnuLogging = mnufile->addAction(QStringLiteral("Logging"));
    mnuLogging->setObjectName(QStringLiteral("mnuLogging"));
    mnuLogging->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    mnuExit = mnufile->addAction(QStringLiteral("Exit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    // Shortcuts work without opening the menu.
    addAction(mnuLogging);
    addAction(mnuExit);

    mnuComms = menuBar()->addAction(QStringLiteral("Communication"));
    mnuComms->setObjectName(QStringLiteral("mnuComms"));
    mnuTrends = menuBar()->addAction(QStringLiteral("Trends"));
    mnuTrends->setObjectName(QStringLiteral("mnuTrends"));
    mnuTrends->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    addAction(mnuTrends);
    mnuLine = menuBar()->addAction(QStringLiteral("Line"));
    mnuLine->setObjectName(QStringLiteral("mnuLine"));
    mnuAlarms = menuBar()->addAction(QStringLiteral("Alarms"));
    mnuAlarms->setObjectName(QStringLiteral("mnuAlarms"));
    mnuAcknowledge = new QAction(QStringLiteral("Acknowledge alarms"), this);
    mnuAcknowledge->setObjectName(QStringLiteral("mnuAcknowledge"));
    mnuAcknowledge->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    addAction(mnuAcknowledge);
    mnuPortTest = menuBar()->addAction(QStringLiteral("Port Test…"));
    mnuPortTest->setObjectName(QStringLiteral("mnuPortTest"));
    mnuAbout = menuBar()->addAction(QStringLiteral("About"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));

    connect(mnuOpenSession, &QAction::triggered, this, &frmVANTOPortTestGui::mnuOpenSession_Click);
    connect(mnuLogging, &QAction::triggered, this, &frmVANTOPortTestGui::mnuLogging_Click);
    connect(mnuExit, &QAction::triggered, this, &frmVANTOPortTestGui::mnuExit_Click);
    connect(mnuComms, &QAction::triggered, this, &frmVANTOPortTestGui::mnuComms_Click);
    connect(mnuTrends, &QAction::triggered, this, &frmVANTOPortTestGui::mnuTrends_Click);
    connect(mnuLine, &QAction::triggered, this, &frmVANTOPortTestGui::mnuLine_Click);
    connect(mnuAlarms, &QAction::triggered, this, &frmVANTOPortTestGui::mnuAlarms_Click);
    connect(mnuAcknowledge, &QAction::triggered, this, &frmVANTOPortTestGui::acknowledgeAlarms);
    connect(mnuPortTest, &QAction::triggered, this, &frmVANTOPortTestGui::mnuPortTest_Click);
    connect(mnuAbout, &QAction::triggered, this, &frmVANTOPortTestGui::mnuAbout_Click);
}

void frmVANTOPortTestGui::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    // Left column: the two captioned lamps and the three command buttons.
    CWButton1 = captionLamp(client, "CWButton1", QStringLiteral("Logging On/Off"), twips(480, 120, 1335, 495));
    CWButton2 = captionLamp(client, "CWButton2", QStringLiteral("Serial Comms"), twips(480, 720, 1335, 495));
    cmdFstUpdt = colouredButton(client, "cmdFstUpdt", QStringLiteral("Slow Update"), Colours::Green,
                                twips(480, 1440, 1335, 615));
    cmdLoaded = colouredButton(client, "cmdLoaded", QStringLiteral("Load On/Off"), Colours::Yellow,
                               twips(480, 2280, 1335, 615));
    cmd1PPSOnOff = colouredButton(client, "cmd1PPSOnOff", QStringLiteral("1PPS On/Off"), Colours::Yellow,
                                  twips(480, 3120, 1335, 615));
    cmd1PPSOnOff->setToolTip(QStringLiteral("One PPS sense is OFF"));
    connect(cmdFstUpdt, &QPushButton::clicked, this, &frmVANTOPortTestGui::cmdFstUpdt_Click);
    connect(cmdLoaded, &QPushButton::clicked, this, &frmVANTOPortTestGui::cmdLoaded_Click);
    connect(cmd1PPSOnOff, &QPushButton::clicked, this, &frmVANTOPortTestGui::cmd1PPSOnOff_Click);

    // Supply channels: gauge, heading, readout and range lamp for each.
    agd400VDC = gauge(client, "agd400VDC", 400, 100, 50, twips(2520, 120, 2055, 855));
    Label1 = label(client, "Label1", QStringLiteral("Ch 1 400 VDC"), twips(2520, 1080, 1095, 255));
    lbl400VDC = label(client, "lbl400VDC", QString(), twips(3840, 1080, 735, 255));
    sts400OK = rangeLamp(client, "sts400OK", QStringLiteral("Ch 1 400 VDC range"), twips(4800, 120, 375, 855));
    agd48VDC = gauge(client, "agd48VDC", 60, 20, 10, twips(2520, 1680, 2055, 855));
    Label2 = label(client, "Label2", QStringLiteral("Ch 2 48 VDC"), twips(2520, 2760, 1095, 255));
    lbl48VDC = label(client, "lbl48VDC", QString(), twips(3840, 2760, 735, 255));
    sts48OK = rangeLamp(client, "sts48OK", QStringLiteral("Ch 2 48 VDC range"), twips(4800, 1680, 375, 855));

    // The 1PPS frame.
    frFreq = place(new CaptionFrame(QStringLiteral("1PPS Status"), client), "frFreq", twips(5400, 120, 1935, 2655));
    Label5 = label(frFreq, "Label5", QStringLiteral("Pulse Width (us)"), twips(120, 360, 1455, 255));
    txtPlsWdth = textBox(frFreq, "txtPlsWdth", twips(720, 720, 975, 285));
    Label6 = label(frFreq, "Label6", QStringLiteral("Pulse Frequency (Hz)"), twips(120, 1320, 1695, 255));
    txtPlsFreq = textBox(frFreq, "txtPlsFreq", twips(720, 1800, 975, 285));

    // The temperature frame.
    frTemp = place(new CaptionFrame(QStringLiteral("Temperature"), client), "frTemp", twips(7800, 120, 1815, 2655));
    lblCtrTemp = label(frTemp, "lblCtrTemp", QStringLiteral("Control Can Temp Deg C"), twips(120, 240, 1215, 495));
    txtCtrCanTemp = textBox(frTemp, "txtCtrCanTemp", twips(600, 720, 975, 285));
    lblLoadTemp = label(frTemp, "lblLoadTemp", QStringLiteral("Load Can Temp Deg C"), twips(120, 1320, 1335, 495));
    txtLoadCanTemp = textBox(frTemp, "txtLoadCanTemp", twips(600, 1800, 975, 285));

    // Status row.
    lblCommStat = label(client, "lblCommStat", QStringLiteral("Comm Status"), twips(4680, 2880, 975, 255));
    lblCommStatData = place(new StatusText(client), "lblCommStatData", twips(5760, 2760, 3855, 375));
    Text1 = textBox(client, "Text1", twips(2520, 3360, 6855, 375));

    // What a screen reader calls the readouts and gauges: the label that
    // heads each (the lamps' names are their captions).
    Label1->setBuddy(agd400VDC);
    Label2->setBuddy(agd48VDC);
    Label5->setBuddy(txtPlsWdth);
    Label6->setBuddy(txtPlsFreq);
    lblCtrTemp->setBuddy(txtCtrCanTemp);
    lblLoadTemp->setBuddy(txtLoadCanTemp);
    lblCommStatData->setName(lblCommStat->text());
    Text1->setAccessibleName(QStringLiteral("Raw reply"));

    // Lamps and gauges take the focus in the tab chain like the other controls.
    for (QWidget *w : std::initializer_list<QWidget *>{agd400VDC, agd48VDC, CWButton1, CWButton2, sts400OK, sts48OK})
        w->setFocusPolicy(Qt::TabFocus);
}

void frmVANTOPortTestGui::setTabOrder()
{
    const QList<QWidget *> chain{agd400VDC,  agd48VDC, CWButton1, CWButton2,     txtPlsWdth,
                                 txtPlsFreq, sts400OK, sts48OK,   txtCtrCanTemp, txtLoadCanTemp,
                                 cmdFstUpdt, Text1,    cmdLoaded, cmd1PPSOnOff};
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void frmVANTOPortTestGui::buildStatusBar()
{
    statusBar()->setSizeGripEnabled(false);
    // Labels of their own rather than a status message: a screen reader reads
    // each with its name. Only the load warning and the alarms are red.
    m_statusLine = new StatusField(QStringLiteral("Link status"), statusBar());
    m_statusLine->setObjectName(QStringLiteral("statusLine"));
    statusBar()->addWidget(m_statusLine, 3);
    m_loadWarning = new StatusField(QStringLiteral("Load warning"), statusBar());
    m_loadWarning->setObjectName(QStringLiteral("loadWarning"));
    statusBar()->addWidget(m_loadWarning, 2);
    m_alarmField = new StatusField(QStringLiteral("Alarms"), statusBar());
    m_alarmField->setObjectName(QStringLiteral("alarmField"));
    statusBar()->addWidget(m_alarmField, 2);
    for (StatusField *red : {m_loadWarning, m_alarmField}) {
        QPalette p = red->palette();
        p.setColor(QPalette::WindowText, Colours::Red);
        red->setPalette(p);
    }
    cmdAcknowledge = new QPushButton(QStringLiteral("Acknowledge"), statusBar());
    cmdAcknowledge->setObjectName(QStringLiteral("cmdAcknowledge"));
    cmdAcknowledge->setToolTip(QStringLiteral("Acknowledge every alarm (Ctrl+K); Alarms lists them"));
    cmdAcknowledge->setFocusPolicy(Qt::TabFocus);
    cmdAcknowledge->hide();
    connect(cmdAcknowledge, &QPushButton::clicked, this, &frmVANTOPortTestGui::acknowledgeAlarms);
    statusBar()->addWidget(cmdAcknowledge);
    QWidget::setTabOrder(cmd1PPSOnOff, cmdAcknowledge);
    showStatus();
}

void frmVANTOPortTestGui::setSimulated(bool simulated)
{
    m_run->setSimulated(simulated);
    setWindowTitle(simulated ? Caption + QStringLiteral(" [simulated controller]") : Caption);
    showStatus();
}

void frmVANTOPortTestGui::startLogging(const QString &name)
{
    // As OK in the log file dialog does with the name typed in.
    m_frmSelFile->fullPathFilename = LogPaths::fullPathFilename(name);
    m_run->startLogging(m_frmSelFile->fullPathFilename);
}

void frmVANTOPortTestGui::Form_Load()
{
    if (!m_run->start()) {
        MsgBox(PortSetup::communicationError(m_run->VANTOSerComm()), MsgBoxButtons::OkOnly, PortSetup::CommErrorTitle);
        mnuComms_Click();
    }
    showStatus();
    show();
    // Centred on the screen the window opens on.
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - frameGeometry().center() + pos());
}

void frmVANTOPortTestGui::watch(const QString &prefix)
{
    setWindowTitle(Caption + QStringLiteral(" [watching %1]").arg(prefix));
    // Read only: the deck's technician commands, not a watcher.
    for (QWidget *w : std::initializer_list<QWidget *>{cmdFstUpdt, cmdLoaded, cmd1PPSOnOff})
        w->setEnabled(false);
    mnuComms->setEnabled(false);
    mnuLogging->setEnabled(false);
    // A port test commands the load and reports what it did: the deck's to run.
    mnuPortTest->setEnabled(false);
    showStatus();
    show();
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - frameGeometry().center() + pos());
}

void frmVANTOPortTestGui::showStatus()
{
    const StatusLine line = m_run->status();
    if (line == m_shownStatus)
        return;
    m_shownStatus = line;
    // The port's name and the reply share give way first: how current the
    // readings are matters most.
    const qsizetype last = line.link.lastIndexOf(QLatin1Char('|'));
    m_statusLine->setField(line.link, 0, last < 0 ? line.link.size() : last);
    m_loadWarning->setField(line.warning);
    // The count and what the newest alarm is stay; its time and values give way.
    const qsizetype at = line.alarms.indexOf(QLatin1Char(','));
    m_alarmField->setField(line.alarms, at < 0 ? line.alarms.size() : at, line.alarms.size());
    cmdAcknowledge->setVisible(!line.alarms.isEmpty());
}

void frmVANTOPortTestGui::showReply(const PolledReply &reply)
{
    const DecodedReply &r = reply.shown;
    // Four replies a second mostly repeat what is shown: a text set again
    // would still cost a layout and a repaint.
    const auto show = [](auto *control, const QString &text) {
        if (control->text() != text)
            control->setText(text);
    };
    show(Text1, r.Text1);
    // Where the decoding stopped, for a listener who can't glance at the raw reply.
    lblCommStatData->setStatus(r.lblCommStatData,
                               reply.reading.outcome == ReplyOutcome::BadData
                                   ? QStringLiteral("%1 at field %2").arg(r.lblCommStatData).arg(reply.reading.badField)
                                   : QString());
    if (r.txtLoadCanTemp)
        show(txtLoadCanTemp, *r.txtLoadCanTemp);
    if (r.txtCtrCanTemp)
        show(txtCtrCanTemp, *r.txtCtrCanTemp);
    if (r.txtPlsWdth)
        show(txtPlsWdth, *r.txtPlsWdth);
    if (r.txtPlsFreq)
        show(txtPlsFreq, *r.txtPlsFreq);
    if (r.lbl400VDC)
        show(lbl400VDC, *r.lbl400VDC);
    if (r.lbl48VDC)
        show(lbl48VDC, *r.lbl48VDC);
    if (r.cmdLoaded) {
        cmdLoaded->setBackColor(r.cmdLoaded->BackColor);
        cmdLoaded->setText(r.cmdLoaded->Caption);
    }
    if (r.agd400VDC)
        agd400VDC->setValue(*r.agd400VDC);
    const auto showRange = [](Lamp *lamp, const LampLook &look) {
        if (look.lit)
            lamp->setOnText(look.text);
        else
            lamp->setOffText(look.text);
        lamp->setValue(look.lit);
    };
    if (r.sts400OK)
        showRange(sts400OK, *r.sts400OK);
    if (r.agd48VDC)
        agd48VDC->setValue(*r.agd48VDC);
    if (r.sts48OK)
        showRange(sts48OK, *r.sts48OK);
}

void frmVANTOPortTestGui::showLook(CommandButton button, const ButtonLook &look)
{
    ColouredButton *b = button == CommandButton::Load  ? cmdLoaded
                        : button == CommandButton::Pps ? cmd1PPSOnOff
                                                       : cmdFstUpdt;
    b->setBackColor(look.BackColor);
    b->setToolTip(look.ToolTipText);
    b->setText(look.Caption);
}

void frmVANTOPortTestGui::mnuExit_Click()
{
    if (m_frmPortTest)
        m_frmPortTest->close();
    m_run->stop();
    close();
}

void frmVANTOPortTestGui::closeEvent(QCloseEvent *event)
{
    // However the window goes, a procedure is aborted, the port is released and nothing runs on.
    if (m_frmPortTest)
        m_frmPortTest->close();
    m_run->stop();
    m_loaded = false;
    if (m_frmTrends)
        m_frmTrends->sessionEnded();
    event->accept();
}

void frmVANTOPortTestGui::mnuComms_Click()
{
    if (!m_frmCommSetup)
        m_frmCommSetup = new frmCommSetup(*this, [this] { return m_loaded; });
    m_frmCommSetup->Show();
}

bool frmVANTOPortTestGui::choose(const PortEntry &entry, const std::function<void(const PortMessage &)> &show)
{
    const bool accepted = m_run->choosePort(entry, show);
    showStatus();
    return accepted;
}

void frmVANTOPortTestGui::chosen()
{
    m_run->portChosen();
}

void frmVANTOPortTestGui::mnuTrends_Click()
{
    if (!m_frmTrends)
        m_frmTrends = new frmTrends(m_run->session());
    m_frmTrends->Show();
}

void frmVANTOPortTestGui::mnuOpenSession_Click()
{
    const QString directory = QDir(LogPaths::logDirectory()).exists() ? LogPaths::logDirectory() : QDir::homePath();
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open Session"), directory,
                                                      QStringLiteral("Sessions (*.csv *.log);;All files (*)"));
    if (!path.isEmpty())
        openSession(path);
}

bool frmVANTOPortTestGui::openSession(const QString &path)
{
    SessionFile::Problem problem;
    frmTrends *review = frmTrends::review(path, &problem);
    if (!review) {
        MsgBox(QStringLiteral("The session could not be opened.\n\n%1").arg(problem.text()), MsgBoxButtons::OkOnly,
               QStringLiteral("Open Session"));
        return false;
    }
    m_reviews.erase(std::remove(m_reviews.begin(), m_reviews.end(), nullptr), m_reviews.end());
    m_reviews.emplace_back(review);
    review->Show();
    return true;
}

void frmVANTOPortTestGui::mnuLine_Click()
{
    if (!m_frmLine)
        m_frmLine = new frmLine(m_run->line());
    m_frmLine->Show();
}

void frmVANTOPortTestGui::mnuAlarms_Click()
{
    if (!m_frmAlarms)
        m_frmAlarms = new frmAlarms(m_run->alarms(), m_run->session(), [this] { acknowledgeAlarms(); });
    m_frmAlarms->Show();
}

void frmVANTOPortTestGui::acknowledgeAlarms()
{
    m_run->acknowledgeAlarms();
    showStatus();
    if (m_frmAlarms)
        m_frmAlarms->sync();
}

void frmVANTOPortTestGui::mnuPortTest_Click()
{
    openPortTest({});
}

void frmVANTOPortTestGui::openPortTest(const QString &procedure)
{
    if (!m_frmPortTest)
        m_frmPortTest = new frmPortTest(*m_run);
    m_frmPortTest->Show();
    if (!procedure.isEmpty())
        m_frmPortTest->choose(procedure);
}

void frmVANTOPortTestGui::cmdLoaded_Click()
{
    switch (m_run->toggleLoad()) {
    case CommandToggles::Refusal::Powered:
        MsgBox(CommandToggles::LoadPoweredText, MsgBoxButtons::OkOnly, CommandToggles::LoadPoweredTitle);
        break;
    case CommandToggles::Refusal::NoReadings:
        MsgBox(CommandToggles::NoReadingsText, MsgBoxButtons::OkOnly, CommandToggles::NoReadingsTitle);
        break;
    case CommandToggles::Refusal::None:
        break;
    }
    showStatus();
}

void frmVANTOPortTestGui::mnuLogging_Click()
{
    m_frmSelFile->Show();
}

void frmVANTOPortTestGui::mnuAbout_Click()
{
    if (!m_frmAbout) {
        m_registry = makeSystemRegistry();
        m_launcher = std::make_unique<ProcessLauncher>();
        m_frmAbout = new frmAbout(*m_registry, *m_launcher);
    }
    m_frmAbout->Show();
}
