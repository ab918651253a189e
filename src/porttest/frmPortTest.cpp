#include "porttest/frmPortTest.h"

#include "logging/LogPaths.h"
#include "porttest/ProcedureReport.h"
#include "procedure/ProcedureLibrary.h"
#include "run/PortRun.h"
#include "trends/frmTrends.h"
#include "ui/AppInfo.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QColor stateColour(StepState state)
{
    switch (state) {
    case StepState::Passed:
        return QColor(20, 130, 50);
    case StepState::Failed:
        return QColor(200, 30, 30);
    case StepState::Running:
        return QColor(30, 80, 200);
    case StepState::Pending:
    case StepState::Skipped:
        break;
    }
    return QColor(110, 110, 110);
}

QString limitsText(const Step &step)
{
    QStringList parts;
    for (const Limit &limit : step.limits)
        parts << quantityName(limit.quantity) + QLatin1Char(' ') + limit.text();
    if (step.kind == StepKind::Record && step.numeric)
        parts << rangeText(step.min, step.max, {});
    return parts.join(QStringLiteral(", "));
}

QString loadWord(std::optional<double> state)
{
    if (!state)
        return QStringLiteral("no current report");
    return *state == 'l' ? QStringLiteral("loaded") : *state == 'u' ? QStringLiteral("unloaded") : QStringLiteral("?");
}
} // namespace

frmPortTest::frmPortTest(PortRun &run, QWidget *parent)
    : Form(parent, Qt::Window)
    , m_run(run)
    , m_access(run)
{
    setObjectName(QStringLiteral("frmPortTest"));
    setWindowTitle(Caption);
    buildControls();
    listProcedures();
    m_tick.setInterval(PortRun::PollInterval);
    // Each poll advances the engine once; the timer only while nothing polls,
    // so that a step's readings are sampled once a poll.
    connect(&m_tick, &QTimer::timeout, this, [this] {
        if (m_engine && !m_run.polling())
            m_engine->advance();
        refresh();
    });
    connect(&m_run, &PortRun::polled, this, [this] {
        if (m_engine)
            m_engine->advance();
        refresh();
    });
    resize(900, 580);
}

frmPortTest::~frmPortTest()
{
    if (m_engine)
        m_engine->abort(QStringLiteral("the Port Test window closed"));
}

void frmPortTest::buildControls()
{
    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Procedure:"), this));
    cboProcedure = new QComboBox(this);
    cboProcedure->setObjectName(QStringLiteral("cboProcedure"));
    cboProcedure->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    top->addWidget(cboProcedure);
    cmdStart = new QPushButton(QStringLiteral("Start"), this);
    cmdStart->setObjectName(QStringLiteral("cmdStart"));
    top->addWidget(cmdStart);
    cmdAbort = new QPushButton(QStringLiteral("Abort"), this);
    cmdAbort->setObjectName(QStringLiteral("cmdAbort"));
    top->addWidget(cmdAbort);
    layout->addLayout(top);

    txtFaults = new QPlainTextEdit(this);
    txtFaults->setObjectName(QStringLiteral("txtFaults"));
    txtFaults->setReadOnly(true);
    txtFaults->setMaximumHeight(90);
    txtFaults->setStyleSheet(QStringLiteral("color: rgb(200,30,30)"));
    layout->addWidget(txtFaults);

    lstSteps = new QTreeWidget(this);
    lstSteps->setObjectName(QStringLiteral("lstSteps"));
    lstSteps->setRootIsDecorated(false);
    lstSteps->setHeaderLabels({QStringLiteral("#"), QStringLiteral("State"), QStringLiteral("Step"),
                               QStringLiteral("Limits"), QStringLiteral("Reason")});
    lstSteps->header()->setStretchLastSection(true);
    layout->addWidget(lstSteps, 1);

    lblStep = new QLabel(this);
    lblStep->setObjectName(QStringLiteral("lblStep"));
    lblStep->setWordWrap(true);
    QFont big = lblStep->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    lblStep->setFont(big);
    layout->addWidget(lblStep);
    lblLive = new QLabel(this);
    lblLive->setObjectName(QStringLiteral("lblLive"));
    lblLive->setWordWrap(true);
    layout->addWidget(lblLive);

    auto *entry = new QHBoxLayout;
    txtValue = new QLineEdit(this);
    txtValue->setObjectName(QStringLiteral("txtValue"));
    entry->addWidget(txtValue, 1);
    cmdContinue = new QPushButton(QStringLiteral("Continue"), this);
    cmdContinue->setObjectName(QStringLiteral("cmdContinue"));
    entry->addWidget(cmdContinue);
    layout->addLayout(entry);
    lblRefusal = new QLabel(this);
    lblRefusal->setObjectName(QStringLiteral("lblRefusal"));
    lblRefusal->setStyleSheet(QStringLiteral("color: rgb(200,30,30)"));
    layout->addWidget(lblRefusal);

    lblLoad = new QLabel(this);
    lblLoad->setObjectName(QStringLiteral("lblLoad"));
    layout->addWidget(lblLoad);
    lblVerdict = new QLabel(this);
    lblVerdict->setObjectName(QStringLiteral("lblVerdict"));
    lblVerdict->setWordWrap(true);
    lblVerdict->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont verdict = big;
    verdict.setPointSizeF(big.pointSizeF() * 1.3);
    lblVerdict->setFont(verdict);
    layout->addWidget(lblVerdict);
    lblReport = new QLabel(this);
    lblReport->setObjectName(QStringLiteral("lblReport"));
    lblReport->setWordWrap(true);
    lblReport->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(lblReport);

    connect(cboProcedure, qOverload<int>(&QComboBox::currentIndexChanged), this, &frmPortTest::procedureChosen);
    connect(cmdStart, &QPushButton::clicked, this, &frmPortTest::cmdStart_Click);
    connect(cmdContinue, &QPushButton::clicked, this, &frmPortTest::cmdContinue_Click);
    connect(txtValue, &QLineEdit::returnPressed, this, &frmPortTest::cmdContinue_Click);
    connect(cmdAbort, &QPushButton::clicked, this, &frmPortTest::cmdAbort_Click);
}

void frmPortTest::listProcedures()
{
    const QString chosen = cboProcedure->currentData().toString();
    const QSignalBlocker block(cboProcedure);
    cboProcedure->clear();
    for (const QString &path : ProcedureLibrary::files())
        cboProcedure->addItem(QFileInfo(path).completeBaseName(), path);
    const int index = cboProcedure->findData(chosen);
    cboProcedure->setCurrentIndex(index >= 0 ? index : 0);
    procedureChosen(cboProcedure->currentIndex());
}

void frmPortTest::Form_Load()
{
    if (!m_engine || !m_engine->running())
        listProcedures();
}

void frmPortTest::choose(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    int index = cboProcedure->findData(absolute);
    if (index < 0) {
        cboProcedure->addItem(QFileInfo(path).completeBaseName(), absolute);
        index = cboProcedure->count() - 1;
    }
    cboProcedure->setCurrentIndex(index);
    procedureChosen(index);
}

void frmPortTest::procedureChosen(int index)
{
    if (m_engine && m_engine->running())
        return;
    m_engine.reset();
    m_reportPath.clear();
    const QString path = index >= 0 ? cboProcedure->itemData(index).toString() : QString();
    m_load = path.isEmpty() ? ProcedureLoad{} : loadProcedure(path);
    if (path.isEmpty())
        m_load.faults.push_back({QString(), 0, 0, 0, QStringLiteral("no procedure file found")});
    QStringList faults;
    for (const ProcedureFault &fault : m_load.faults)
        faults << fault.toString();
    txtFaults->setPlainText(faults.join(QLatin1Char('\n')));
    txtFaults->setVisible(!faults.isEmpty());
    lblVerdict->clear();
    lblReport->clear();
    lblRefusal->clear();
    refreshSteps();
    refresh();
}

void frmPortTest::cmdStart_Click()
{
    if (!m_load.ok() || (m_engine && m_engine->running()))
        return;
    m_reportPath.clear();
    lblVerdict->clear();
    lblReport->clear();
    m_engine = std::make_unique<ProcedureEngine>(m_load.procedure, m_access);
    m_engine->changed = [this] {
        if (m_engine && !m_engine->running() && m_engine->state() != RunState::Ready)
            ended();
    };
    m_tick.start();
    m_engine->start();
    refresh();
}

void frmPortTest::cmdContinue_Click()
{
    if (!m_engine)
        return;
    lblRefusal->setText(m_engine->continueStep(txtValue->text()));
    if (lblRefusal->text().isEmpty())
        txtValue->clear();
    refresh();
}

void frmPortTest::cmdAbort_Click()
{
    if (m_engine)
        m_engine->abort(QStringLiteral("the operator aborted"));
    refresh();
}

void frmPortTest::closeEvent(QCloseEvent *event)
{
    if (m_engine)
        m_engine->abort(QStringLiteral("the Port Test window closed"));
    Form::closeEvent(event);
}

void frmPortTest::ended()
{
    m_tick.stop();
    const bool pass = m_engine->state() == RunState::Passed;
    QStringList lines;
    const auto &results = m_engine->results();
    for (std::size_t i = 0; i < results.size(); ++i)
        if (results[i].state == StepState::Failed)
            lines << QStringLiteral("Step %1 failed: %2").arg(i + 1).arg(results[i].reason);
    lines << saveReport();
    lblVerdict->setText(pass ? QStringLiteral("PASS") : QStringLiteral("FAIL"));
    lblReport->setText(lines.join(QLatin1Char('\n')));
    lblVerdict->setStyleSheet(pass ? QStringLiteral("color: rgb(20,130,50)") : QStringLiteral("color: rgb(200,30,30)"));
}

QString frmPortTest::reportDirectory()
{
    return LogPaths::logDirectory() + QStringLiteral("reports/");
}

QString frmPortTest::saveReport()
{
    ReportSetting setting;
    setting.toolVersion = QString::fromLatin1(Version::Text);
    setting.port = m_run.VANTOSerComm().CommPort();
    setting.device = m_run.VANTOSerComm().device(setting.port);
    if (const auto &information = m_run.portInformation()) {
        const QString device = QFileInfo(setting.device).canonicalFilePath();
        for (const PortDescription &port : information->availablePorts())
            if (port.vendorId && (port.systemLocation == setting.device || port.systemLocation == device))
                setting.usb = QStringLiteral("%1:%2 %3 %4, serial %5")
                                  .arg(*port.vendorId, 4, 16, QLatin1Char('0'))
                                  .arg(port.productId.value_or(0), 4, 16, QLatin1Char('0'))
                                  .arg(port.manufacturer, port.description, port.serialNumber);
    }
    {
        // The Trends drawing of the run's span, from a window never shown.
        frmTrends trends(m_run.session());
        trends.resize(1200, 800);
        const auto stamp = [this](qint64 mono) {
            const Stamp now = m_run.session().now();
            return Stamp{mono, now.wallMs - (now.monoMs - mono)};
        };
        setting.chart
            = trends.spanImage(stamp(m_engine->startedMs()), stamp(m_engine->endedMs()), QSize(1200, 800)).toImage();
    }
    const ReportFiles files = ProcedureReport(*m_engine, m_run.session(), setting).write(reportDirectory());
    if (!files.error.isEmpty())
        return QStringLiteral("The report could not be written: ") + files.error;
    m_reportPath = files.pdf;
    return QStringLiteral("Report saved to ") + QDir::toNativeSeparators(files.pdf);
}

void frmPortTest::refreshSteps()
{
    lstSteps->clear();
    int n = 0;
    for (const Step &step : m_load.procedure.steps) {
        auto *item = new QTreeWidgetItem(lstSteps);
        item->setText(0, QString::number(++n));
        item->setText(1, stepStateName(StepState::Pending));
        item->setText(2, step.text);
        item->setText(3, limitsText(step));
        item->setToolTip(3, limitsText(step));
    }
    for (int c = 0; c < 3; ++c)
        lstSteps->resizeColumnToContents(c);
    lstSteps->setColumnWidth(1, lstSteps->fontMetrics().horizontalAdvance(QStringLiteral("pending  ")) + 8);
    lstSteps->setColumnWidth(3, 260);
}

void frmPortTest::refresh()
{
    const bool running = m_engine && m_engine->running();
    cboProcedure->setEnabled(!running);
    cmdStart->setEnabled(m_load.ok() && !running);
    cmdAbort->setEnabled(running);

    if (m_engine) {
        const auto &results = m_engine->results();
        for (int i = 0; i < lstSteps->topLevelItemCount() && std::size_t(i) < results.size(); ++i) {
            QTreeWidgetItem *item = lstSteps->topLevelItem(i);
            const StepResult &r = results[std::size_t(i)];
            item->setText(1, stepStateName(r.state));
            item->setText(4, r.reason);
            item->setToolTip(4, r.reason);
            item->setForeground(1, stateColour(r.state));
            QFont font = item->font(2);
            font.setBold(r.state == StepState::Running);
            item->setFont(1, font);
            item->setFont(2, font);
        }
    }

    const int current = running ? m_engine->current() : -1;
    if (current < 0) {
        lblStep->setText(m_load.ok()
                             ? QStringLiteral("%1, version %2").arg(m_load.procedure.name, m_load.procedure.version)
                             : QString());
        lblLive->clear();
        txtValue->setVisible(false);
        cmdContinue->setEnabled(false);
    } else {
        const Step &step = m_load.procedure.steps[std::size_t(current)];
        const StepResult &r = m_engine->results()[std::size_t(current)];
        lblStep->setText(QStringLiteral("Step %1: %2").arg(current + 1).arg(step.text));
        QStringList live;
        for (std::size_t i = 0; i < step.limits.size(); ++i) {
            const Limit &limit = step.limits[i];
            const auto &v = r.present[i];
            const QString value = !v ? QStringLiteral("not current")
                                  : limit.quantity == Quantity::LoadState
                                      ? loadWord(v)
                                      : QString::number(*v, 'f', 1) + QLatin1Char(' ') + quantityUnit(limit.quantity);
            live << QStringLiteral("%1 %2 (%3)").arg(quantityName(limit.quantity), value, limit.text());
        }
        if (const auto left = m_engine->timeLeftMs())
            live << QStringLiteral("%1 s left").arg((*left + 999) / 1000);
        lblLive->setText(live.join(QStringLiteral("   ")));
        txtValue->setVisible(step.kind == StepKind::Record);
        cmdContinue->setEnabled(m_engine->canContinue());
    }

    // What to switch by hand if it stops here.
    const auto reported = m_access.value(Quantity::LoadState, 0);
    lblLoad->setText(QStringLiteral("Load commanded: %1; controller reports: %2")
                         .arg(m_access.loadCommanded() == 'l' ? QStringLiteral("loaded") : QStringLiteral("unloaded"),
                              loadWord(reported)));
}
