#include "WindowRig.h"

#include "app/frmVANTOPortTestGui.h"
#include "instruments/DialGauge.h"
#include "instruments/Lamp.h"
#include "logging/LogPaths.h"
#include "logging/Logging.h"
#include "ui/ColouredButton.h"
#include "ui/MsgBox.h"
#include "ui/StatusText.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {
struct Box
{
    QString text;
    QString title;
};

using Rig = WindowRig;
const auto topLevel = &WindowRig::topLevel;
} // namespace

class tst_mainwindow : public QObject
{
    Q_OBJECT

    QList<Box> m_boxes;

private slots:
    void init()
    {
        m_boxes.clear();
        setMsgBoxResponder([this](const QString &text, const QString &title, MsgBoxButtons) {
            m_boxes.append({text, title});
            return MsgBoxAnswer::Ok;
        });
    }
    void cleanup()
    {
        setMsgBoxResponder({});
        for (QWidget *w : QApplication::topLevelWidgets())
            w->close();
    }

    void startUpOpensThePortAndPolls()
    {
        Rig rig;
        rig.window->Form_Load();
        QVERIFY(rig.port->PortOpen());
        QCOMPARE(rig.port->CommPort(), 1);
        QVERIFY(rig.child<QTimer>("Timer1")->isActive());
        QCOMPARE(rig.child<QTimer>("Timer1")->interval(), 250);
        QVERIFY(!rig.window->logging().Timer2.isActive());
        QCOMPARE(rig.window->logging().Timer2.interval(), 4000);
        QCOMPARE(rig.window->commands().strCommand(), QStringLiteral("u"));
        QVERIFY(m_boxes.isEmpty());
        QVERIFY(rig.window->isVisible());
    }

    void startUpFailureSaysSoOnceAndOffersPortSetup()
    {
        Rig rig(true);
        rig.window->Form_Load();
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].text, QStringLiteral("Incorrect comm port configuration for this machine!"));
        QCOMPARE(m_boxes[0].title, QStringLiteral("Communication error"));
        QVERIFY(!rig.child<QTimer>("Timer1")->isActive());
        QWidget *setup = topLevel("frmCommSetup");
        QVERIFY(setup && setup->isVisible());
        QCOMPARE(setup->windowTitle(), QStringLiteral("Communication Setup"));
        QVERIFY(rig.window->isVisible());
        QTest::qWait(600);
        QVERIFY(rig.port->writes.isEmpty());
        QCOMPARE(m_boxes.size(), 1);
    }

    void inventory_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QColor>("colour");

        const QColor none;
        const QColor green(0, 255, 0), red(255, 0, 0), yellow(255, 255, 0);
        const QString rangeTip = QStringLiteral("OK Range +/- 10%  = Green else Red");
        // Pixels at 15 twips each, relative to the client area or the enclosing frame.
        QTest::newRow("CWButton1") << "CWButton1" << QRect(32, 8, 89, 33) << "Logging On/Off"
                                   << "" << red;
        QTest::newRow("CWButton2") << "CWButton2" << QRect(32, 48, 89, 33) << "Serial Comms"
                                   << "" << red;
        QTest::newRow("cmdFstUpdt") << "cmdFstUpdt" << QRect(32, 96, 89, 41) << "Slow Update"
                                    << "" << green;
        QTest::newRow("cmdLoaded") << "cmdLoaded" << QRect(32, 152, 89, 41) << "Load On/Off"
                                   << "" << yellow;
        QTest::newRow("cmd1PPSOnOff") << "cmd1PPSOnOff" << QRect(32, 208, 89, 41) << "1PPS On/Off"
                                      << "One PPS sense is OFF" << yellow;
        QTest::newRow("agd400VDC") << "agd400VDC" << QRect(168, 8, 137, 57) << ""
                                   << "" << none;
        QTest::newRow("Label1") << "Label1" << QRect(168, 72, 73, 17) << "Ch 1 400 VDC"
                                << "" << none;
        QTest::newRow("lbl400VDC") << "lbl400VDC" << QRect(256, 72, 49, 17) << ""
                                   << "" << none;
        QTest::newRow("sts400OK") << "sts400OK" << QRect(320, 8, 25, 57) << "OK" << rangeTip << green;
        QTest::newRow("agd48VDC") << "agd48VDC" << QRect(168, 112, 137, 57) << ""
                                  << "" << none;
        QTest::newRow("Label2") << "Label2" << QRect(168, 184, 73, 17) << "Ch 2 48 VDC"
                                << "" << none;
        QTest::newRow("lbl48VDC") << "lbl48VDC" << QRect(256, 184, 49, 17) << ""
                                  << "" << none;
        QTest::newRow("sts48OK") << "sts48OK" << QRect(320, 112, 25, 57) << "OK" << rangeTip << green;
        QTest::newRow("frFreq") << "frFreq" << QRect(360, 8, 129, 177) << "1PPS Status"
                                << "" << none;
        QTest::newRow("Label5") << "Label5" << QRect(8, 24, 97, 17) << "Pulse Width (us)"
                                << "" << none;
        QTest::newRow("txtPlsWdth") << "txtPlsWdth" << QRect(48, 48, 65, 19) << ""
                                    << "" << none;
        QTest::newRow("Label6") << "Label6" << QRect(8, 88, 113, 17) << "Pulse Frequency (Hz)"
                                << "" << none;
        QTest::newRow("txtPlsFreq") << "txtPlsFreq" << QRect(48, 120, 65, 19) << ""
                                    << "" << none;
        QTest::newRow("frTemp") << "frTemp" << QRect(520, 8, 121, 177) << "Temperature"
                                << "" << none;
        QTest::newRow("lblCtrTemp") << "lblCtrTemp" << QRect(8, 16, 81, 33) << "Control Can Temp Deg C"
                                    << "" << none;
        QTest::newRow("txtCtrCanTemp") << "txtCtrCanTemp" << QRect(40, 48, 65, 19) << ""
                                       << "" << none;
        QTest::newRow("lblLoadTemp") << "lblLoadTemp" << QRect(8, 88, 89, 33) << "Load Can Temp Deg C"
                                     << "" << none;
        QTest::newRow("txtLoadCanTemp") << "txtLoadCanTemp" << QRect(40, 120, 65, 19) << ""
                                        << "" << none;
        QTest::newRow("lblCommStat") << "lblCommStat" << QRect(312, 192, 65, 17) << "Comm Status"
                                     << "" << none;
        QTest::newRow("lblCommStatData") << "lblCommStatData" << QRect(384, 184, 257, 25) << ""
                                         << "" << none;
        QTest::newRow("Text1") << "Text1" << QRect(168, 224, 457, 25) << ""
                               << "" << none;
    }

    void inventory()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        QFETCH(QString, toolTip);
        QFETCH(QColor, colour);

        Rig rig;
        QWidget *w = rig.child(qPrintable(name));
        QVERIFY2(w, qPrintable(name));
        QCOMPARE(w->geometry(), geometry);
        QCOMPARE(w->toolTip(), toolTip);
        QVERIFY(!w->isHidden());
        QVERIFY(w->isEnabled());

        QString shown;
        QColor shownColour;
        if (auto *l = qobject_cast<QLabel *>(w))
            shown = l->text();
        else if (auto *e = qobject_cast<QLineEdit *>(w))
            shown = e->text();
        else if (auto *g = qobject_cast<QGroupBox *>(w))
            shown = g->title();
        else if (auto *b = dynamic_cast<ColouredButton *>(w)) {
            shown = b->text();
            shownColour = b->BackColor();
        } else if (auto *lamp = qobject_cast<Lamp *>(w)) {
            shown = lamp->caption().isEmpty() ? lamp->text() : lamp->caption();
            shownColour = lamp->Value() ? lamp->onColor() : lamp->offColor();
        }
        QCOMPARE(shown, text);
        if (colour.isValid())
            QCOMPARE(shownColour, colour);
    }

    void framesCarryTheirCaptionOnTheBorder_data()
    {
        QTest::addColumn<QString>("frame");
        QTest::newRow("frFreq") << "frFreq";
        QTest::newRow("frTemp") << "frTemp";
    }

    void framesCarryTheirCaptionOnTheBorder()
    {
        // As drawn: the top line runs from the right to the caption, which
        // it doesn't cross, and the caption's letters stand above and below
        // it; every control inside starts below the line.
        QFETCH(QString, frame);
        Rig rig;
        auto *box = rig.child<QGroupBox>(qPrintable(frame));
        const QImage image = box->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const int paper = qGray(box->palette().color(QPalette::Window).rgb());
        const auto ink = [&](int x, int y) { return qGray(image.pixel(x, y)) < paper - 60; };

        int line = 0;
        while (line < image.height() / 2 && !ink(image.width() - 6, line))
            ++line;
        QVERIFY2(line > 0 && line < image.height() / 2, "no top line");
        int caption = image.width() - 6; // where the line stops, going left
        while (caption > 0 && ink(caption - 1, line))
            --caption;
        bool above = false, below = false;
        for (int x = 2; x < caption; ++x)
            for (int y = 0; y < 2 * line + 2; ++y) {
                above |= ink(x, y) && y < line;
                below |= ink(x, y) && y > line + 1;
            }
        QVERIFY2(caption > image.width() / 3, "the line runs through the caption");
        QVERIFY(above && below);
        QVERIFY2(!ink(0, line - 1) && ink(0, line + 2), "the left side starts at the line");
        for (QWidget *control : box->findChildren<QWidget *>())
            QVERIFY2(control->y() > line + 1, qPrintable(control->objectName()));
    }

    void statusShowsAMessageVerbatimAndWhole_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("whole");
        QTest::newRow("markup") << "T<b>bold</b> & <i>not</i>*" << true;
        QTest::newRow("a lone <") << "Tcan temp < 10 degrees and falling*" << true;
        QTest::newRow("long") << "Controller restarted after a brown-out on the 48 V bus; check the supply "
                                 "before engaging the load again*"
                              << true;
        QTest::newRow("one long word") << "TSUPPLY_MONITOR_CHANNEL_2_UNDERVOLTAGE_LATCHED_RESET_REQUIRED*" << true;
        QTest::newRow("more than the box holds")
            << "Controller restarted after a brown-out on the 48 V bus; load relay opened, 1PPS sense disabled, "
               "check the supply and the fibre can before engaging the load again*"
            << false;
    }

    void statusShowsAMessageVerbatimAndWhole()
    {
        QFETCH(QString, message);
        QFETCH(bool, whole);
        Rig rig;
        rig.startHeld();
        rig.tick(message.toLatin1());
        auto *status = rig.child<StatusText>("lblCommStatData");
        QCOMPARE(status->text(), message);
        // Every label of the window is plain text: what the controller sent
        // is never taken for markup.
        for (QLabel *label : rig.window->findChildren<QLabel *>())
            QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName()));
        // Wrapped within its box, every letter shown; what can't be is cut
        // with "…" and shown whole in the tooltip.
        const StatusText::Fit fit = StatusText::fit(message, status->font(), status->contentsRect().size());
        QVERIFY(fit.height <= status->contentsRect().height());
        QVERIFY(fit.font.pointSizeF() >= 6);
        QCOMPARE(fit.lines.join(QString()) == message, whole);
        QCOMPARE(fit.cut, !whole);
        QCOMPARE(status->toolTip(), whole ? QString() : message);
        if (!whole)
            QVERIFY(fit.lines.last().endsWith(QChar(0x2026)));
    }

    void instrumentsStartAtRest()
    {
        Rig rig;
        for (const char *name : {"CWButton1", "CWButton2", "sts400OK", "sts48OK"})
            QVERIFY2(!rig.child<Lamp>(name)->Value(), name);
        QCOMPARE(rig.child<Lamp>("CWButton1")->onColor(), QColor(0, 255, 0));
        QCOMPARE(rig.child<Lamp>("sts400OK")->onColor(), QColor(255, 0, 0));
        QCOMPARE(rig.child<Lamp>("sts400OK")->onText(), QStringLiteral("High"));
        for (const char *name : {"agd400VDC", "agd48VDC"})
            QCOMPARE(rig.child<DialGauge>(name)->Value(), 0.0);
        QCOMPARE(rig.child<DialGauge>("agd400VDC")->scaleMax(), 400.0);
        QCOMPARE(rig.child<DialGauge>("agd48VDC")->scaleMax(), 60.0);
    }

    void windowAndMenu()
    {
        Rig rig;
        rig.window->Form_Load();
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("VANTO Port Testing Diagnostics Tool"));
        QCOMPARE(rig.window->centralWidget()->size(), QSize(652, 270));
        const Qt::WindowFlags flags = rig.window->windowFlags();
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!rig.window->windowIcon().isNull());

        QStringList entries;
        for (QAction *a : rig.window->menuBar()->actions())
            entries << a->text();
        QCOMPARE(entries, (QStringList{"File", "Communication", "Trends", "Line", "Alarms", "Port Test…", "About"}));
        QCOMPARE(rig.child<QAction>("mnuLogging")->text(), QStringLiteral("Logging"));
        QCOMPARE(rig.child<QAction>("mnuLogging")->shortcut(), QKeySequence(QStringLiteral("Ctrl+L")));
        QCOMPARE(rig.child<QAction>("mnuExit")->text(), QStringLiteral("Exit"));
        QCOMPARE(rig.child<QAction>("mnuExit")->shortcut(), QKeySequence(QStringLiteral("Ctrl+X")));

        if (const QByteArray dir = qgetenv("VANTO_SCREENSHOT_DIR"); !dir.isEmpty())
            rig.window->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/mainwindow.png"));

        // Growing the window moves nothing.
        const QRect before = rig.child("Text1")->geometry();
        rig.window->resize(rig.window->size() + QSize(200, 100));
        QCOMPARE(rig.child("Text1")->geometry(), before);
    }

    void tabOrderSkipsLabelsAndFrames()
    {
        Rig rig;
        rig.window->Form_Load();
        QStringList chain;
        QWidget *w = rig.child("agd400VDC");
        for (int i = 0; i < 14; ++i, w = w->nextInFocusChain()) {
            while (!(w->focusPolicy() & Qt::TabFocus))
                w = w->nextInFocusChain();
            chain << w->objectName();
        }
        QCOMPARE(chain, (QStringList{"agd400VDC", "agd48VDC", "CWButton1", "CWButton2", "txtPlsWdth", "txtPlsFreq",
                                     "sts400OK", "sts48OK", "txtCtrCanTemp", "txtLoadCanTemp", "cmdFstUpdt", "Text1",
                                     "cmdLoaded", "cmd1PPSOnOff"}));
    }

    void ctrlLReachesLogging()
    {
        Rig rig;
        rig.window->Form_Load();
        QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
        QSignalSpy logging(rig.child<QAction>("mnuLogging"), &QAction::triggered);
        QTest::keyClick(rig.window.get(), Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(logging.size(), 1);
    }

    // The window's two shortcuts act wherever the focus is, a text box that
    // would take Ctrl+X as Cut included.
    void shortcutsActFromTheTextBoxes_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("action");
        for (const char *box : {"Text1", "txtLoadCanTemp", "txtPlsFreq"}) {
            QTest::newRow(QByteArray(box) + ", Ctrl+X") << box << int(Qt::Key_X) << "mnuExit";
            QTest::newRow(QByteArray(box) + ", Ctrl+L") << box << int(Qt::Key_L) << "mnuLogging";
        }
    }
    void shortcutsActFromTheTextBoxes()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(QString, action);
        Rig rig;
        rig.window->Form_Load();
        QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
        auto *box = rig.child<QLineEdit>(qPrintable(focus));
        box->setText(QStringLiteral("27"));
        box->selectAll();
        box->setFocus();
        QSignalSpy triggered(rig.child<QAction>(qPrintable(action)), &QAction::triggered);
        QTest::keyClick(box, Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(triggered.size(), 1);
        QCOMPARE(box->text(), QStringLiteral("27")); // nothing cut
    }

    void ctrlXExitsAndReleasesThePort()
    {
        Rig rig;
        rig.window->Form_Load();
        QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
        QTest::keyClick(rig.window.get(), Qt::Key_X, Qt::ControlModifier);
        QVERIFY(!rig.window->isVisible());
        QVERIFY(!rig.port->PortOpen());
        QVERIFY(!rig.child<QTimer>("Timer1")->isActive());
        QVERIFY(!rig.window->isLoaded());
    }

    void closeBoxReleasesThePort()
    {
        Rig rig;
        rig.window->Form_Load();
        rig.window->close();
        QVERIFY(!rig.port->PortOpen());
        QVERIFY(!rig.child<QTimer>("Timer1")->isActive());
    }

    void dialogsOutliveTheMainWindowButCantReviveIt()
    {
        Rig rig;
        rig.window->Form_Load();
        rig.window->mnuLogging_Click();
        rig.window->mnuComms_Click();
        QWidget *selFile = topLevel("frmSelFile");
        QWidget *commSetup = topLevel("frmCommSetup");
        QVERIFY(selFile && selFile->isVisible());
        QVERIFY(commSetup && commSetup->isVisible());

        // The application runs while a window that keeps it alive is on screen.
        const auto keepsToolRunning = [] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->isVisible() && w->testAttribute(Qt::WA_QuitOnClose))
                    return true;
            return false;
        };
        rig.window->mnuExit_Click();
        QVERIFY(!rig.window->isVisible());
        QVERIFY(selFile->isVisible());
        QVERIFY(keepsToolRunning());

        // Done and OK after the main window went: no port reopened, no logging.
        QTest::mouseClick(commSetup->findChild<QPushButton *>(QStringLiteral("cmdDone")), Qt::LeftButton);
        QVERIFY(!rig.port->PortOpen());
        QVERIFY(!commSetup->isVisible());
        selFile->findChild<QLineEdit *>(QStringLiteral("txtFileName"))->setText(QStringLiteral("late"));
        QTest::mouseClick(selFile->findChild<QPushButton *>(QStringLiteral("OKButton")), Qt::LeftButton);
        QVERIFY(!rig.window->logging().isOn());
        QVERIFY(!rig.child<QTimer>("Timer1")->isActive());
        QVERIFY(!rig.window->isVisible());
        QVERIFY(m_boxes.isEmpty());
        // Nothing hidden is left to keep the process alive.
        QVERIFY(!keepsToolRunning());
    }

    void taskBarButtons_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<Qt::WindowType>("type");

        // A tool window has no task bar button (Windows, and X11 task bars
        // going by the utility window type); a plain window has one.
        QTest::newRow("port setup") << "frmCommSetup" << Qt::Window;
        QTest::newRow("log file") << "frmSelFile" << Qt::Tool;
        QTest::newRow("about") << "frmAbout" << Qt::Tool;
    }

    void taskBarButtons()
    {
        QFETCH(QString, dialog);
        QFETCH(Qt::WindowType, type);
        Rig rig;
        rig.window->Form_Load();
        rig.window->mnuComms_Click();
        rig.window->mnuLogging_Click();
        rig.window->mnuAbout_Click();
        QWidget *w = topLevel(qPrintable(dialog));
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowType(), type);
        // Owned by no window, so it outlives the main window and keeps the
        // tool running while it is open.
        QVERIFY(!w->parentWidget());
        QVERIFY(!w->windowHandle()->transientParent());
        QVERIFY(w->testAttribute(Qt::WA_QuitOnClose));
    }

    void menuShowsEachDialogOnce()
    {
        Rig rig;
        rig.window->Form_Load();
        for (int i = 0; i < 2; ++i) {
            rig.window->mnuComms_Click();
            rig.window->mnuLogging_Click();
            rig.window->mnuAbout_Click();
        }
        for (const char *name : {"frmCommSetup", "frmSelFile", "frmAbout"}) {
            int shown = 0;
            for (QWidget *w : QApplication::topLevelWidgets())
                shown += w->objectName() == QLatin1String(name) && w->isVisible();
            QCOMPARE(shown, 1);
        }
    }

    // A log line that can't be written: the window tells the operator.
    void failedLogLineIsToldInABox()
    {
        QTemporaryFile notADirectory;
        QVERIFY(notADirectory.open());
        LogPaths::setLogDirectory(notADirectory.fileName());
        Rig rig;
        rig.window->Form_Load();
        rig.window->startLogging(QStringLiteral("blocked"));
        rig.window->logging().Timer2_Timer();
        LogPaths::setLogDirectory(QString());

        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].title, QStringLiteral("Logging error"));
        QVERIFY2(m_boxes[0].text.contains(QStringLiteral("blocked.log")), qPrintable(m_boxes[0].text));
        QVERIFY(!rig.window->logging().isOn());
    }

    void exitWithThePortAlreadyClosed()
    {
        Rig rig(true);
        rig.window->Form_Load();
        rig.window->mnuExit_Click();
        QVERIFY(!rig.window->isVisible());
        QCOMPARE(rig.port->closes, 0);
        QCOMPARE(m_boxes.size(), 1); // only the start-up message
    }
};

QTEST_MAIN(tst_mainwindow)
#include "tst_mainwindow.moc"
