#include "monitors/frmAlarms.h"

#include "session/AlarmList.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

frmAlarms::frmAlarms(const Alarms &alarms, const SessionRecord &record, std::function<void()> acknowledge,
                     QWidget *parent)
    : Form(parent, Qt::Window)
    , m_alarms(alarms)
    , m_acknowledge(std::move(acknowledge))
{
    setObjectName(QStringLiteral("frmAlarms"));
    setWindowTitle(Caption);
    resize(820, 300);

    m_model = new AlarmListModel(alarms, record, this);
    lstAlarms = new QTableView(this);
    lstAlarms->setObjectName(QStringLiteral("lstAlarms"));
    lstAlarms->setAccessibleName(QStringLiteral("Alarm list"));
    lstAlarms->setModel(m_model);
    lstAlarms->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstAlarms->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstAlarms->setWordWrap(false);
    lstAlarms->verticalHeader()->hide();
    lstAlarms->horizontalHeader()->setStretchLastSection(false);
    lstAlarms->horizontalHeader()->setSectionResizeMode(AlarmListModel::DetailColumn, QHeaderView::Stretch);
    const QFontMetrics metrics(font());
    for (int c : {AlarmListModel::StartColumn, AlarmListModel::EndColumn})
        lstAlarms->horizontalHeader()->resizeSection(c, metrics.horizontalAdvance(QStringLiteral("00:00:00")) + 16);
    lstAlarms->horizontalHeader()->resizeSection(AlarmListModel::AlarmColumn,
                                                 metrics.horizontalAdvance(QStringLiteral("Load not confirmed")) + 16);
    lstAlarms->horizontalHeader()->resizeSection(
        AlarmListModel::ExtremeColumn, metrics.horizontalAdvance(QStringLiteral("12 s without a good reply")) + 16);

    cmdAcknowledge = new QPushButton(QStringLiteral("Acknowledge"), this);
    cmdAcknowledge->setObjectName(QStringLiteral("cmdAcknowledge"));
    cmdAcknowledge->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    cmdAcknowledge->setToolTip(QStringLiteral("Acknowledge every alarm listed (Ctrl+K)"));
    connect(cmdAcknowledge, &QPushButton::clicked, this, [this] { cmdAcknowledge_Click(); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdAcknowledge);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lstAlarms, 1);
    layout->addLayout(buttons);
}

void frmAlarms::sync()
{
    if (isVisible())
        refresh();
}

void frmAlarms::refresh()
{
    m_model->sync();
    cmdAcknowledge->setEnabled(m_alarms.unacknowledged() > 0);
}

void frmAlarms::cmdAcknowledge_Click()
{
    m_acknowledge();
    refresh();
}
