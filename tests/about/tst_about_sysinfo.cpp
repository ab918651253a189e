#include "RecordingLauncher.h"

#include "about/MemoryRegistry.h"
#include "about/SysInfo.h"
#include "ui/MsgBox.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace RegistryKeys;

namespace {
const QByteArray ToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const QByteArray LocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const QString Unavailable = QStringLiteral("System Information Is Unavailable At This Time");
constexpr int Absent = -1;  // value not stored
constexpr int NoKey = -2;   // key not there at all
constexpr int Refused = -3; // key there, opening refused

void makeFile(const QString &path, QFileDevice::Permissions extra = {})
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    QVERIFY(file.setPermissions(file.permissions() | extra));
}

void store(MemoryRegistry &registry, const QByteArray &key, const QByteArray &name, int type, const QByteArray &data)
{
    if (type == NoKey)
        return;
    if (type == Refused) {
        registry.denyAccess(LocalMachine, key);
        return;
    }
    registry.addKey(LocalMachine, key);
    if (type != Absent)
        registry.setValue(LocalMachine, key, name, quint32(type), data);
}
} // namespace

class tst_about_sysinfo : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void getKeyValue_data();
    void getKeyValue();
    void getKeyValueClosesKeyOnError();

    void startSysInfo_data();
    void startSysInfo();

    void normalFile_data();
    void normalFile();

    void systemInfoToolFromSearchPath();
    void processLauncherFailsForMissingProgram();

private:
    QString expand(QByteArray text) const
    {
        return QString::fromLocal8Bit(text.replace("%T", m_dir.path().toLocal8Bit()));
    }

    QTemporaryDir m_dir;
    QStringList m_messages; // "title|text" of every box shown
};

void tst_about_sysinfo::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QDir root(m_dir.path());
    QVERIFY(root.mkpath("tool") && root.mkpath("msdir") && root.mkpath("emptydir")
            && root.mkpath("dirdir/MSINFO32.EXE"));
    makeFile(root.filePath("tool/sysinfo"), QFile::ExeOwner);
    makeFile(root.filePath("msdir/MSINFO32.EXE"), QFile::ExeOwner);
}

void tst_about_sysinfo::init()
{
    m_messages.clear();
    setMsgBoxResponder([this](const QString &text, const QString &title, MsgBoxButtons buttons) {
        m_messages.append(title + '|' + text
                          + (buttons == MsgBoxButtons::OkOnly ? QString() : QStringLiteral("|yes/no")));
        return MsgBoxAnswer::Ok;
    });
}

void tst_about_sysinfo::cleanup()
{
    setMsgBoxResponder({});
}

void tst_about_sysinfo::getKeyValue_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("keyVal"); // KeyVal goes in as "before"

    const QByteArray path = "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe";
    QTest::newRow("text with terminating zero") << int(TypeString) << path + '\0' << true << QString::fromLatin1(path);
    QTest::newRow("text without terminating zero") << int(TypeString) << path << true << QString::fromLatin1(path);
    QTest::newRow("only one zero is cut")
        << int(TypeString) << QByteArray("ab\0\0", 4) << true << QString::fromLatin1("ab\0", 3);
    QTest::newRow("empty text") << int(TypeString) << QByteArray(1, '\0') << true << QString();
    QTest::newRow("text filling the buffer") << int(TypeString) << QByteArray(1024, 'x') << true << QString(1024, 'x');
    QTest::newRow("text one byte too long") << int(TypeString) << QByteArray(1025, 'x') << false << QString();
    QTest::newRow("long text with its zero too long")
        << int(TypeString) << QByteArray(1024, 'x') + '\0' << false << QString();
    QTest::newRow("number") << int(TypeDword) << QByteArray("\x05\x01\x00\x00", 4) << true << QStringLiteral("261");
    QTest::newRow("number with high bytes")
        << int(TypeDword) << QByteArray("\x78\x56\x34\x12", 4) << true << QStringLiteral("305419896");
    QTest::newRow("largest number") << int(TypeDword) << QByteArray(4, '\xff') << true << QStringLiteral("4294967295");
    QTest::newRow("zero") << int(TypeDword) << QByteArray(4, '\0') << true << QStringLiteral("0");
    QTest::newRow("expandable text keeps KeyVal")
        << int(TypeExpandString) << QByteArray("%SystemRoot%\\x.exe", 19) << true << QStringLiteral("before");
    QTest::newRow("binary keeps KeyVal") << 3 << QByteArray("\x01\x02", 2) << true << QStringLiteral("before");
    QTest::newRow("missing value") << Absent << QByteArray() << false << QString();
    QTest::newRow("missing key") << NoKey << QByteArray() << false << QString();
    QTest::newRow("key refused") << Refused << QByteArray() << false << QString();
}

void tst_about_sysinfo::getKeyValue()
{
    QFETCH(int, type);
    QFETCH(QByteArray, data);
    QFETCH(bool, result);
    QFETCH(QString, keyVal);

    MemoryRegistry registry;
    store(registry, ToolKey, "PATH", type, data);
    QString value = QStringLiteral("before");
    QCOMPARE(GetKeyValue(registry, LocalMachine, QString::fromLatin1(ToolKey), QStringLiteral("PATH"), value), result);
    QCOMPARE(value, keyVal);
    QCOMPARE(registry.openKeyCount(), 0);
    QCOMPARE(registry.badCloses(), 0);
    for (quint32 access : registry.accessRequested())
        QCOMPARE(access, AccessMask);
}

void tst_about_sysinfo::getKeyValueClosesKeyOnError()
{
    MemoryRegistry registry;
    registry.setValue(LocalMachine, ToolKey, "PATH", TypeString, QByteArray());
    QString value = QStringLiteral("before");
    QVERIFY_THROWS_EXCEPTION(RegistryError, GetKeyValue(registry, LocalMachine, QString::fromLatin1(ToolKey),
                                                        QStringLiteral("PATH"), value));
    QCOMPARE(registry.openedKeys().size(), 1);
    QCOMPARE(registry.openKeyCount(), 0);
    QCOMPARE(registry.badCloses(), 0);
}

void tst_about_sysinfo::startSysInfo_data()
{
    QTest::addColumn<int>("firstType");
    QTest::addColumn<QByteArray>("firstData");
    QTest::addColumn<int>("secondType");
    QTest::addColumn<QByteArray>("secondData");
    QTest::addColumn<QStringList>("started"); // %T is the fixture directory
    QTest::addColumn<bool>("message");
    QTest::addColumn<bool>("secondConsulted");

    const int sz = int(TypeString);
    const QByteArray tool = "%T/tool/sysinfo";
    const QByteArray msdir = QByteArray("%T/msdir\0", 9);
    const QString msinfo = QStringLiteral("%T/msdir/MSINFO32.EXE");

    QTest::newRow("first value starts the tool")
        << sz << tool + '\0' << sz << msdir << QStringList{"%T/tool/sysinfo"} << false << false;
    QTest::newRow("first value without terminating zero")
        << sz << tool << Absent << QByteArray() << QStringList{"%T/tool/sysinfo"} << false << false;
    QTest::newRow("second names the tool's directory")
        << Absent << QByteArray() << sz << msdir << QStringList{msinfo} << false << true;
    QTest::newRow("second names it with a trailing separator")
        << Absent << QByteArray() << sz << QByteArray("%T/msdir/") << QStringList{"%T/msdir//MSINFO32.EXE"} << false
        << true;
    QTest::newRow("first key missing, second names the directory")
        << NoKey << QByteArray() << sz << msdir << QStringList{msinfo} << false << true;
    QTest::newRow("first key refused, second names the directory")
        << Refused << QByteArray() << sz << msdir << QStringList{msinfo} << false << true;
    QTest::newRow("first too long, second names the directory")
        << sz << QByteArray(1025, 'x') << sz << msdir << QStringList{msinfo} << false << true;
    QTest::newRow("second directory without the tool")
        << Absent << QByteArray() << sz << QByteArray("%T/emptydir") << QStringList{} << true << true;
    QTest::newRow("second directory holds a directory of the tool's name")
        << Absent << QByteArray() << sz << QByteArray("%T/dirdir") << QStringList{} << true << true;
    QTest::newRow("second directory missing")
        << Absent << QByteArray() << sz << QByteArray("%T/nowhere") << QStringList{} << true << true;
    QTest::newRow("neither value") << Absent << QByteArray() << Absent << QByteArray() << QStringList{} << true << true;
    QTest::newRow("neither key") << NoKey << QByteArray() << NoKey << QByteArray() << QStringList{} << true << true;
    QTest::newRow("first names a missing file")
        << sz << QByteArray("%T/tool/missing") << sz << msdir << QStringList{"%T/tool/missing"} << true << false;
    QTest::newRow("first is expandable text")
        << int(TypeExpandString) << tool + '\0' << sz << msdir << QStringList{QString()} << true << false;
    QTest::newRow("first is a number") << int(TypeDword) << QByteArray("\x05\0\0\0", 4) << sz << msdir
                                       << QStringList{"5"} << true << false;
    QTest::newRow("first has no data") << sz << QByteArray() << sz << msdir << QStringList{} << true << false;
    QTest::newRow("second has no data") << Absent << QByteArray() << sz << QByteArray() << QStringList{} << true
                                        << true;
    QTest::newRow("second is a number") << Absent << QByteArray() << int(TypeDword) << QByteArray("\x01\0\0\0", 4)
                                        << QStringList{} << true << true;
}

void tst_about_sysinfo::startSysInfo()
{
    QFETCH(int, firstType);
    QFETCH(QByteArray, firstData);
    QFETCH(int, secondType);
    QFETCH(QByteArray, secondData);
    QFETCH(QStringList, started);
    QFETCH(bool, message);
    QFETCH(bool, secondConsulted);

    MemoryRegistry registry;
    store(registry, ToolKey, "PATH", firstType, firstData.replace("%T", m_dir.path().toLocal8Bit()));
    store(registry, LocationKey, "MSINFO", secondType, secondData.replace("%T", m_dir.path().toLocal8Bit()));
    RecordingLauncher launcher;

    StartSysInfo(registry, launcher);

    for (QString &path : started)
        path = expand(path.toLocal8Bit());
    QCOMPARE(launcher.started, started);
    QCOMPARE(m_messages, message ? QStringList{"VantoGui|" + Unavailable} : QStringList{});
    QCOMPARE(registry.openKeyCount(), 0);
    QCOMPARE(registry.badCloses(), 0);
    QCOMPARE(registry.accessRequested().size(), secondConsulted ? 2 : 1);
    for (quint32 access : registry.accessRequested())
        QCOMPARE(access, AccessMask);
    if (!registry.openedKeys().isEmpty())
        QCOMPARE(registry.openedKeys().constLast(), secondConsulted ? LocationKey : ToolKey);
}

void tst_about_sysinfo::normalFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("normal");

    QTest::newRow("file") << "msdir/MSINFO32.EXE" << true;
    QTest::newRow("other case") << "msdir/msinfo32.exe" << false;
    QTest::newRow("directory") << "dirdir/MSINFO32.EXE" << false;
    QTest::newRow("missing") << "emptydir/MSINFO32.EXE" << false;
    QTest::newRow("hidden") << "tool/.hidden" << false;
}

void tst_about_sysinfo::normalFile()
{
    QFETCH(QString, path);
    QFETCH(bool, normal);
    const QString hidden = QDir(m_dir.path()).filePath("tool/.hidden");
    if (!QFile::exists(hidden))
        makeFile(hidden);
    QCOMPARE(isNormalFile(QDir(m_dir.path()).filePath(path)), normal);
}

void tst_about_sysinfo::systemInfoToolFromSearchPath()
{
    QTemporaryDir first, second;
    QVERIFY(first.isValid() && second.isValid());
    // Not executable: the search passes over it.
    makeFile(QDir(first.path()).filePath("hardinfo2"));
    makeFile(QDir(first.path()).filePath("lshw-gtk"), QFile::ExeOwner);
    makeFile(QDir(second.path()).filePath("kinfocenter"), QFile::ExeOwner);
    const QStringList searchPaths{first.path(), second.path()};
    const QString expected = QDir(second.path()).filePath("kinfocenter");
    QCOMPARE(findSystemInfoTool(searchPaths), expected);

    MemoryRegistry registry;
    registerSystemInfoTool(registry, searchPaths);
    RecordingLauncher launcher;
    StartSysInfo(registry, launcher);
    QCOMPARE(launcher.started, QStringList{expected});
    QVERIFY(m_messages.isEmpty());

    MemoryRegistry bare;
    QTemporaryDir nothing;
    registerSystemInfoTool(bare, {nothing.path()});
    StartSysInfo(bare, launcher);
    QCOMPARE(launcher.started.size(), 1);
    QCOMPARE(m_messages, QStringList{"VantoGui|" + Unavailable});
}

void tst_about_sysinfo::processLauncherFailsForMissingProgram()
{
    ProcessLauncher launcher;
    QVERIFY(!launcher.start(QDir(m_dir.path()).filePath("tool/missing")));
    QVERIFY(!launcher.start(QString()));
    const QString trueProgram = QStandardPaths::findExecutable("true");
    if (trueProgram.isEmpty())
        QSKIP("no 'true' program on the search path");
    QVERIFY(launcher.start(trueProgram));
}

QTEST_GUILESS_MAIN(tst_about_sysinfo)
#include "tst_about_sysinfo.moc"
