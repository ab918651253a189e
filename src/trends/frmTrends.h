#pragma once

#include "review/SessionFile.h"
#include "session/SessionRecord.h"
#include "session/TrendPoints.h"
#include "trends/EventMarkers.h"
#include "ui/Form.h"

#include <QPixmap>

#include <array>
#include <vector>

class EventListModel;
class QImage;
class QLabel;
class QCPAxis;
class QCPAxisRect;
class QCPGraph;
class QCPRange;
class QCustomPlot;
class QModelIndex;
class QPushButton;
class QTableView;

// The session on screen: three strip charts over one time axis in local time
// (the two can temperatures; the two supplies with their range bands; the
// 1PPS frequency and width), the events as markers on them and as a list
// beside them. It follows the last ten minutes live until the operator zooms
// (wheel) or pans (drag) the time axis; "Live" goes back to following, "Whole
// session" fits it all. While hidden it does no work at all; shown, it draws
// what it missed once and then adds each tick's points as they come.
class frmTrends
    : public Form
    , private SessionListener
{
public:
    static inline const QString Caption = QStringLiteral("Trends");
    static constexpr double LiveSpanS = 10 * 60;

    explicit frmTrends(SessionRecord &record, QWidget *parent = nullptr);
    ~frmTrends() override;

    // A recorded session read from path, read only in a window of its own
    // ("Trends - NAME", deleted when closed): the whole session at first, a
    // summary of the span in view beside the charts. None when the file
    // can't be read; problem then says where and why.
    static frmTrends *review(const QString &path, SessionFile::Problem *problem);
    bool reviewing() const { return m_review.has_value(); }
    QString summaryText() const;
    // What a saved image says above the charts: the port and device (or the
    // file), the span shown with its date, the tool's version.
    QString imageTitle() const;

    // The main window has closed: what is shown is all there will be.
    void sessionEnded();

    void cmdLive_Click();
    void cmdWhole_Click();
    void cmdSaveCsv_Click();
    void cmdSaveImage_Click();
    // The whole session as CSV, the charts as PNG; a failure is told in a box
    // naming the file and why. True when the file was written.
    bool saveCsv(const QString &path);
    bool saveImage(const QString &path);

    bool following() const { return m_following; }
    QCustomPlot *plot() const { return m_plot; }
    QCPGraph *graph(Trend trend) const { return m_graphs[std::size_t(trend)]; }
    // Redraws the charts now rather than at the next pass of the event loop.
    void replotNow();
    // The charts over the span between two moments as a picture of that size
    // (a report's chart), shown or not; the window's own view is left as it was.
    QPixmap spanImage(const Stamp &from, const Stamp &to, const QSize &size);

protected:
    void Form_Load() override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Review
    {
        QString path;
        SessionFile::Format format;
        bool lastLineCut;
    };
    frmTrends(std::unique_ptr<SessionRecord> owned, Review review);
    void build();
    void showSummary();
    QImage titled(const QImage &charts) const;

    void tickRecorded(const TickEntry &tick) override;
    void eventRecorded(const EventEntry &event) override;

    void buildCharts();
    bool drawing() const;
    void catchUp();
    void redraw();
    void add(const TrendStep &step);
    void addMark(const EventEntry &event);
    void dropOld();
    void showLive();
    void setTimeRange(const QCPRange &range);
    void operatorMovedTime(const QCPRange &range);
    void fitValues();
    static QCPRange withLegendRoom(QCPAxisRect *chart, QCPRange range);
    void eventChosen(const QModelIndex &index);
    void syncEventList();
    QString suggestedPath(const QString &stem, const QString &suffix) const;

    std::unique_ptr<SessionRecord> m_owned; // a reviewed file's
    SessionRecord &m_record;
    std::optional<Review> m_review;
    bool m_fitted = false; // a reviewed file has been fitted once
    bool m_ended = false;  // the main window has closed
    TrendPoints m_points;
    std::vector<EventMark> m_marks;
    bool m_following = true;
    bool m_behind = true;        // something was recorded while nothing was drawn
    bool m_settingRange = false; // the time axes are being moved by the window, not the operator
    double m_lastKey = 0;
    int m_fittedHeight = -1; // of the charts when their values were last fitted

    QCustomPlot *m_plot = nullptr;
    std::array<QCPAxisRect *, 3> m_charts{};
    std::array<QCPGraph *, TrendCount> m_graphs{};
    EventListModel *m_events = nullptr;

    QPushButton *cmdLive = nullptr;
    QPushButton *cmdWhole = nullptr;
    QPushButton *cmdSaveCsv = nullptr;
    QPushButton *cmdSaveImage = nullptr;
    QTableView *lstEvents = nullptr;
    QLabel *lblSummary = nullptr;
    QLabel *lblEnded = nullptr;
};
