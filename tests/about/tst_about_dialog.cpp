#include "RecordingLauncher.h"

#include "about/MemoryRegistry.h"
#include "about/frmAbout.h"
#include "ui/MsgBox.h"
#include "ui/Twips.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace RegistryKeys;

class tst_about_dialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void shownAsDesigned();
    void controlsAtDesignedPlaces_data();
    void controlsAtDesignedPlaces();
    void etchedRule();
    void keys_data();
    void keys();
    void sysInfoFailureKeepsDialogOpen();
    void showingTwiceKeepsOneWindow();
    void reopeningRunsLoadAgain();

private:
    QTemporaryDir m_dir;
    QString m_tool;
    MemoryRegistry m_registry;
    RecordingLauncher m_launcher;
    QStringList m_messages;
    std::unique_ptr<frmAbout> m_about;
};

void tst_about_dialog::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_tool = QDir(m_dir.path()).filePath("sysinfo");
    QFile file(m_tool);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    m_registry.setValue(LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", TypeString,
                        m_tool.toLocal8Bit() + '\0');
}

void tst_about_dialog::init()
{
    m_messages.clear();
    m_launcher.started.clear();
    m_launcher.failing.clear();
    setMsgBoxResponder([this](const QString &text, const QString &title, MsgBoxButtons) {
        m_messages.append(title + '|' + text);
        return MsgBoxAnswer::Ok;
    });
    m_about = std::make_unique<frmAbout>(m_registry, m_launcher);
}

void tst_about_dialog::cleanup()
{
    m_about.reset();
    setMsgBoxResponder({});
    QCOMPARE(m_registry.openKeyCount(), 0);
}

void tst_about_dialog::shownAsDesigned()
{
    frmAbout &about = *m_about;
    about.Show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));

    QCOMPARE(about.windowTitle(), QStringLiteral("About VantoGui"));
    QCOMPARE(about.lblTitle->text(), QStringLiteral("VantoGui"));
    QCOMPARE(about.lblVersion->text(), QStringLiteral("Version 1.0.0"));
    QCOMPARE(about.lblDescription->text(),
             QStringLiteral("Added isolation for 1PPS and installed hardware to bring 1PPS to FO Can"));
    QCOMPARE(about.lblDisclaimer->text(),
             QStringLiteral("Warning: Loads miust be off prior to connection to a science port or "
                            "etension cable, 1PPS must be islated pror to entering the water and "
                            "any time the tool will be disconnecd"));
    QCOMPARE(about.cmdOK->text(), QStringLiteral("OK"));
    QCOMPARE(about.cmdSysInfo->text(), QStringLiteral("&System Info..."));

    // Client area and its place on the screen.
    QCOMPARE(about.geometry(), twips(2340, 1935, 5730, 3555));
    QCOMPARE(about.minimumSize(), about.maximumSize());
    QVERIFY(!(about.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(!about.isModal());

    // The icon lies wholly outside what the dialog shows.
    QVERIFY(!about.rect().intersects(about.picIcon->geometry()));
    QVERIFY(!about.picIcon->pixmap().isNull());

    for (QLabel *label : {about.lblDescription, about.lblDisclaimer, about.lblTitle})
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::black));
    // Nothing cut off, the safety warning above all.
    for (QLabel *label : {about.lblDescription, about.lblDisclaimer, about.lblTitle, about.lblVersion})
        QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(label->objectName()));

    // Tab order: OK, then System Info, and round again.
    QVERIFY(QTest::qWaitForWindowActive(&about));
    QCOMPARE(about.focusWidget(), about.cmdOK);
    QTest::keyClick(about.cmdOK, Qt::Key_Tab);
    QCOMPARE(about.focusWidget(), about.cmdSysInfo);
    QTest::keyClick(about.cmdSysInfo, Qt::Key_Tab);
    QCOMPARE(about.focusWidget(), about.cmdOK);
}

void tst_about_dialog::controlsAtDesignedPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");

    QTest::newRow("cmdOK") << "cmdOK" << twips(4245, 2625, 1260, 345);
    QTest::newRow("picIcon") << "picIcon" << twips(-3360, -1200, 540, 540);
    QTest::newRow("cmdSysInfo") << "cmdSysInfo" << twips(4260, 3075, 1245, 345);
    QTest::newRow("lblDescription") << "lblDescription" << twips(1050, 1125, 3885, 1170);
    QTest::newRow("lblDisclaimer") << "lblDisclaimer" << twips(255, 2625, 3870, 825);
    QTest::newRow("lblTitle") << "lblTitle" << twips(1050, 240, 3885, 480);
    QTest::newRow("lblVersion") << "lblVersion" << twips(1050, 780, 3885, 225);
}

void tst_about_dialog::controlsAtDesignedPlaces()
{
    QFETCH(QString, name);
    QFETCH(QRect, place);
    m_about->Show();
    auto *control = m_about->findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), place);
}

void tst_about_dialog::etchedRule()
{
    m_about->Show();
    QVERIFY(QTest::qWaitForWindowExposed(m_about.get()));
    const QImage image = m_about->grab().toImage();
    if (qEnvironmentVariableIsSet("ABOUT_GRAB"))
        image.save(qEnvironmentVariable("ABOUT_GRAB"));
    const int x = twips(3000);
    QCOMPARE(image.pixelColor(x, twips(2445)), QColor(0x80, 0x80, 0x80));
    QCOMPARE(image.pixelColor(x, twips(2460)), QColor(Qt::white));
    QCOMPARE(image.pixelColor(x, twips(2460) + 1), QColor(Qt::white));
    QVERIFY(image.pixelColor(x, twips(2460) + 2) != QColor(Qt::white));
    QVERIFY(image.pixelColor(x, twips(2445) - 1) != QColor(0x80, 0x80, 0x80));
}

void tst_about_dialog::keys_data()
{
    QTest::addColumn<bool>("onSysInfo"); // where the focus is
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("launches");

    QTest::newRow("Enter on OK") << false << int(Qt::Key_Return) << 0 << true << false;
    QTest::newRow("keypad Enter on OK") << false << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true << false;
    QTest::newRow("Esc on OK") << false << int(Qt::Key_Escape) << 0 << true << false;
    QTest::newRow("Esc on System Info") << true << int(Qt::Key_Escape) << 0 << true << false;
    QTest::newRow("Enter on System Info") << true << int(Qt::Key_Return) << 0 << false << true;
    QTest::newRow("Space on System Info") << true << int(Qt::Key_Space) << 0 << false << true;
    QTest::newRow("Space on OK") << false << int(Qt::Key_Space) << 0 << true << false;
    QTest::newRow("Alt+S") << false << int(Qt::Key_S) << int(Qt::AltModifier) << false << true;
    QTest::newRow("other key") << false << int(Qt::Key_A) << 0 << false << false;
}

void tst_about_dialog::keys()
{
    QFETCH(bool, onSysInfo);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, closes);
    QFETCH(bool, launches);

    frmAbout &about = *m_about;
    about.Show();
    QVERIFY(QTest::qWaitForWindowActive(&about));
    if (onSysInfo)
        about.cmdSysInfo->setFocus();
    QWidget *focus = about.focusWidget();
    QCOMPARE(focus, onSysInfo ? about.cmdSysInfo : about.cmdOK);

    QTest::keyClick(focus, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

    const QStringList expected = launches ? QStringList{m_tool} : QStringList{};
    QTRY_COMPARE(m_launcher.started, expected);
    QTRY_COMPARE(about.isVisible(), !closes);
    QVERIFY(m_messages.isEmpty());
}

void tst_about_dialog::sysInfoFailureKeepsDialogOpen()
{
    m_about->Show();
    m_launcher.failing.insert(m_tool);
    QTest::mouseClick(m_about->cmdSysInfo, Qt::LeftButton);
    QCOMPARE(m_launcher.started, QStringList{m_tool});
    QCOMPARE(m_messages, QStringList{QStringLiteral("VantoGui|System Information Is Unavailable At This Time")});
    QVERIFY(m_about->isVisible());
}

void tst_about_dialog::showingTwiceKeepsOneWindow()
{
    m_about->Show();
    m_about->lblVersion->setText(QStringLiteral("changed while open"));
    m_about->Show();
    QVERIFY(m_about->isVisible());
    QCOMPARE(m_about->lblVersion->text(), QStringLiteral("changed while open"));

    int visibleAbouts = 0;
    for (QWidget *window : QApplication::topLevelWidgets())
        visibleAbouts += qobject_cast<frmAbout *>(window) && window->isVisible();
    QCOMPARE(visibleAbouts, 1);
}

void tst_about_dialog::reopeningRunsLoadAgain()
{
    frmAbout &about = *m_about;
    about.Show();
    about.setWindowTitle(QStringLiteral("stale"));
    about.lblTitle->setText(QStringLiteral("stale"));
    about.lblVersion->setText(QStringLiteral("stale"));
    about.move(about.pos() + QPoint(40, 30));
    about.cmdSysInfo->setFocus();

    QTest::mouseClick(about.cmdOK, Qt::LeftButton);
    QVERIFY(!about.isVisible());

    about.Show();
    QVERIFY(about.isVisible());
    QCOMPARE(about.windowTitle(), QStringLiteral("About VantoGui"));
    QCOMPARE(about.lblTitle->text(), QStringLiteral("VantoGui"));
    QCOMPARE(about.lblVersion->text(), QStringLiteral("Version 1.0.0"));
    QCOMPARE(about.geometry(), twips(2340, 1935, 5730, 3555));
    QTRY_COMPARE(about.focusWidget(), about.cmdOK);
}

QTEST_MAIN(tst_about_dialog)
#include "tst_about_dialog.moc"
