#include "about/frmAbout.h"

#include "about/SysInfo.h"
#include "ui/AppInfo.h"
#include "ui/Controls.h"
#include "ui/Twips.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace {
// The layout was designed for an 8-point dialog font; where the desktop's font
// runs wider, a label's text is made smaller rather than cut off, since the
// warning must be read whole.
void fitText(QLabel *label)
{
    QFont font = label->parentWidget()->font();
    label->setFont(font);
    while (label->heightForWidth(label->width()) > label->height() && font.pointSizeF() > 6) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        label->setFont(font);
    }
}

void paintBlack(QLabel *label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
}
} // namespace

frmAbout::frmAbout(Registry &registry, Launcher &launcher, QWidget *parent)
    // A tool window stays out of the task bar (a dialog with no owner would
    // be in it on Windows and under most X11 task bars).
    : Form(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                       | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_registry(registry)
    , m_launcher(launcher)
{
    setObjectName(QStringLiteral("frmAbout"));
    // Unlike other tool windows it keeps the tool running while it is open.
    setAttribute(Qt::WA_QuitOnClose);
    setWindowTitle(QStringLiteral("About VANTO Port Test Tool"));
    setFixedSize(twips(0, 0, 5730, 3555).size());
    QFont designFont = font();
    designFont.setPointSize(8);
    setFont(designFont);

    cmdOK = commandButton(this, "cmdOK", QStringLiteral("OK"), twips(4245, 2625, 1260, 345));
    cmdOK->setDefault(true);

    // Lies outside the client area, so the dialog shows no icon.
    picIcon = place(new QLabel(this), "picIcon", twips(-3360, -1200, 540, 540));
    picIcon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
    picIcon->setAlignment(Qt::AlignCenter);

    cmdSysInfo = commandButton(this, "cmdSysInfo", QStringLiteral("&System Info..."), twips(4260, 3075, 1245, 345));

    lblDescription = label(this, "lblDescription",
                           QStringLiteral("Added isolation for 1PPS and installed hardware to bring 1PPS to FO Can"),
                           twips(1050, 1125, 3885, 1170));
    lblDisclaimer = label(this, "lblDisclaimer",
                          QStringLiteral("Warning: Loads miust be off prior to connection to a science port or "
                                         "etension cable, 1PPS must be islated pror to entering the water and any "
                                         "time the tool will be disconnecd"),
                          twips(255, 2625, 3870, 825));
    lblTitle = label(this, "lblTitle", QStringLiteral("VANTO Port Test Tool"), twips(1050, 240, 3885, 480));
    lblVersion = label(this, "lblVersion", QStringLiteral("Version: 2.0"), twips(1050, 780, 3885, 225));
    paintBlack(lblDescription);
    paintBlack(lblDisclaimer);
    paintBlack(lblTitle);

    setTabOrder(cmdOK, cmdSysInfo);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

void frmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("About ") + AppInfo::Title);
    lblVersion->setText(
        QStringLiteral("Version %1.%2.%3").arg(AppInfo::Major).arg(AppInfo::Minor).arg(AppInfo::Revision));
    lblTitle->setText(AppInfo::Title);
    for (QLabel *label : {lblDescription, lblDisclaimer, lblTitle, lblVersion})
        fitText(label);

    // A fresh dialog: at its designed place, OK holding the focus.
    const QScreen *where = screen() ? screen() : QGuiApplication::primaryScreen();
    const QPoint origin = where ? where->geometry().topLeft() : QPoint();
    setGeometry(twips(2340, 1935, 5730, 3555).translated(origin));
    cmdOK->setFocus();
}

void frmAbout::cmdOK_Click()
{
    Unload();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo(m_registry, m_launcher);
}

void frmAbout::keyPressEvent(QKeyEvent *event)
{
    // OK is both the default and the cancel button; Enter on "System Info..."
    // presses that button instead, as Enter presses whichever button has the focus.
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (focusWidget() == cmdSysInfo)
            cmdSysInfo->click();
        else
            cmdOK->click();
        return;
    }
    if (plain && event->key() == Qt::Key_Escape) {
        cmdOK->click();
        return;
    }
    Form::keyPressEvent(event);
}

void frmAbout::paintEvent(QPaintEvent *event)
{
    Form::paintEvent(event);

    // Etched rule between the description and the warning: a grey line with a
    // two-pixel white line just below it.
    QPainter painter(this);
    const int greyLeft = twips(90), whiteLeft = twips(105), right = twips(5654);
    const int greyY = twips(2445), whiteY = twips(2460);
    painter.fillRect(QRect(QPoint(whiteLeft, whiteY), QPoint(right, whiteY + 1)), QColor(0xFF, 0xFF, 0xFF));
    painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
    painter.drawLine(greyLeft, greyY, right, greyY);
}
