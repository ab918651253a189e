#include "WindowRig.h"

#include "logging/Logging.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QtTest>

// The main window as a screen reader has it, control by control, after a
// reply that lights both range lamps (400 V low, 48 V high).
class tst_accessibility : public QObject
{
    Q_OBJECT

private slots:
    void screenReaderReadsEveryControl_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QAccessible::Role>("role");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");       // the value text, or the state as words
        QTest::addColumn<QString>("description"); // empty: not looked at
        QTest::addColumn<int>("checked");         // -1: not checkable

        using A = QAccessible;
        const QString none;
        QTest::newRow("CWButton1") << "CWButton1" << A::CheckBox << "Logging On/Off"
                                   << "Off"
                                   << "Off" << 0;
        QTest::newRow("CWButton2") << "CWButton2" << A::CheckBox << "Serial Comms"
                                   << "On"
                                   << "On" << 1;
        QTest::newRow("sts400OK") << "sts400OK" << A::CheckBox << "Ch 1 400 VDC range"
                                  << "Low"
                                  << "Low" << 1;
        QTest::newRow("sts48OK") << "sts48OK" << A::CheckBox << "Ch 2 48 VDC range"
                                 << "High"
                                 << "High" << 1;
        QTest::newRow("agd400VDC") << "agd400VDC" << A::Dial << "Ch 1 400 VDC"
                                   << "0" << none << -1;
        QTest::newRow("agd48VDC") << "agd48VDC" << A::Dial << "Ch 2 48 VDC"
                                  << "58" << none << -1;
        QTest::newRow("txtPlsWdth") << "txtPlsWdth" << A::EditableText << "Pulse Width (us)"
                                    << "10" << none << -1;
        QTest::newRow("txtPlsFreq") << "txtPlsFreq" << A::EditableText << "Pulse Frequency (Hz)"
                                    << "1" << none << -1;
        QTest::newRow("txtCtrCanTemp") << "txtCtrCanTemp" << A::EditableText << "Control Can Temp Deg C"
                                       << "17" << none << -1;
        QTest::newRow("txtLoadCanTemp") << "txtLoadCanTemp" << A::EditableText << "Load Can Temp Deg C"
                                        << "27" << none << -1;
        QTest::newRow("Text1") << "Text1" << A::EditableText << "Raw reply"
                               << "300,290,1,10,0,4000,u,*" << none << -1;
        QTest::newRow("lblCommStatData") << "lblCommStatData" << A::StaticText << "Comm Status: TSupply tripped*"
                                         << none << "TSupply tripped*" << -1;
        QTest::newRow("frFreq") << "frFreq" << A::Grouping << "1PPS Status" << none << none << -1;
        QTest::newRow("frTemp") << "frTemp" << A::Grouping << "Temperature" << none << none << -1;
    }

    void screenReaderReadsEveryControl()
    {
        QFETCH(QString, control);
        QFETCH(QAccessible::Role, role);
        QFETCH(QString, value);
        QFETCH(QString, description);
        QFETCH(int, checked);

        WindowRig rig;
        rig.startHeld();
        rig.tick("300,290,1,10,0,4000,u,*");
        const bool status = control == QLatin1String("lblCommStatData");
        if (status)
            rig.tick("TSupply tripped*");

        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(rig.child(qPrintable(control)));
        QVERIFY(a);
        QCOMPARE(a->role(), role);
        QTEST(a->text(QAccessible::Name), "name");
        if (!value.isEmpty())
            QCOMPARE(a->text(QAccessible::Value), value);
        if (!description.isEmpty())
            QCOMPARE(a->text(QAccessible::Description), description);
        QCOMPARE(a->state().checkable, checked >= 0);
        if (checked >= 0)
            QCOMPARE(bool(a->state().checked), bool(checked));

        // A gauge tells its reading and its scale.
        if (role == QAccessible::Dial) {
            QAccessibleValueInterface *v = a->valueInterface();
            QVERIFY(v);
            QCOMPARE(v->currentValue().toDouble(), value.toDouble());
            QCOMPARE(v->minimumValue().toDouble(), 0.0);
            QCOMPARE(v->maximumValue().toDouble(), control == QLatin1String("agd400VDC") ? 400.0 : 60.0);
        }
    }

    void pressingTheLoggingLampStopsLogging()
    {
        WindowRig rig;
        rig.startHeld();
        rig.window->startLogging(QStringLiteral("shift"));
        QAccessibleInterface *lamp = QAccessible::queryAccessibleInterface(rig.child("CWButton1"));
        QVERIFY(lamp->state().checked);
        QVERIFY(lamp->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
        lamp->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(!rig.window->logging().isOn());
        QVERIFY(!lamp->state().checked);
        QCOMPARE(lamp->text(QAccessible::Value), QStringLiteral("Off"));
    }
};

QTEST_MAIN(tst_accessibility)
#include "tst_accessibility.moc"
