#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

namespace {

// One top-level window as the X server holds it for a window manager and a
// task bar to read.
struct XWindow
{
    QString id;
    QString wmName;  // WM_NAME
    QString netName; // _NET_WM_NAME, what title bars show
    QStringList types;
    QStringList states;
    bool transient = false;

    // What EWMH task bars go by: a utility window, or one that asks to be
    // skipped, has no button of its own.
    bool inTaskBar() const
    {
        return !states.contains(QLatin1String("_NET_WM_STATE_SKIP_TASKBAR"))
               && !types.contains(QLatin1String("_NET_WM_WINDOW_TYPE_UTILITY"));
    }
};

QString run(const QString &program, const QStringList &arguments, const QProcessEnvironment &env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString quoted(const QString &xprop, const char *property)
{
    const QRegularExpression line(QStringLiteral("^%1 = \"(.*)\"$").arg(QLatin1String(property)),
                                  QRegularExpression::MultilineOption);
    return line.match(xprop).captured(1);
}

QStringList atoms(const QString &xprop, const char *property)
{
    const QRegularExpression line(QStringLiteral("^%1 = (.*)$").arg(QLatin1String(property)),
                                  QRegularExpression::MultilineOption);
    const QString list = line.match(xprop).captured(1);
    return list.isEmpty() ? QStringList() : list.split(QStringLiteral(", "));
}

} // namespace

// The real binary on a real X server (Xvfb, no window manager): the titles and
// task bar hints as the window manager receives them, where Qt would append
// an application display name.
class tst_desktop : public QObject
{
    Q_OBJECT

    QProcess m_server;
    QProcessEnvironment m_env;

    std::vector<XWindow> windows() const
    {
        std::vector<XWindow> found;
        const QString ids
            = run(QStringLiteral("xdotool"), {"search", "--maxdepth", "1", "--onlyvisible", "--name", "."}, m_env);
        for (const QString &id : ids.split(u'\n', Qt::SkipEmptyParts)) {
            const QString xprop = run(QStringLiteral("xprop"),
                                      {"-id", id, "-notype", "WM_NAME", "_NET_WM_NAME", "_NET_WM_WINDOW_TYPE",
                                       "_NET_WM_STATE", "WM_TRANSIENT_FOR"},
                                      m_env);
            found.push_back({id, quoted(xprop, "WM_NAME"), quoted(xprop, "_NET_WM_NAME"),
                             atoms(xprop, "_NET_WM_WINDOW_TYPE"), atoms(xprop, "_NET_WM_STATE"),
                             xprop.contains(QLatin1String("WM_TRANSIENT_FOR: window id"))});
        }
        return found;
    }

    std::optional<XWindow> window(const QString &title) const
    {
        for (const XWindow &w : windows())
            if (w.netName == title || w.wmName == title)
                return w;
        return std::nullopt;
    }

    // Waits for the window and gives it the keys (xdotool's key names); a
    // window that doesn't come is returned without names.
    XWindow keys(const QString &title, const QStringList &keys)
    {
        std::optional<XWindow> w;
        if (!QTest::qWaitFor([&] { return bool(w = window(title)); }, 10000))
            return {};
        // Windows shown together settle first: the last one shown takes the
        // focus. The keys go to the focus as typed ones do (chained to the
        // focusing, xdotool would send them as synthetic events).
        run(QStringLiteral("xdotool"), {"sleep", "0.5", "windowfocus", "--sync", w->id}, m_env);
        QStringList typing;
        for (const QString &key : keys)
            typing << "key" << key << "sleep"
                   << "0.2";
        run(QStringLiteral("xdotool"), typing, m_env);
        return *w;
    }

private slots:
    void initTestCase()
    {
        for (const char *tool : {"Xvfb", "xdotool", "xprop"})
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                QSKIP("needs Xvfb, xdotool and xprop (scripts/install-deps installs them)");
        // The server writes its display number once it takes clients.
        m_server.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x800x24"});
        QVERIFY(m_server.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(m_server.canReadLine(), 10000);
        const QString display = QString::fromLatin1(m_server.readLine()).trimmed();
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("DISPLAY"), u':' + display);
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    }

    void cleanupTestCase()
    {
        m_server.terminate();
        m_server.waitForFinished(5000);
    }

    void titlesAndTaskBarAsSpecified()
    {
        // A port that isn't there opens every box on the way; no system
        // information tool on the path gives the untitled box.
        QTemporaryDir home;
        QProcessEnvironment env = m_env;
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("PATH"), home.path());
        QProcess tool;
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral(VANTO_TOOL_BINARY), {QStringLiteral("--port"), "1=" + home.filePath("missing")});
        QVERIFY(tool.waitForStarted());

        QStringList seen; // every title, as WM_NAME and _NET_WM_NAME show it
        const auto note = [&seen](const XWindow &w) { seen << w.wmName + " | " + w.netName; };
        note(keys("Communication error", {"Return"}));
        keys("Communication Setup", {"End", "BackSpace", "9", "Tab", "space"});
        note(keys("Bad Port Value", {"Return"}));
        keys("Communication error", {"Return"}); // the missing port, reopened
        // "About" on the menu bar (after File, Communication, Trends, Line, Alarms and Port Test…), then
        // its "System Info..." (Alt+S).
        const auto main = window("VANTO Port Testing Diagnostics Tool");
        QVERIFY(main);
        note(*main);
        run(QStringLiteral("xdotool"), {"windowraise", main->id, "mousemove", "--window", main->id, "348", "10"},
            m_env);
        run(QStringLiteral("xdotool"), {"click", "1"}, m_env);
        note(keys("About VantoGui", {"alt+s"}));
        note(keys("VantoGui", {"Return"}));
        keys("VANTO Port Testing Diagnostics Tool", {"ctrl+l"});
        note(keys("Log File selection/creation", {"space"}));
        note(keys("No File Name", {"Escape"}));

        QCOMPARE(seen, (QStringList{"Communication error | Communication error", "Bad Port Value | Bad Port Value",
                                    "VANTO Port Testing Diagnostics Tool | VANTO Port Testing Diagnostics Tool",
                                    "About VantoGui | About VantoGui", "VantoGui | VantoGui",
                                    "Log File selection/creation | Log File selection/creation",
                                    "No File Name | No File Name"}));

        // The port setup dialog has a task bar button; the log file dialog and
        // the about box, tool windows held to the tool, don't.
        QTRY_VERIFY(!window("No File Name"));
        QStringList taskBar;
        for (const char *title : {"VANTO Port Testing Diagnostics Tool", "Communication Setup",
                                  "Log File selection/creation", "About VantoGui"}) {
            const auto w = window(QLatin1String(title));
            QVERIFY2(w, title);
            taskBar << QStringLiteral("%1: %2%3")
                           .arg(QLatin1String(title), w->inTaskBar() ? "in" : "out", w->transient ? ", transient" : "");
        }
        QCOMPARE(taskBar,
                 (QStringList{"VANTO Port Testing Diagnostics Tool: in", "Communication Setup: in",
                              "Log File selection/creation: out, transient", "About VantoGui: out, transient"}));

        tool.terminate();
        QVERIFY(tool.waitForFinished(5000));
    }
};

QTEST_GUILESS_MAIN(tst_desktop)
#include "tst_desktop.moc"
