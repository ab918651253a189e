#include "logging/LogPaths.h"
#include "logging/LogWriter.h"
#include "logging/Logging.h"
#include "logging/frmSelFile.h"
#include "ui/MsgBox.h"
#include "ui/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QString Body = QStringLiteral("27      17      10      1      375      48      u");

struct Box
{
    QString text;
    QString title;
    MsgBoxButtons buttons;
};

} // namespace

// The log file dialog and the logging switch, wired as the main window wires
// them: OK starts logging, the lamp follows loggingChanged, a failed line is
// told in a box.
class tst_selfile : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmSelFile> dlg;
    std::unique_ptr<Logging> logging;
    bool lamp = false;
    QList<Box> boxes;
    MsgBoxAnswer answer = MsgBoxAnswer::Yes;

    QString logFile(const QString &name) const { return m_dir->filePath(name); }

    void okWith(const QString &name)
    {
        dlg->Show();
        dlg->txtFileName->setText(name);
        QTest::mouseClick(dlg->OKButton, Qt::LeftButton);
    }

    // One log tick after a parse that composed a record (or none).
    void tick(bool composed = true)
    {
        logging->setRecord(composed ? Body : QString());
        logging->Timer2_Timer();
    }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_dir = std::make_unique<QTemporaryDir>();
        LogPaths::setLogDirectory(m_dir->path());
        lamp = false;
        boxes.clear();
        answer = MsgBoxAnswer::Yes;
        setMsgBoxResponder([this](const QString &text, const QString &title, MsgBoxButtons buttons) {
            boxes.append({text, title, buttons});
            return answer;
        });

        dlg = std::make_unique<frmSelFile>([this](const QString &path) { logging->start(path); });
        dlg->setClock([] { return QDate(2026, 12, 7); });
        logging = std::make_unique<Logging>();
        logging->setClock([] { return QDateTime(QDate(2026, 12, 7), QTime(8, 54, 38)); });
        connect(logging.get(), &Logging::loggingChanged, this, [this](bool on) { lamp = on; });
        connect(logging.get(), &Logging::writeFailed, this, [](const QString &path, const QString &reason) {
            MsgBox(Logging::failureText(path, reason), MsgBoxButtons::OkOnly, Logging::FailureTitle);
        });
    }

    void cleanup()
    {
        setMsgBoxResponder(nullptr);
        logging.reset();
        dlg.reset();
        LogPaths::setLogDirectory(QString());
        m_dir.reset();
    }

    void windowLayout()
    {
        dlg->Show();
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Log File selection/creation"));
        const Qt::WindowFlags flags = dlg->windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(dlg->geometry(), twips(2760, 3750, 6030, 3195));
        QCOMPARE(dlg->minimumSize(), dlg->maximumSize());

        const struct
        {
            QWidget *control;
            const char *name;
            QRect rect;
        } controls[] = {
            {dlg->OKButton, "OKButton", twips(4680, 120, 1215, 375)},
            {dlg->CancelButton, "CancelButton", twips(4680, 600, 1215, 375)},
            {dlg->txtFileName, "txtFileName", twips(0, 480, 2895, 375)},
            {dlg->lblInstruct, "lblInstruct", twips(240, 1080, 2295, 495)},
        };
        for (const auto &c : controls) {
            QCOMPARE(c.control->objectName(), QString::fromLatin1(c.name));
            QCOMPARE(c.control->geometry(), c.rect);
        }
        QCOMPARE(dlg->OKButton->text(), QStringLiteral("OK"));
        QCOMPARE(dlg->CancelButton->text(), QStringLiteral("Cancel"));
        QCOMPARE(dlg->lblInstruct->text(), QStringLiteral("Enter a file name to store your data under."));
        QCOMPARE(dlg->OKButton->nextInFocusChain(), dlg->CancelButton);
        QCOMPARE(dlg->CancelButton->nextInFocusChain(), dlg->txtFileName);
    }

    void everyOpeningStartsEmptyWithFocusOnOk()
    {
        dlg->Show();
        QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
        QCOMPARE(QApplication::focusWidget(), dlg->OKButton);
        dlg->txtFileName->setFocus();
        QTest::keyClicks(dlg->txtFileName, QStringLiteral("left over"));
        QTest::mouseClick(dlg->CancelButton, Qt::LeftButton);
        QVERIFY(!dlg->isVisible());

        dlg->Show();
        QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
        QCOMPARE(dlg->txtFileName->text(), QString());
        QCOMPARE(QApplication::focusWidget(), dlg->OKButton);
    }

    void okProcedure_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("path"); // relative to the log directory; empty: unchanged
        QTest::addColumn<int>("boxCount");

        const int none = -1;
        QTest::newRow("typed name") << "test" << none << "/test.log" << 0;
        QTest::newRow("two blanks are a name") << "  " << none << "/  .log" << 0;
        QTest::newRow("extension typed") << "run.log" << none << "/run.log.log" << 0;
        QTest::newRow("empty, Yes: name of the day") << "" << int(MsgBoxAnswer::Yes) << "/12-7-2026.log" << 1;
        QTest::newRow("empty, No: back to the name") << "" << int(MsgBoxAnswer::No) << "" << 1;
    }

    void okProcedure()
    {
        QFETCH(QString, name);
        QFETCH(int, answer);
        QFETCH(QString, path);
        this->answer = MsgBoxAnswer(answer);

        okWith(name);

        QTEST(int(boxes.size()), "boxCount");
        if (!boxes.isEmpty()) {
            QCOMPARE(boxes[0].text, QStringLiteral("If no file name is entered a generic file will be "
                                                   "created in the Root Dir. Select No to cancel."));
            QCOMPARE(boxes[0].title, QStringLiteral("No File Name"));
            QCOMPARE(boxes[0].buttons, MsgBoxButtons::YesNo);
        }
        const bool confirmed = !path.isEmpty();
        QCOMPARE(dlg->fullPathFilename, confirmed ? m_dir->path() + path : QString());
        QCOMPARE(logging->isOn(), confirmed);
        QCOMPARE(lamp, confirmed);
        QCOMPARE(dlg->isVisible(), !confirmed);
        if (!confirmed)
            QCOMPARE(dlg->focusWidget(), dlg->txtFileName);
        // The path is read while the window is gone.
        QCOMPARE(logging->Timer2.interval(), 4000);
    }

    void cancelAndCloseBoxKeepEarlierChoice_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Cancel") << false;
        QTest::newRow("close box") << true;
    }

    void cancelAndCloseBoxKeepEarlierChoice()
    {
        QFETCH(bool, closeBox);
        okWith(QStringLiteral("a"));
        tick();
        dlg->Show();
        dlg->txtFileName->setText(QStringLiteral("b"));
        if (closeBox)
            dlg->close();
        else
            QTest::mouseClick(dlg->CancelButton, Qt::LeftButton);
        QVERIFY(!dlg->isVisible());
        QCOMPARE(dlg->fullPathFilename, logFile("a.log"));
        QVERIFY(logging->isOn());
        QVERIFY(lamp);
        tick();
        QCOMPARE(contents(logFile("a.log")).count("\r\n"), 2);
    }

    void secondChoiceTakesTheLogOver()
    {
        okWith(QStringLiteral("a"));
        tick();
        tick();
        okWith(QStringLiteral("b"));
        tick();
        tick(false);
        tick();
        const QByteArray record = "12/7/2026 8:54:38 AM,      " + Body.toLatin1() + "\r\n";
        QCOMPARE(contents(logFile("a.log")), LogWriter::HeaderLine.toLatin1() + "\r\n" + record);
        QCOMPARE(contents(logFile("b.log")), record + record); // no header forced
    }

    void enterAndEscDoNothing()
    {
        dlg->Show();
        QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
        dlg->txtFileName->setFocus();
        QTest::keyClicks(dlg->txtFileName, QStringLiteral("name"));
        QTest::keyClick(dlg->txtFileName, Qt::Key_Return);
        QTest::keyClick(dlg->txtFileName, Qt::Key_Enter);
        QTest::keyClick(dlg->txtFileName, Qt::Key_Escape);
        QVERIFY(dlg->isVisible());
        QCOMPARE(dlg->fullPathFilename, QString());
        QVERIFY(!logging->isOn());
    }

    void switchOnlyStops_data()
    {
        QTest::addColumn<bool>("loggingOn");
        QTest::newRow("clicked while off") << false;
        QTest::newRow("clicked while on") << true;
    }

    void switchOnlyStops()
    {
        QFETCH(bool, loggingOn);
        if (loggingOn)
            okWith(QStringLiteral("switch"));
        logging->Timer2.setInterval(20);
        QTRY_VERIFY(!contents(logFile("switch.log")).isEmpty() || !loggingOn);

        QSignalSpy changes(logging.get(), &Logging::loggingChanged);
        logging->setRecord(Body);
        logging->CWButton1_Click();
        QCOMPARE(changes.size(), 1);
        QVERIFY(!lamp);
        QVERIFY(!logging->isOn());
        const QByteArray before = contents(logFile("switch.log"));
        QTest::qWait(100);
        QCOMPARE(contents(logFile("switch.log")), before); // the waiting body stays unwritten
        QCOMPARE(dlg->fullPathFilename, loggingOn ? logFile("switch.log") : QString());
    }

    void restartGoesOnWithTheCounter()
    {
        okWith(QStringLiteral("first"));
        for (int i = 0; i < 7; ++i)
            tick();
        QCOMPARE(logging->intLogCount(), 7);
        logging->CWButton1_Click();

        okWith(QStringLiteral("second"));
        for (int i = 0; i < 14; ++i)
            tick();
        const QList<QByteArray> lines = contents(logFile("second.log")).split('\n');
        QCOMPARE(lines.size(), 15); // 14 lines and the empty rest after the last CR LF
        for (int i = 0; i < 13; ++i)
            QVERIFY(lines[i].startsWith("12/7/2026 8:54:38 AM,"));
        QCOMPARE(lines[13], LogWriter::HeaderLine.toLatin1() + "\r");
    }

    void startWhileOnKeepsThePeriod()
    {
        okWith(QStringLiteral("period"));
        const int first = logging->Timer2.remainingTime();
        QTest::qWait(400);
        okWith(QStringLiteral("period2"));
        const int later = logging->Timer2.remainingTime();
        // A restarted timer would be back near its full period.
        QVERIFY2(later < first - 300, qPrintable(QStringLiteral("%1 then %2").arg(first).arg(later)));
    }

    void writeFailureStopsLoggingWithOneBox()
    {
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("taken.log")));
        okWith(QStringLiteral("taken"));

        int nestedBoxes = 0;
        setMsgBoxResponder([&](const QString &text, const QString &title, MsgBoxButtons buttons) {
            boxes.append({text, title, buttons});
            // While the box is up the operator starts logging again and the
            // next tick fails the same way.
            okWith(QStringLiteral("taken"));
            const int before = boxes.size();
            tick();
            nestedBoxes += boxes.size() - before;
            return MsgBoxAnswer::Ok;
        });
        tick();

        QCOMPARE(boxes.size(), 1);
        QCOMPARE(nestedBoxes, 0);
        QVERIFY2(boxes[0].text.contains(logFile("taken.log")), qPrintable(boxes[0].text));
        QVERIFY2(boxes[0].text.contains(QStringLiteral("directory")), qPrintable(boxes[0].text));
        QVERIFY(!logging->isOn());
        QVERIFY(!lamp);
        QCOMPARE(logging->intLogCount(), 0);

        // A later failure, after the box was closed, is told again.
        setMsgBoxResponder([&](const QString &text, const QString &title, MsgBoxButtons buttons) {
            boxes.append({text, title, buttons});
            return MsgBoxAnswer::Ok;
        });
        okWith(QStringLiteral("taken"));
        tick();
        QCOMPARE(boxes.size(), 2);

        // A good file afterwards gets the header the failed tick owed it.
        okWith(QStringLiteral("good"));
        tick();
        QCOMPARE(contents(logFile("good.log")), LogWriter::HeaderLine.toLatin1() + "\r\n");
    }
};

QTEST_MAIN(tst_selfile)
#include "tst_selfile.moc"
