#include "trends/frmTrends.h"

#include "Version.h"
#include "logging/LogPaths.h"
#include "review/SessionSummary.h"
#include "session/CsvWriter.h"
#include "session/EventList.h"
#include "session/SaveFile.h"
#include "telemetry/ReplyPresenter.h"
#include "ui/MsgBox.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageWriter>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <algorithm>

namespace {

enum Chart { Temperatures, Supplies, Pulses };

struct LineLook
{
    Trend trend;
    Chart chart;
    bool rightAxis;
    const char *name;
    QColor colour;
};

const LineLook Lines[] = {
    {Trend::LoadCanTemp, Temperatures, false, "Load can", QColor(200, 40, 40)},
    {Trend::ControlCanTemp, Temperatures, false, "Control can", QColor(30, 100, 180)},
    {Trend::Supply400, Supplies, false, "Ch 1 400 VDC (OK 338\u2013412 V)", QColor(30, 70, 160)},
    {Trend::Supply48, Supplies, true, "Ch 2 48 VDC (OK 43\u201353 V)", QColor(20, 130, 60)},
    {Trend::PulseFrequency, Pulses, false, "1PPS frequency", QColor(120, 50, 150)},
    {Trend::PulseWidth, Pulses, true, "1PPS width", QColor(200, 100, 20)},
};

// How a value axis scales: over the visible data, never narrower than
// minSpan, and, where it has a base range, never less than that (the supplies
// keep their scale, so a step from 0 V reads as what it is). Bases start a
// little below 0, so a line at 0 stands clear of the time axis.
struct ValueScale
{
    Chart chart;
    bool rightAxis;
    const char *label;
    QCPRange base; // empty: none
    double minSpan;
};

const ValueScale Scales[] = {
    {Temperatures, false, "deg C", QCPRange(), 5},
    {Supplies, false, "Ch 1 (V)", QCPRange(-12, 450), 0},
    {Supplies, true, "Ch 2 (V)", QCPRange(-2.5, 100), 0},
    {Pulses, false, "Frequency (Hz)", QCPRange(-0.03, 1.25), 0},
    {Pulses, true, "Width (\u00b5s)", QCPRange(-0.6, 25), 0},
};

// The supplies' range bands: the limits the range lamps judge by.
struct Band
{
    Trend trend;
    double low;
    double high;
};

const Band Bands[] = {
    {Trend::Supply400, Range400V.low, Range400V.high},
    {Trend::Supply48, Range48V.low, Range48V.high},
};

// Ticks on whole seconds, minutes and hours, labelled as finely as their
// step needs: a step of two and a half minutes labelled "HH:mm" would lie.
// The first label in view and each first one of a new day carry the date.
class TimeTicker : public QCPAxisTickerDateTime
{
protected:
    double getTickStep(const QCPRange &range) override
    {
        m_range = range;
        double step = QCPAxisTickerDateTime::getTickStep(range);
        if (step == 2.5 || step == 2.5 * 60)
            step = step / 2.5 * 2;
        m_datedSteps = step >= 24 * 3600;
        mDateTimeFormat = step < 60       ? QStringLiteral("HH:mm:ss")
                          : !m_datedSteps ? QStringLiteral("HH:mm")
                                          : QStringLiteral("d MMM\nHH:mm");
        return step;
    }

    QVector<QString> createLabelVector(const QVector<double> &ticks, const QLocale &locale, QChar formatChar,
                                       int precision) override
    {
        QVector<QString> labels = QCPAxisTickerDateTime::createLabelVector(ticks, locale, formatChar, precision);
        if (m_datedSteps)
            return labels;
        QDate shown;
        for (int i = 0; i < ticks.size(); ++i) {
            if (ticks[i] < m_range.lower)
                continue; // off the axis
            const QDate date = keyToDateTime(ticks[i]).toLocalTime().date();
            if (date != shown)
                labels[i] += u'\n' + locale.toString(date, QStringLiteral("d MMM yyyy"));
            shown = date;
        }
        return labels;
    }

private:
    QCPRange m_range;
    bool m_datedSteps = false;
};

const LineLook &lookOf(Trend trend)
{
    return *std::find_if(std::begin(Lines), std::end(Lines), [&](const LineLook &l) { return l.trend == trend; });
}

void colourAxis(QCPAxis *axis, const QColor &colour)
{
    axis->setLabelColor(colour);
    axis->setTickLabelColor(colour);
    axis->setBasePen(QPen(colour));
    axis->setTickPen(QPen(colour));
    axis->setSubTickPen(QPen(colour));
}

QString askPath(QWidget *parent, const QString &title, const QString &suggested, const QString &filter,
                const QString &suffix)
{
    QFileDialog dialog(parent, title, suggested, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

} // namespace

frmTrends::frmTrends(SessionRecord &record, QWidget *parent)
    : Form(parent)
    , m_record(record)
    , m_points(record)
{
    setWindowTitle(Caption);
    build();
}

frmTrends::frmTrends(std::unique_ptr<SessionRecord> owned, Review review)
    : m_owned(std::move(owned))
    , m_record(*m_owned)
    , m_review(std::move(review))
    , m_points(*m_owned)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Caption + QStringLiteral(" - ") + QFileInfo(m_review->path).fileName());
    m_following = false;
    build();
}

frmTrends *frmTrends::review(const QString &path, SessionFile::Problem *problem)
{
    auto file = SessionFile::read(path, problem);
    if (!file)
        return nullptr;
    return new frmTrends(std::move(file->record), Review{path, file->format, file->lastLineCut});
}

void frmTrends::build()
{
    setObjectName(QStringLiteral("frmTrends"));
    resize(1180, 720);

    const auto button = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    cmdLive = button("cmdLive", QStringLiteral("Live"));
    cmdLive->setCheckable(true);
    cmdLive->setChecked(true);
    cmdLive->setToolTip(QStringLiteral("Follow the last 10 minutes as they come"));
    cmdWhole = button("cmdWhole", QStringLiteral("Whole session"));
    cmdWhole->setToolTip(QStringLiteral("Fit the whole session"));
    cmdSaveCsv = button("cmdSaveCsv", QStringLiteral("Save CSV\u2026"));
    cmdSaveImage = button("cmdSaveImage", QStringLiteral("Save Image\u2026"));
    connect(cmdLive, &QPushButton::clicked, this, [this] { cmdLive_Click(); });
    connect(cmdWhole, &QPushButton::clicked, this, [this] { cmdWhole_Click(); });
    connect(cmdSaveCsv, &QPushButton::clicked, this, [this] { cmdSaveCsv_Click(); });
    connect(cmdSaveImage, &QPushButton::clicked, this, [this] { cmdSaveImage_Click(); });

    m_plot = new QCustomPlot(this);
    m_plot->setObjectName(QStringLiteral("plotTrends"));
    m_plot->setAccessibleName(QStringLiteral("Trend charts"));
    buildCharts();

    m_events = new EventListModel(m_record, this);
    lstEvents = new QTableView(this);
    lstEvents->setObjectName(QStringLiteral("lstEvents"));
    lstEvents->setAccessibleName(QStringLiteral("Event list"));
    lstEvents->setModel(m_events);
    lstEvents->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstEvents->setSelectionMode(QAbstractItemView::SingleSelection);
    lstEvents->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstEvents->setWordWrap(false);
    lstEvents->verticalHeader()->hide();
    // Fixed sizes: nothing is measured row by row, however long the session.
    const QFontMetrics metrics(font());
    lstEvents->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lstEvents->verticalHeader()->setDefaultSectionSize(metrics.height() + 4);
    lstEvents->horizontalHeader()->resizeSection(EventListModel::TimeColumn,
                                                 metrics.horizontalAdvance(QStringLiteral("00:00:00")) + 16);
    lstEvents->horizontalHeader()->resizeSection(EventListModel::KindColumn,
                                                 metrics.horizontalAdvance(QStringLiteral("Controller message")) + 16);
    lstEvents->horizontalHeader()->setStretchLastSection(true);
    lstEvents->setAccessibleDescription(QStringLiteral("Click an event to see it on the charts"));
    connect(lstEvents, &QTableView::clicked, this, [this](const QModelIndex &index) { eventChosen(index); });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdLive);
    buttons->addWidget(cmdWhole);
    buttons->addStretch(1);
    buttons->addWidget(cmdSaveCsv);
    buttons->addWidget(cmdSaveImage);

    lblEnded = new QLabel(this);
    lblEnded->setObjectName(QStringLiteral("lblEnded"));
    lblEnded->hide();
    buttons->insertWidget(2, lblEnded);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(m_plot);
    if (m_review) {
        // Nothing to follow and nothing to add to: the file is what it is.
        cmdLive->hide();
        cmdSaveCsv->hide();
        lblSummary = new QLabel(this);
        lblSummary->setObjectName(QStringLiteral("lblSummary"));
        lblSummary->setAccessibleName(QStringLiteral("Summary of the span shown"));
        lblSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
        lblSummary->setAlignment(Qt::AlignTop | Qt::AlignLeft);
        lblSummary->setWordWrap(true);
        lblSummary->setMargin(4);
        // The summary takes the height its lines need, the list the rest.
        auto *side = new QWidget(this);
        auto *column = new QVBoxLayout(side);
        column->setContentsMargins(0, 0, 0, 0);
        column->addWidget(lblSummary);
        column->addWidget(lstEvents, 1);
        splitter->addWidget(side);
    } else {
        splitter->addWidget(lstEvents);
    }
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    // A review has the summary beside the charts: its column is wider.
    splitter->setSizes(m_review ? QList<int>{720, 460} : QList<int>{820, 340});

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(splitter, 1);

    m_record.addListener(this);
}

frmTrends::~frmTrends()
{
    m_record.removeListener(this);
}

void frmTrends::buildCharts()
{
    // Latin digits on the axes in every locale.
    m_plot->setLocale(QLocale::c());
    m_plot->setAutoAddPlottableToLegend(false);
    m_plot->setNoAntialiasingOnDrag(true);
    m_plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    m_plot->plotLayout()->clear();
    m_plot->addLayer(QStringLiteral("bands"), m_plot->layer(QStringLiteral("grid")), QCustomPlot::limAbove);
    m_plot->addLayer(QStringLiteral("markers"), m_plot->layer(QStringLiteral("main")), QCustomPlot::limAbove);
    // Nothing is selected here, so the overlay needs no paint buffer of its own.
    m_plot->layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmLogical);

    auto ticker = QSharedPointer<TimeTicker>::create();
    ticker->setDateTimeSpec(Qt::LocalTime);
    ticker->setTickCount(6);
    auto *margins = new QCPMarginGroup(m_plot);
    std::array<QCPLegend *, 3> legends{};
    for (std::size_t i = 0; i < m_charts.size(); ++i) {
        auto *chart = new QCPAxisRect(m_plot);
        m_plot->plotLayout()->addElement(int(i), 0, chart);
        chart->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
        QCPAxis *time = chart->axis(QCPAxis::atBottom);
        time->setTicker(ticker);
        // One time axis for all three: its labels under the last chart only.
        time->setTickLabels(i + 1 == m_charts.size());
        chart->axis(QCPAxis::atTop)->setVisible(false);
        chart->axis(QCPAxis::atRight)->setVisible(i != Temperatures);
        chart->setRangeDrag(Qt::Horizontal);
        chart->setRangeZoom(Qt::Horizontal);
        chart->setRangeDragAxes(time, nullptr);
        chart->setRangeZoomAxes(time, nullptr);
        connect(time, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this,
                [this](const QCPRange &range) { operatorMovedTime(range); });

        auto *legend = new QCPLegend;
        chart->insetLayout()->addElement(legend, Qt::AlignTop | Qt::AlignLeft);
        legend->setLayer(QStringLiteral("legend"));
        legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
        legend->setBrush(QColor(255, 255, 255, 210));
        legend->setBorderPen(QPen(QColor(190, 190, 190)));
        legends[i] = legend;
        m_charts[i] = chart;
    }
    // The strip above the first chart holds the event labels.
    QCPAxisRect *top = m_charts[Temperatures];
    top->setAutoMargins(QCP::msLeft | QCP::msRight | QCP::msBottom);
    top->setMargins(QMargins(0, EventMarkers::stripHeight(m_plot->font()), 0, 0));

    for (const ValueScale &scale : Scales) {
        QCPAxis *axis = m_charts[scale.chart]->axis(scale.rightAxis ? QCPAxis::atRight : QCPAxis::atLeft);
        axis->setLabel(QString::fromUtf8(scale.label));
        axis->setRange(scale.base.size() > 0 ? scale.base : QCPRange(0, 40));
    }
    for (const LineLook &look : Lines) {
        QCPAxisRect *chart = m_charts[look.chart];
        QCPAxis *value = chart->axis(look.rightAxis ? QCPAxis::atRight : QCPAxis::atLeft);
        QCPGraph *graph = m_plot->addGraph(chart->axis(QCPAxis::atBottom), value);
        graph->setName(QString::fromUtf8(look.name));
        // Thin aliased lines draw several times faster than smooth wide ones.
        graph->setPen(QPen(look.colour, 1));
        graph->setAntialiased(false);
        graph->addToLegend(legends[look.chart]);
        m_graphs[std::size_t(look.trend)] = graph;
        if (look.chart != Temperatures)
            colourAxis(value, look.colour);
    }
    for (const Band &band : Bands) {
        const LineLook &look = lookOf(band.trend);
        QCPAxisRect *chart = m_charts[look.chart];
        QCPAxis *value = chart->axis(look.rightAxis ? QCPAxis::atRight : QCPAxis::atLeft);
        auto *rect = new QCPItemRect(m_plot);
        rect->setLayer(QStringLiteral("bands"));
        rect->setClipAxisRect(chart);
        for (QCPItemPosition *corner : {rect->topLeft, rect->bottomRight}) {
            corner->setAxisRect(chart);
            corner->setAxes(chart->axis(QCPAxis::atBottom), value);
            // Across the whole width, between the limits.
            corner->setTypeX(QCPItemPosition::ptAxisRectRatio);
            corner->setTypeY(QCPItemPosition::ptPlotCoords);
        }
        rect->topLeft->setCoords(0, band.high);
        rect->bottomRight->setCoords(1, band.low);
        QColor fill = look.colour;
        fill.setAlpha(38);
        rect->setBrush(fill);
        QColor edge = look.colour;
        edge.setAlpha(90);
        rect->setPen(QPen(edge, 1, Qt::DashLine));
    }

    // The room kept for the legends is in pixels: a chart that changed
    // height is fitted again before it is drawn.
    connect(m_plot, &QCustomPlot::afterLayout, this, [this] {
        if (m_charts[0]->rect().height() != m_fittedHeight)
            fitValues();
    });

    auto *markers = new EventMarkers(m_plot, {m_charts.begin(), m_charts.end()}, m_marks);
    markers->setLayer(QStringLiteral("markers"));
}

void frmTrends::Form_Load()
{
    // Opened, it shows the present; a file, or a session that has ended, shows all of it.
    if (m_review || m_ended)
        return;
    m_following = true;
    cmdLive->setChecked(true);
}

void frmTrends::sessionEnded()
{
    if (m_review)
        return;
    m_ended = true;
    m_following = false;
    cmdLive->setChecked(false);
    cmdLive->hide();
    lblEnded->setText(QStringLiteral("The session ended at %1")
                          .arg(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss"))));
    lblEnded->show();
}

void frmTrends::showEvent(QShowEvent *event)
{
    Form::showEvent(event);
    catchUp();
}

void frmTrends::changeEvent(QEvent *event)
{
    Form::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        catchUp();
}

bool frmTrends::drawing() const
{
    return isVisible() && !isMinimized();
}

void frmTrends::catchUp()
{
    if (!drawing())
        return;
    if (m_behind)
        redraw();
    else if (m_following)
        showLive();
}

void frmTrends::tickRecorded(const TickEntry &tick)
{
    if (!drawing()) {
        m_behind = true;
        return;
    }
    add(m_points.step(tick));
}

void frmTrends::eventRecorded(const EventEntry &event)
{
    if (!drawing()) {
        m_behind = true;
        return;
    }
    addMark(event);
    syncEventList();
    if (m_following)
        showLive();
    else if (m_charts[0]->axis(QCPAxis::atBottom)->range().contains(TrendPoints::key(event.at)))
        m_plot->replot(QCustomPlot::rpQueuedReplot);
}

void frmTrends::redraw()
{
    const auto &ticks = m_record.ticks();
    std::array<QVector<QCPGraphData>, TrendCount> data;
    for (auto &points : data)
        points.reserve(qsizetype(ticks.size()));
    m_points.restart();
    for (const TickEntry &tick : ticks)
        m_points.step(tick).forEachPoint([&](Trend trend, double key, double value) {
            data[std::size_t(trend)].append({key, value});
        });
    for (std::size_t t = 0; t < data.size(); ++t)
        m_graphs[t]->data()->set(data[t], true);
    m_lastKey = ticks.empty() ? 0 : TrendPoints::key(ticks.back().at);

    m_marks.clear();
    m_marks.reserve(m_record.events().size());
    for (const EventEntry &event : m_record.events())
        m_marks.push_back({TrendPoints::key(event.at), event.kind, event.text});
    // By the wall clock, which may have been set back during the session.
    std::stable_sort(m_marks.begin(), m_marks.end(),
                     [](const EventMark &a, const EventMark &b) { return a.key < b.key; });
    syncEventList();

    m_behind = false;
    if (m_review && !m_fitted) {
        m_fitted = true;
        cmdWhole_Click();
    } else if (m_following) {
        showLive();
    } else {
        fitValues();
        m_plot->replot(QCustomPlot::rpQueuedReplot);
    }
}

void frmTrends::add(const TrendStep &step)
{
    step.forEachPoint([this](Trend trend, double key, double value) { graph(trend)->addData(key, value); });
    m_lastKey = step.key;
    dropOld();
    if (m_following) {
        // The view moves on once the newest point is a pixel past its edge:
        // at 10 minutes across, about once a second rather than every poll.
        const QCPAxis *time = m_charts[0]->axis(QCPAxis::atBottom);
        if (time->coordToPixel(step.key) - time->coordToPixel(time->range().upper) >= 1)
            showLive();
    } else if (m_charts[0]->axis(QCPAxis::atBottom)->range().contains(step.key)) {
        fitValues();
        m_plot->replot(QCustomPlot::rpQueuedReplot);
    }
}

void frmTrends::addMark(const EventEntry &event)
{
    const EventMark mark{TrendPoints::key(event.at), event.kind, event.text};
    const auto at = std::upper_bound(m_marks.begin(), m_marks.end(), mark.key,
                                     [](double key, const EventMark &m) { return key < m.key; });
    m_marks.insert(at, mark);
}

void frmTrends::dropOld()
{
    // The charts let go of what the record dropped for age.
    const auto &ticks = m_record.ticks();
    const double oldestTick = TrendPoints::key(ticks.front().at) - TrendStep::BreakBeforeS;
    for (QCPGraph *g : m_graphs)
        if (!g->data()->isEmpty() && g->data()->constBegin()->key < oldestTick)
            g->data()->removeBefore(oldestTick);
    const auto &events = m_record.events();
    if (m_marks.size() > events.size()) {
        const double oldestEvent = events.empty() ? m_lastKey : TrendPoints::key(events.front().at);
        const auto keep
            = std::find_if(m_marks.begin(), m_marks.end(), [&](const EventMark &m) { return m.key >= oldestEvent; });
        m_marks.erase(m_marks.begin(), keep);
    }
}

void frmTrends::showLive()
{
    const double end = m_lastKey > 0 ? m_lastKey : TrendPoints::key(m_record.now());
    setTimeRange(QCPRange(end - LiveSpanS, end));
}

void frmTrends::setTimeRange(const QCPRange &range)
{
    m_settingRange = true;
    for (QCPAxisRect *chart : m_charts)
        chart->axis(QCPAxis::atBottom)->setRange(range);
    m_settingRange = false;
    fitValues();
    showSummary();
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

void frmTrends::showSummary()
{
    if (!lblSummary)
        return;
    const QCPRange span = m_charts[0]->axis(QCPAxis::atBottom)->range();
    // A reading holds while the tool would call it current: a log has one every 4 s.
    const qint64 holdMs = m_review->format == SessionFile::Format::Log ? 5000 : SessionRecord::FreshForMs;
    const auto summary
        = SessionSummary::of(m_record, qint64(std::floor(span.lower * 1000)), qint64(std::ceil(span.upper * 1000)),
                             holdMs, m_review->format == SessionFile::Format::Csv);
    QStringList lines{QStringLiteral("In view")};
    lines += summary.lines();
    if (m_review->lastLineCut)
        lines.prepend(QStringLiteral("The last line of the file was incomplete (the tool was stopped while "
                                     "writing it); every whole line is shown.\n"));
    lblSummary->setText(lines.join(u'\n'));
}

QString frmTrends::summaryText() const
{
    return lblSummary ? lblSummary->text() : QString();
}

void frmTrends::operatorMovedTime(const QCPRange &range)
{
    if (m_settingRange)
        return;
    m_following = false;
    cmdLive->setChecked(false);
    setTimeRange(range);
}

void frmTrends::fitValues()
{
    m_fittedHeight = m_charts[0]->rect().height();
    const QCPRange keys = m_charts[0]->axis(QCPAxis::atBottom)->range();
    for (const ValueScale &scale : Scales) {
        QCPAxis *axis = m_charts[scale.chart]->axis(scale.rightAxis ? QCPAxis::atRight : QCPAxis::atLeft);
        bool any = false;
        QCPRange data;
        for (const LineLook &look : Lines) {
            if (look.chart != scale.chart || look.rightAxis != scale.rightAxis)
                continue;
            bool found = false;
            const QCPRange r = graph(look.trend)->getValueRange(found, QCP::sdBoth, keys);
            if (!found)
                continue;
            data = any ? QCPRange(std::min(data.lower, r.lower), std::max(data.upper, r.upper)) : r;
            any = true;
        }
        const bool hasBase = scale.base.size() > 0;
        if (!any && !hasBase)
            continue; // nothing to fit: the scale stays as it was
        QCPRange range = scale.base;
        if (!any) {
        } else if (hasBase) {
            const double pad = 0.05 * std::max(scale.base.size(), data.size());
            range = scale.base;
            if (data.upper > range.upper)
                range.upper = data.upper + pad;
            if (data.lower < range.lower)
                range.lower = data.lower - pad;
        } else {
            const double span = std::max(data.size() * 1.2, scale.minSpan);
            range = QCPRange(data.center() - span / 2, data.center() + span / 2);
        }
        axis->setRange(withLegendRoom(m_charts[scale.chart], range));
    }
}

QCPRange frmTrends::withLegendRoom(QCPAxisRect *chart, QCPRange range)
{
    // The legend sits in a strip across the top that the lines never reach.
    const auto *legend = qobject_cast<QCPLegend *>(chart->insetLayout()->elementAt(0));
    const double room = (legend ? legend->minimumOuterSizeHint().height() : 0) + 8;
    const double height = chart->rect().height();
    if (height > 3 * room)
        range.upper = range.lower + range.size() * height / (height - room);
    return range;
}

void frmTrends::eventChosen(const QModelIndex &index)
{
    const QVariant key = index.data(EventListModel::KeyRole);
    if (!key.isValid())
        return;
    const double width = m_charts[0]->axis(QCPAxis::atBottom)->range().size();
    m_following = false;
    cmdLive->setChecked(false);
    setTimeRange(QCPRange(key.toDouble() - width / 2, key.toDouble() + width / 2));
}

void frmTrends::syncEventList()
{
    // A list scrolled to its end stays there as events come.
    const QScrollBar *bar = lstEvents->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    m_events->sync();
    if (atEnd)
        lstEvents->scrollToBottom();
}

void frmTrends::cmdLive_Click()
{
    m_following = true;
    cmdLive->setChecked(true);
    showLive();
}

void frmTrends::cmdWhole_Click()
{
    const auto &ticks = m_record.ticks();
    if (ticks.empty())
        return;
    m_following = false;
    cmdLive->setChecked(false);
    const double first = TrendPoints::key(ticks.front().at);
    const double pad = std::max(1.0, 0.01 * (m_lastKey - first));
    setTimeRange(QCPRange(first - pad, m_lastKey + pad));
}

void frmTrends::replotNow()
{
    m_plot->replot(QCustomPlot::rpImmediateRefresh);
}

QPixmap frmTrends::spanImage(const Stamp &from, const Stamp &to, const QSize &size)
{
    const QCPRange before = m_charts[0]->axis(QCPAxis::atBottom)->range();
    redraw();
    const double first = TrendPoints::key(from);
    const double last = TrendPoints::key(to);
    const double pad = std::max(1.0, 0.01 * (last - first));
    setTimeRange(QCPRange(first - pad, last + pad));
    const QPixmap image = m_plot->toPixmap(size.width(), size.height());
    if (m_following)
        showLive();
    else
        setTimeRange(before);
    return image;
}

QString frmTrends::suggestedPath(const QString &stem, const QString &suffix) const
{
    const QString directory = QDir(LogPaths::logDirectory()).exists() ? LogPaths::logDirectory() : QDir::homePath();
    return QDir(directory).filePath(
        QStringLiteral("%1-%2.%3")
            .arg(stem, QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmm")), suffix));
}

void frmTrends::cmdSaveCsv_Click()
{
    const QString path
        = askPath(this, QStringLiteral("Save CSV"), suggestedPath(QStringLiteral("session"), QStringLiteral("csv")),
                  QStringLiteral("CSV files (*.csv)"), QStringLiteral("csv"));
    if (!path.isEmpty())
        saveCsv(path);
}

void frmTrends::cmdSaveImage_Click()
{
    const QString path
        = askPath(this, QStringLiteral("Save Image"), suggestedPath(QStringLiteral("trends"), QStringLiteral("png")),
                  QStringLiteral("PNG images (*.png)"), QStringLiteral("png"));
    if (!path.isEmpty())
        saveImage(path);
}

bool frmTrends::saveCsv(const QString &path)
{
    QString reason;
    if (CsvWriter(m_record).save(path, &reason))
        return true;
    MsgBox(QStringLiteral("The CSV file %1 could not be written: %2.").arg(QDir::toNativeSeparators(path), reason),
           MsgBoxButtons::OkOnly, QStringLiteral("Save CSV"));
    return false;
}

QString frmTrends::imageTitle() const
{
    // What the session ran on, as its first event says; a file by its name.
    QString source = m_review ? QFileInfo(m_review->path).fileName() : QString();
    if (!m_review) {
        static const QString started = QStringLiteral("Session started: ");
        const auto &events = m_record.events();
        const auto first = std::find_if(events.begin(), events.end(),
                                        [](const EventEntry &e) { return e.kind == EventKind::SessionStarted; });
        source = first != events.end() ? first->text.mid(first->text.startsWith(started) ? started.size() : 0)
                                       : QStringLiteral("live session");
    }
    const QCPRange span = m_charts[0]->axis(QCPAxis::atBottom)->range();
    const QDateTime from = QDateTime::fromMSecsSinceEpoch(qint64(span.lower * 1000));
    const QDateTime to = QDateTime::fromMSecsSinceEpoch(qint64(span.upper * 1000));
    const QString end = to.date() == from.date() ? to.toString(QStringLiteral("HH:mm:ss"))
                                                 : to.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return QStringLiteral("%1  |  %2 \u2013 %3  |  vanto-port-test %4")
        .arg(source, from.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), end, QString::fromLatin1(Version::Text));
}

QImage frmTrends::titled(const QImage &charts) const
{
    const QFontMetrics metrics(font());
    const int band = metrics.height() + 12;
    QImage image(charts.width(), charts.height() + band, QImage::Format_RGB32);
    image.setDevicePixelRatio(charts.devicePixelRatio());
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font());
    painter.setPen(Qt::black);
    const int width = int(charts.width() / charts.devicePixelRatio());
    painter.drawText(QRect(8, 0, width - 16, band), Qt::AlignVCenter | Qt::AlignLeft,
                     metrics.elidedText(imageTitle(), Qt::ElideMiddle, width - 16));
    painter.drawImage(QPoint(0, band), charts);
    return image;
}

bool frmTrends::saveImage(const QString &path)
{
    // Written through a file that reports a full disk, which a plain image
    // save would not.
    const QImage image = titled(m_plot->toPixmap().toImage());
    QString reason;
    const bool saved = saveFile(
        path,
        [&image](QIODevice &file, QString *why) {
            QImageWriter writer(&file, "png");
            if (writer.write(image))
                return true;
            *why = writer.errorString();
            return false;
        },
        &reason);
    if (!saved)
        MsgBox(QStringLiteral("The image %1 could not be written: %2.").arg(QDir::toNativeSeparators(path), reason),
               MsgBoxButtons::OkOnly, QStringLiteral("Save Image"));
    return saved;
}
