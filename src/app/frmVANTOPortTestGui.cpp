#include "app/frmVANTOPortTestGui.h"

#include "about/Registry.h"
#include "about/SysInfo.h"
#include "about/frmAbout.h"
#include "app/AppIcon.h"
#include "app/StaleReadings.h"
#include "instruments/DialGauge.h"
#include "instruments/Lamp.h"
#include "link/AdapterFollower.h"
#include "link/Comunication.h"
#include "link/frmCommSetup.h"
#include "logging/Logging.h"
#include "logging/frmSelFile.h"
#include "looks/Colours.h"
#include "session/CsvWriter.h"
#include "session/StatusLine.h"
#include "session/TickFromReply.h"
#include "trends/frmTrends.h"
#include "ui/CaptionFrame.h"
#include "ui/ColouredButton.h"
#include "ui/Controls.h"
#include "ui/DesignFont.h"
#include "ui/MsgBox.h"
#include "ui/StatusText.h"
#include "ui/Twips.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int PollInterval = 250;
const QString RangeTip = QStringLiteral("OK Range +/- 10%  = Green else Red");

Lamp *captionLamp(QWidget *parent, const char *name, const QString &caption, const QRect &geometry)
{
    auto *l = place(new Lamp(parent), name, geometry);
    l->setShape(Lamp::Shape::SquareLed);
    l->setCaption(caption);
    l->setOffColor(Colours::Red);
    l->setOnColor(Colours::Green);
    return l;
}

Lamp *rangeLamp(QWidget *parent, const char *name, const QString &accessibleName, const QRect &geometry)
{
    auto *l = place(new Lamp(parent), name, geometry);
    l->setAccessibleName(accessibleName); // it has no caption of its own
    l->setShape(Lamp::Shape::TallBar);
    l->setOffColor(Colours::Green);
    l->setOffText(QStringLiteral("OK"));
    l->setOnColor(Colours::Red);
    l->setOnText(QStringLiteral("High"));
    l->setToolTip(RangeTip);
    return l;
}

DialGauge *gauge(QWidget *parent, const char *name, double maximum, double major, double minor, const QRect &geometry)
{
    auto *g = place(new DialGauge(parent), name, geometry);
    g->setScale(0, maximum);
    g->setMarks(major, minor);
    return g;
}
} // namespace

frmVANTOPortTestGui::frmVANTOPortTestGui(std::unique_ptr<SerialControl> serial, QWidget *parent)
    : QMainWindow(parent)
    , m_serial(std::move(serial))
{
    setObjectName(QStringLiteral("frmVANTOPortTestGui"));
    setWindowTitle(Caption);
    setWindowIcon(appIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);

    setFont(designFont());

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(PollInterval);
    connect(Timer1, &QTimer::timeout, this, &frmVANTOPortTestGui::Timer1_Timer);
    // The log file dialog keeps its path for the run, read at every log tick.
    m_frmSelFile = new frmSelFile([this] {
        if (m_loaded)
            m_logging->start();
    });
    m_logging = new Logging(
        strLogLine, [this] { return m_frmSelFile->fullPathFilename; }, this);

    buildMenu();
    buildControls();
    setTabOrder();
    connect(m_logging, &Logging::loggingChanged, CWButton1, &Lamp::setValue);
    connect(CWButton1, &Lamp::clicked, m_logging, &Logging::CWButton1_Click);
    connect(m_logging, &Logging::loggingChanged, this, &frmVANTOPortTestGui::loggingChanged);
    connect(m_logging, &Logging::writeFailed, this, [this](const QString &path, const QString &reason) {
        const QString text = Logging::failureText(path, reason);
        m_session.recordEvent(EventKind::LoggingFailed, text);
        MsgBox(text, MsgBoxButtons::OkOnly, Logging::FailureTitle);
    });

    m_stale = new StaleReadings(m_session, this);
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
    releasePort();
    delete m_frmCommSetup;
    delete m_frmAbout;
    delete m_frmSelFile;
    delete m_frmTrends;
}

void frmVANTOPortTestGui::buildMenu()
{
    QMenu *mnufile = menuBar()->addMenu(QStringLiteral("File"));
    mnufile->setObjectName(QStringLiteral("mnufile"));
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
    mnuAbout = menuBar()->addAction(QStringLiteral("About"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));

    connect(mnuLogging, &QAction::triggered, this, &frmVANTOPortTestGui::mnuLogging_Click);
    connect(mnuExit, &QAction::triggered, this, &frmVANTOPortTestGui::mnuExit_Click);
    connect(mnuComms, &QAction::triggered, this, &frmVANTOPortTestGui::mnuComms_Click);
    connect(mnuTrends, &QAction::triggered, this, &frmVANTOPortTestGui::mnuTrends_Click);
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
    lblCommStatData->setAccessibleName(lblCommStat->text());
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
    // A label of its own rather than a status message: a screen reader reads
    // a label's text like any other control's.
    m_statusLine = new QLabel(statusBar());
    m_statusLine->setObjectName(QStringLiteral("statusLine"));
    m_statusLine->setTextFormat(Qt::PlainText);
    m_statusLine->setAccessibleName(QStringLiteral("Link status"));
    statusBar()->addWidget(m_statusLine, 1);
    showStatus();
}

void frmVANTOPortTestGui::setSimulated(bool simulated)
{
    m_simulated = simulated;
    setWindowTitle(simulated ? Caption + QStringLiteral(" [simulated controller]") : Caption);
    showStatus();
}

void frmVANTOPortTestGui::setPortInformation(std::shared_ptr<const PortInformation> information)
{
    m_portInformation = std::move(information);
    m_follower = m_portInformation ? std::make_unique<AdapterFollower>(*m_portInformation) : nullptr;
}

void frmVANTOPortTestGui::startLogging(const QString &name)
{
    m_frmSelFile->txtFileName->setText(name);
    m_frmSelFile->OKButton_Click();
}

void frmVANTOPortTestGui::startCsv(const QString &path)
{
    m_csv = std::make_unique<CsvWriter>(m_session);
    m_csv->follow(path, [this, path](const QString &reason) { csvFailed(path, reason); });
    if (m_csv->following())
        m_session.recordEvent(EventKind::LoggingStarted,
                              QStringLiteral("Recording CSV to %1").arg(QDir::toNativeSeparators(path)));
}

void frmVANTOPortTestGui::csvFailed(const QString &path, const QString &reason)
{
    m_csvNote = QStringLiteral("CSV record stopped: %1 could not be written (%2)")
                    .arg(QDir::toNativeSeparators(path), reason);
    m_session.recordEvent(EventKind::LoggingFailed, m_csvNote);
    showStatus();
}

void frmVANTOPortTestGui::Form_Load()
{
    try {
        m_commands.reset();
        m_session.recordLoadCommand('u');
        m_serial->setPortOpen(true);
        Timer1->start();
    } catch (const LinkError &) {
        Timer1->stop();
        MsgBox(PortSetup::communicationError(*m_serial), MsgBoxButtons::OkOnly, PortSetup::CommErrorTitle);
        mnuComms_Click();
    }
    showStatus();
    show();
    // Centred on the screen the window opens on.
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - frameGeometry().center() + pos());
}

void frmVANTOPortTestGui::Timer1_Timer()
{
    // A tick never fails: a closed or lost port reads as "No Data" and nothing
    // is sent until the port is back.
    reopenLostPort();
    QStringList replies;
    try {
        replies = Comunication::ReadReplies(*m_serial, m_pending);
    } catch (const LinkError &) {
        // The reset after a failed read couldn't reopen the port. That was a
        // reopen try too.
        replies = {QString()};
        portLost();
        m_reopen.triedAndFailed();
    }
    // A bare terminator beside replies is a noisy line's, not a reply.
    const auto strays = quint8(std::min<qsizetype>(replies.count(QStringLiteral("*")), 255));
    if (strays && strays < replies.size())
        replies.removeAll(QStringLiteral("*"));

    CWButton2->setValue(replies.constLast().contains(QLatin1Char('*')));
    // Every reply in order, since a short one keeps the fields of those before
    // it; the window ends on the newest, the present.
    std::vector<TickFromReply> taken;
    taken.reserve(std::size_t(replies.size()));
    for (const QString &reply : std::as_const(replies)) {
        strReply = reply;
        const DecodedReply decoded = ParseString();
        taken.push_back(tickFromReply(strReply, decoded, m_decoder, 0));
        if (m_trace && taken.size() < std::size_t(replies.size())) {
            std::printf("late  %s | %s\n", qPrintable(strReply), qPrintable(lblCommStatData->text()));
        }
    }

    char sent = 0;
    if (m_serial->PortOpen()) {
        try {
            m_serial->Output(m_commands.strCommand().toLatin1());
            sent = m_commands.strCommand().at(0).toLatin1();
        } catch (const LinkError &) {
            // Only a send that took the port down calls for a reopen; a port
            // still open is the operator's to close.
            if (!m_serial->PortOpen())
                portLost();
        }
    }
    if (m_serial->PortLost())
        portLost();

    TickEntry &own = taken.back().tick;
    own.sent = sent;
    own.readFailed = strReply == QLatin1String("?");
    own.strays = strays;
    for (TickFromReply &t : taken) {
        t.tick.overtaken = &t.tick != &own;
        m_session.recordTick(t.tick, t.pulseFrequency, t.pulseWidth, t.message);
    }
    noteOpenPort();
    m_stale->update();
    showStatus();

    if (m_trace) {
        std::printf("reply %s | %s | sent %s\n", qPrintable(strReply), qPrintable(lblCommStatData->text()),
                    sent ? qPrintable(m_commands.strCommand()) : "-");
        std::fflush(stdout);
    }
}

void frmVANTOPortTestGui::portLost()
{
    if (!m_reopen.wanted()) {
        const QString detail = m_serial->lastErrorDetail();
        m_session.recordEvent(EventKind::LinkLost, detail.isEmpty() ? portLabel() + QStringLiteral(" lost") : detail);
    }
    m_reopen.lost(m_serial->CommPort());
}

void frmVANTOPortTestGui::reopenLostPort()
{
    // While the operator is choosing a port, the choice is theirs.
    const bool operatorChoosing = m_frmCommSetup && m_frmCommSetup->isVisible();
    const int port = m_serial->CommPort();
    const bool ours = m_reopen.wanted() && !operatorChoosing && port == m_reopen.lostPort() && !m_serial->PortOpen();
    // Asked only while a reopen is due: over the network it tries a connection.
    bool present = ours && m_serial->devicePresent(port);
    if (ours && !present && m_follower) {
        // The adapter may be back under another name.
        if (const auto moved = m_follower->replacement(port, m_serial->device(port))) {
            m_serial->remap(port, *moved);
            present = m_serial->devicePresent(port);
            m_linkNote = QStringLiteral("Port %1 follows its adapter to %2").arg(port).arg(*moved);
            m_session.recordEvent(EventKind::LinkFollowed, m_linkNote);
        }
    }
    if (!m_reopen.reopenNow(m_serial->PortOpen(), operatorChoosing, port, present))
        return;
    try {
        m_serial->setPortOpen(true);
        m_reopen.reopened();
        m_session.recordEvent(EventKind::LinkBack, portLabel() + QStringLiteral(" open again"));
    } catch (const LinkError &) {
        // Still not there; the policy says when to try again.
    }
}

void frmVANTOPortTestGui::noteOpenPort()
{
    if (!m_serial->PortOpen())
        return;
    const int port = m_serial->CommPort();
    const QString device = m_serial->device(port);
    if (port == m_openPort && device == m_openDevice)
        return;
    if (m_openPort && port != m_openPort) {
        // The operator moved to another port: what was said of the last one is done.
        m_linkNote.clear();
        m_session.recordEvent(EventKind::PortChanged, portLabel());
    }
    m_openPort = port;
    m_openDevice = device;
    if (m_follower)
        m_follower->opened(port, device);
}

QString frmVANTOPortTestGui::portLabel() const
{
    const int port = m_serial->CommPort();
    const QString where = m_simulated ? QStringLiteral("simulated controller") : m_serial->device(port);
    QString label
        = where.isEmpty() ? QStringLiteral("Port %1").arg(port) : QStringLiteral("Port %1: %2").arg(port).arg(where);
    if (!m_serial->PortOpen())
        label += QStringLiteral(", not open");
    return label;
}

void frmVANTOPortTestGui::showStatus()
{
    QStringList notes{m_reopen.wanted() ? m_serial->lastErrorDetail() : m_linkNote, m_csvNote};
    notes.removeAll(QString());
    const StatusLine line = statusLine(portLabel(), m_session, notes.join(QStringLiteral("  |  ")));
    if (line == m_shownStatus)
        return;
    m_shownStatus = line;
    m_statusLine->setText(line.text);
    QPalette p;
    if (line.alarm)
        p.setColor(QPalette::WindowText, Colours::Red);
    m_statusLine->setPalette(p);
}

void frmVANTOPortTestGui::loggingChanged(bool on)
{
    if (on == m_loggingOn)
        return;
    m_loggingOn = on;
    if (on)
        m_session.recordEvent(
            EventKind::LoggingStarted,
            QStringLiteral("Logging to %1").arg(QDir::toNativeSeparators(m_frmSelFile->fullPathFilename)));
    else
        m_session.recordEvent(EventKind::LoggingStopped, QStringLiteral("Logging stopped"));
}

DecodedReply frmVANTOPortTestGui::ParseString()
{
    const DecodedReply r = m_decoder.ParseString(strReply, m_logging->isOn());
    Text1->setText(r.Text1);
    lblCommStatData->setStatus(r.lblCommStatData);
    if (r.txtLoadCanTemp)
        txtLoadCanTemp->setText(*r.txtLoadCanTemp);
    if (r.txtCtrCanTemp)
        txtCtrCanTemp->setText(*r.txtCtrCanTemp);
    if (r.txtPlsWdth)
        txtPlsWdth->setText(*r.txtPlsWdth);
    if (r.txtPlsFreq)
        txtPlsFreq->setText(*r.txtPlsFreq);
    if (r.lbl400VDC)
        lbl400VDC->setText(*r.lbl400VDC);
    if (r.lbl48VDC)
        lbl48VDC->setText(*r.lbl48VDC);
    if (r.cmdLoaded) {
        cmdLoaded->setBackColor(r.cmdLoaded->BackColor);
        cmdLoaded->setText(r.cmdLoaded->Caption);
    }
    if (r.agd400VDC)
        agd400VDC->setValue(*r.agd400VDC);
    strLogLine = r.strLogLine;
    if (!strLogLine.isEmpty())
        m_logging->recordComposed();
    if (r.sts400OK)
        showRange(sts400OK, *r.sts400OK);
    if (r.agd48VDC)
        agd48VDC->setValue(*r.agd48VDC);
    if (r.sts48OK)
        showRange(sts48OK, *r.sts48OK);
    return r;
}

void frmVANTOPortTestGui::showRange(Lamp *lamp, const LampLook &look)
{
    if (look.lit)
        lamp->setOnText(look.text);
    else
        lamp->setOffText(look.text);
    lamp->setValue(look.lit);
}

void frmVANTOPortTestGui::mnuExit_Click()
{
    releasePort();
    close();
}

void frmVANTOPortTestGui::closeEvent(QCloseEvent *event)
{
    // However the window goes, the port is released and nothing runs on.
    releasePort();
    Timer1->stop();
    m_logging->Timer2.stop();
    m_loaded = false;
    event->accept();
}

void frmVANTOPortTestGui::releasePort()
{
    try {
        m_serial->setPortOpen(false);
    } catch (const LinkError &) {
        // Closing can't leave the port more open than it was.
    }
}

void frmVANTOPortTestGui::mnuComms_Click()
{
    if (!m_frmCommSetup)
        m_frmCommSetup = new frmCommSetup(*m_serial, *Timer1, [this] { return m_loaded; });
    m_frmCommSetup->Show();
}

void frmVANTOPortTestGui::mnuTrends_Click()
{
    if (!m_frmTrends)
        m_frmTrends = new frmTrends(m_session);
    m_frmTrends->Show();
}

void frmVANTOPortTestGui::applyLook(ColouredButton *button, const ButtonLook &look)
{
    button->setBackColor(look.BackColor);
    button->setToolTip(look.ToolTipText);
    button->setText(look.Caption);
}

void frmVANTOPortTestGui::cmd1PPSOnOff_Click()
{
    applyLook(cmd1PPSOnOff, m_commands.cmd1PPSOnOff_Click());
    m_session.recordEvent(EventKind::PpsCommanded, m_commands.str1PPSState() == QLatin1String("E")
                                                       ? QStringLiteral("1PPS sense commanded on")
                                                       : QStringLiteral("1PPS sense commanded off"));
}

void frmVANTOPortTestGui::cmdFstUpdt_Click()
{
    if (const auto look = m_commands.cmdFstUpdt_Click(cmdFstUpdt->text())) {
        applyLook(cmdFstUpdt, *look);
        m_session.recordEvent(EventKind::RateCommanded, m_commands.strCommand() == QLatin1String("s")
                                                            ? QStringLiteral("Slow update commanded")
                                                            : QStringLiteral("Fast update commanded"));
    }
}

void frmVANTOPortTestGui::cmdLoaded_Click()
{
    const CommandToggles::LoadClick click
        = m_commands.cmdLoaded_Click(agd48VDC->Value(), agd400VDC->Value(), m_session.suppliesFresh());
    switch (click.refusal) {
    case CommandToggles::Refusal::Powered:
        m_session.recordEvent(EventKind::Refused, QStringLiteral("Load switch refused: the load is powered"));
        MsgBox(CommandToggles::LoadPoweredText, MsgBoxButtons::OkOnly, CommandToggles::LoadPoweredTitle);
        break;
    case CommandToggles::Refusal::NoReadings:
        m_session.recordEvent(EventKind::Refused, QStringLiteral("Load switch refused: no current supply readings"));
        MsgBox(CommandToggles::NoReadingsText, MsgBoxButtons::OkOnly, CommandToggles::NoReadingsTitle);
        break;
    case CommandToggles::Refusal::None:
        if (click.look) {
            applyLook(cmdLoaded, *click.look);
            m_session.recordLoadCommand(m_commands.strLoadState().at(0).toLatin1());
        }
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
