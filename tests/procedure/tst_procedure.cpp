#include "procedure/ProcedureEngine.h"
#include "procedure/ProcedureFile.h"

#include <QtTest>

#include <map>

namespace {
// The run as a procedure sees it, on a clock the test moves: readings are
// current or not as the test says, the toggles are counted.
struct FakeRun : ProcedureRun
{
    qint64 now = 0;
    std::map<Quantity, std::optional<double>> values;
    std::optional<qint64> replyAge = 0;
    std::vector<std::pair<qint64, bool>> polls; // when, answered
    char commanded = 'u';
    bool pps = false;
    bool fast = false;
    QString refusal;
    int loadToggles = 0;
    int ppsToggles = 0;
    int rateToggles = 0;
    std::vector<EventKind> events;
    QStringList texts;

    qint64 nowMs() const override { return now; }
    std::optional<double> value(Quantity q, qint64 sinceMs) const override
    {
        if (q == Quantity::ReplyShare) {
            int n = 0, answered = 0;
            for (const auto &[at, ok] : polls)
                if (at >= sinceMs) {
                    ++n;
                    answered += ok;
                }
            return n ? std::optional<double>(100.0 * answered / n) : std::nullopt;
        }
        const auto v = values.find(q);
        return v == values.end() ? std::nullopt : v->second;
    }
    std::optional<qint64> lastReplyAgeMs() const override { return replyAge; }
    char loadCommanded() const override { return commanded; }
    bool ppsOn() const override { return pps; }
    bool fastRate() const override { return fast; }
    QString toggleLoad() override
    {
        ++loadToggles;
        if (refusal.isEmpty())
            commanded = commanded == 'l' ? 'u' : 'l';
        return refusal;
    }
    void toggle1PPS() override
    {
        ++ppsToggles;
        pps = !pps;
    }
    void toggleRate() override
    {
        ++rateToggles;
        fast = !fast;
    }
    void recordEvent(EventKind kind, const QString &text) override
    {
        events.push_back(kind);
        texts << text;
    }
};

struct Rig
{
    FakeRun run;
    ProcedureEngine engine;

    explicit Rig(const char *toml)
        : engine(parsed(toml), run)
    { }
    static Procedure parsed(const char *toml)
    {
        const ProcedureLoad load = parseProcedure(QByteArray("name = \"t\"\nversion = \"1\"\n") + toml, "t.toml");
        for (const ProcedureFault &f : load.faults)
            qWarning("%s", qPrintable(f.toString()));
        return load.procedure;
    }
    // Polls for ms at 4 a second, each answered while the reply is current.
    void polls(qint64 ms)
    {
        for (qint64 end = run.now + ms; run.now < end;) {
            run.now += 250;
            const bool answered = run.replyAge.has_value() && *run.replyAge == 0;
            run.polls.push_back({run.now, answered});
            if (run.replyAge && !answered)
                *run.replyAge += 250;
            engine.advance();
        }
    }
    void set(Quantity q, std::optional<double> v) { run.values[q] = v; }
};

const char *const SupplyCheck = R"(
[[step]]
kind = "check"
text = "supply"
readings = [{ name = "supply_400", min = 338, max = 412 }]
hold = 2
timeout = 3
[[step]]
kind = "command"
command = "load_off"
)";

const char *const LoadOn = R"(
[[step]]
kind = "command"
command = "load_on"
confirm = 2
)";

const char *const Supplies = R"(
[[step]]
kind = "instruct"
text = "Switch both supplies off at the node"
until = [{ name = "supply_400", max = 40 }]
timeout = 5
)";

const char *const Meter = R"(
[[step]]
kind = "record"
text = "Meter"
field = "meter"
min = 10
max = 12
)";

const char *const Share = R"(
[[step]]
kind = "check"
text = "link"
readings = [{ name = "reply_share", min = 95 }]
hold = 10
timeout = 20
)";
} // namespace

class tst_procedure : public QObject
{
    Q_OBJECT

private slots:
    void faults_data();
    void faults();
    void defaultProcedureReads();
    void engine_data();
    void engine();
};

void tst_procedure::faults_data()
{
    QTest::addColumn<QByteArray>("toml");
    QTest::addColumn<QStringList>("want"); // every fault, as printed

    const QByteArray head = "name = \"p\"\nversion = \"1\"\n";
    QTest::newRow("bad TOML") << QByteArray("name = \"p\nversion = 1") << QStringList{"x.toml:1:10: "};
    QTest::newRow("no name, no steps") << QByteArray("version = \"1\"")
                                       << QStringList{"x.toml:1:1: missing name", "x.toml:1:1: no [[step]]"};
    QTest::newRow("unknown kind") << head + "[[step]]\nkind = \"wait\"\ntext = \"t\""
                                  << QStringList{"x.toml:4:8: step 1: unknown step kind 'wait'"};
    QTest::newRow("unknown reading, second step") << head
                                                         + "[[step]]\nkind = \"command\"\ncommand = \"pps_on\"\n"
                                                           "[[step]]\nkind = \"check\"\ntext = \"t\"\ntimeout = 5\n"
                                                           "readings = [{ name = \"ch3_volts\", max = 1 }]"
                                                  << QStringList{"x.toml:10:22: step 2: unknown reading 'ch3_volts'"};
    QTest::newRow("minimum above maximum") << head
                                                  + "[[step]]\nkind = \"check\"\ntext = \"t\"\ntimeout = 5\n"
                                                    "readings = [{ name = \"supply_48\", min = 53, max = 43 }]"
                                           << QStringList{"x.toml:7:41: step 1: minimum 53 above maximum 43"};
    QTest::newRow("missing text, empty text")
        << head + "[[step]]\nkind = \"instruct\"\n[[step]]\nkind = \"record\"\ntext = \" \""
        << QStringList{"x.toml:3:1: step 1: missing text", "x.toml:5:1: step 2: missing text"};
    QTest::newRow("command the tool doesn't have") << head + "[[step]]\nkind = \"command\"\ncommand = \"reboot\""
                                                   << QStringList{"x.toml:5:11: step 1: unknown command 'reboot'"};
    QTest::newRow("hold longer than timeout")
        << head
               + "[[step]]\nkind = \"check\"\ntext = \"t\"\nhold = 31\ntimeout = 30\n"
                 "readings = [{ name = \"reply_share\", min = 95 }]"
        << QStringList{"x.toml:6:8: step 1: hold 31 s longer than its timeout 30 s"};
    QTest::newRow("check without timeout or readings, misspelt key")
        << head + "[[step]]\nkind = \"check\"\ntext = \"t\"\nholdd = 3"
        << QStringList{"x.toml:6:9: step 1: unknown key 'holdd'", "x.toml:3:1: step 1: a check without readings",
                       "x.toml:3:1: step 1: a check without a timeout"};
    QTest::newRow("limits: none, wrong type, load state")
        << head
               + "[[step]]\nkind = \"check\"\ntext = \"t\"\ntimeout = 5\n"
                 "readings = [{ name = \"supply_48\" }, { name = \"pulse_width\", min = \"5\" },"
                 " { name = \"load_state\", state = \"on\" }]"
        << QStringList{"x.toml:7:13: step 1: reading 'supply_48' has no limit",
                       "x.toml:7:67: step 1: 'min' is not a number",
                       "x.toml:7:37: step 1: reading 'pulse_width' has no limit",
                       "x.toml:7:74: step 1: load_state wants state = \"loaded\" or \"unloaded\""};
    QTest::newRow("good") << head + "[[step]]\nkind = \"command\"\ncommand = \"load_on\"" << QStringList{};
}

void tst_procedure::faults()
{
    QFETCH(QByteArray, toml);
    QFETCH(QStringList, want);
    const ProcedureLoad load = parseProcedure(toml, QStringLiteral("x.toml"));
    QStringList got;
    for (const ProcedureFault &f : load.faults)
        got << f.toString();
    QCOMPARE(load.ok(), want.isEmpty());
    // A bad TOML's text is toml++'s own: only where it points is ours.
    if (QTest::currentDataTag() == QByteArray("bad TOML")) {
        QCOMPARE(got.size(), 1);
        QVERIFY2(got.front().startsWith(want.front()), qPrintable(got.front()));
        return;
    }
    QCOMPARE(got, want);
}

void tst_procedure::defaultProcedureReads()
{
    const ProcedureLoad load
        = loadProcedure(QStringLiteral(VANTO_SOURCE_DIR "/procedures/science-port-acceptance.toml"));
    QVERIFY(load.ok());
    QCOMPARE(load.procedure.name, QStringLiteral("Science port acceptance"));
    QCOMPARE(load.procedure.steps.size(), std::size_t(12));
    const Step &supplies = load.procedure.steps[6];
    QCOMPARE(supplies.limits.size(), std::size_t(2));
    QCOMPARE(supplies.limits[0].text(), QStringLiteral("338 – 412 V"));
    QCOMPARE(supplies.limits[1].text(), QStringLiteral("43 – 53 V"));
    QCOMPARE(supplies.holdS, 10.0);
}

using Drive = std::function<void(Rig &)>;
Q_DECLARE_METATYPE(Drive)

void tst_procedure::engine_data()
{
    QTest::addColumn<QByteArray>("toml");
    QTest::addColumn<Drive>("drive");
    QTest::addColumn<int>("state");      // RunState
    QTest::addColumn<QString>("reason"); // of the failed step, a part of it
    QTest::addColumn<int>("loadToggles");

    const auto supply = [](double v) {
        return [v](Rig &r) {
            r.set(Quantity::LoadState, 'u');
            r.engine.start();
            r.set(Quantity::Supply400, v);
            r.polls(4000);
        };
    };
    QTest::newRow("held for its hold: passes, then the load command goes")
        << QByteArray(SupplyCheck) << Drive(supply(375)) << int(RunState::Passed) << QString() << 0;
    QTest::newRow("at the maximum: within")
        << QByteArray(SupplyCheck) << Drive(supply(412)) << int(RunState::Passed) << QString() << 0;
    QTest::newRow("never within: times out, nothing sent after")
        << QByteArray(SupplyCheck) << Drive(supply(412.5)) << int(RunState::Failed)
        << QStringLiteral("not held for 2 s within 3 s: supply_400 412.5 V, wanted 338 – 412 V") << 0;
    const auto oneBadPoll = [](std::optional<double> bad) {
        return [bad](Rig &r) {
            r.engine.start();
            r.set(Quantity::Supply400, 375);
            r.polls(1500);
            r.set(Quantity::Supply400, bad);
            r.polls(250);
            r.set(Quantity::Supply400, 375);
            r.polls(4000);
        };
    };
    QTest::newRow("one stale reading breaks the hold")
        << QByteArray(SupplyCheck) << Drive(oneBadPoll(std::nullopt)) << int(RunState::Failed)
        << QStringLiteral("supply_400 not current") << 0;
    QTest::newRow("one reading out of range breaks the hold")
        << QByteArray(SupplyCheck) << Drive(oneBadPoll(337.9)) << int(RunState::Failed)
        << QStringLiteral("supply_400 337.9 V") << 0;
    QTest::newRow("passes on the poll that completes the hold, before its timeout")
        << QByteArray(SupplyCheck) << Drive([](Rig &r) {
               r.set(Quantity::LoadState, 'u');
               r.engine.start();
               r.polls(500); // not current yet
               r.set(Quantity::Supply400, 375);
               r.polls(2000);
               QCOMPARE(r.engine.results()[0].state, StepState::Running);
               r.polls(250);
               QCOMPARE(r.engine.results()[0].state, StepState::Passed);
               const Measured &m = r.engine.results()[0].measured[0];
               QCOMPARE(m.count, 9);
               QCOMPARE(m.mean(), 375.0);
           })
        << int(RunState::Passed) << QString() << 0;

    QTest::newRow("load refused: the interlock's own text") << QByteArray(LoadOn) << Drive([](Rig &r) {
        r.run.refusal = QStringLiteral("The hardware senses the load as powered");
        r.engine.start();
        r.polls(3000);
    }) << int(RunState::Failed) << QStringLiteral("The hardware senses the load as powered")
                                                            << 1;
    QTest::newRow("load confirmed by the controller") << QByteArray(LoadOn) << Drive([](Rig &r) {
        r.set(Quantity::LoadState, 'u');
        r.engine.start();
        r.polls(1000);
        QCOMPARE(r.engine.state(), RunState::Running);
        r.set(Quantity::LoadState, 'l');
        r.polls(250);
    }) << int(RunState::Passed) << QString() << 1;
    QTest::newRow("load not confirmed within confirm") << QByteArray(LoadOn) << Drive([](Rig &r) {
        r.set(Quantity::LoadState, 'u');
        r.engine.start();
        r.polls(1750);
        QCOMPARE(r.engine.state(), RunState::Running);
        r.polls(250);
    }) << int(RunState::Failed) << QStringLiteral("did not report the load loaded within 2 s (unloaded)")
                                                       << 1;
    QTest::newRow("load already commanded: not toggled back") << QByteArray(LoadOn) << Drive([](Rig &r) {
        r.run.commanded = 'l';
        r.set(Quantity::LoadState, 'l');
        r.engine.start();
    }) << int(RunState::Passed) << QString() << 0;

    QTest::newRow("abort: stops at once, the command after never goes") << QByteArray(SupplyCheck) << Drive([](Rig &r) {
        r.engine.start();
        r.polls(1000);
        r.engine.abort(QStringLiteral("the operator aborted"));
        r.set(Quantity::Supply400, 375);
        r.polls(5000);
        QCOMPARE(r.engine.results()[1].state, StepState::Skipped);
    }) << int(RunState::Aborted) << QStringLiteral("aborted: the operator aborted")
                                                                        << 0;
    QTest::newRow("link silent longer than link_lost: aborted") << QByteArray(Meter) << Drive([](Rig &r) {
        r.engine.start();
        r.run.replyAge = 250;
        r.polls(9750);
        QCOMPARE(r.engine.state(), RunState::Running);
        r.polls(250);
    }) << int(RunState::Aborted) << QStringLiteral("no reply from the controller for more than 10 s")
                                                                << 0;
    QTest::newRow("no reply ever: aborted after link_lost") << QByteArray(Meter) << Drive([](Rig &r) {
        r.run.replyAge.reset();
        r.engine.start();
        r.polls(10250);
    }) << int(RunState::Aborted) << QStringLiteral("no reply")
                                                            << 0;

    QTest::newRow("instruct: Continue only once the condition holds") << QByteArray(Supplies) << Drive([](Rig &r) {
        r.engine.start();
        QVERIFY(!r.engine.canContinue()); // not current
        QVERIFY(!r.engine.continueStep().isEmpty());
        r.set(Quantity::Supply400, 41);
        r.polls(250);
        QVERIFY(!r.engine.canContinue());
        r.set(Quantity::Supply400, 40);
        QVERIFY(r.engine.canContinue());
        QCOMPARE(r.engine.continueStep(), QString());
    }) << int(RunState::Passed) << QString() << 0;
    QTest::newRow("instruct: times out") << QByteArray(Supplies) << Drive([](Rig &r) {
        r.engine.start();
        r.set(Quantity::Supply400, 375);
        r.polls(4750);
        QCOMPARE(r.engine.timeLeftMs(), std::optional<qint64>(250));
        r.polls(250);
    }) << int(RunState::Failed) << QStringLiteral("timed out after 5 s: supply_400 375 V, wanted ≤ 40 V")
                                         << 0;

    QTest::newRow("record: a number inside its limits") << QByteArray(Meter) << Drive([](Rig &r) {
        r.engine.start();
        QVERIFY(!r.engine.continueStep(QStringLiteral(" ")).isEmpty());
        QVERIFY(!r.engine.continueStep(QStringLiteral("eleven")).isEmpty());
        QVERIFY(!r.engine.continueStep(QStringLiteral("nan")).isEmpty());
        QCOMPARE(r.engine.state(), RunState::Running);
        QCOMPARE(r.engine.continueStep(QStringLiteral("12")), QString());
        QCOMPARE(r.engine.entered(QStringLiteral("meter")), QStringLiteral("12"));
    }) << int(RunState::Passed) << QString() << 0;
    QTest::newRow("record: outside its limits fails") << QByteArray(Meter) << Drive([](Rig &r) {
        r.engine.start();
        r.engine.continueStep(QStringLiteral("12.5"));
    }) << int(RunState::Failed) << QStringLiteral("12.5 outside 10 – 12")
                                                      << 0;

    QTest::newRow("reply share over the hold: every poll answered") << QByteArray(Share) << Drive([](Rig &r) {
        r.engine.start();
        r.polls(10000);
    }) << int(RunState::Passed) << QString() << 0;
    QTest::newRow("reply share below its minimum") << QByteArray(Share) << Drive([](Rig &r) {
        r.engine.start();
        for (int i = 0; i < 80; ++i) {
            r.polls(250);
            r.run.polls.back().second = i % 10 != 0; // 90 %
        }
    }) << int(RunState::Failed) << QStringLiteral("outside ≥ 95 %")
                                                   << 0;
}

void tst_procedure::engine()
{
    QFETCH(QByteArray, toml);
    QFETCH(Drive, drive);
    QFETCH(int, state);
    QFETCH(QString, reason);
    QFETCH(int, loadToggles);

    Rig rig(toml.constData());
    QVERIFY(!rig.engine.procedure().steps.empty());
    drive(rig);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(int(rig.engine.state()), state);
    QCOMPARE(rig.run.loadToggles, loadToggles);

    QString failedReason;
    int judged = 0;
    for (const StepResult &r : rig.engine.results()) {
        QVERIFY(r.state != StepState::Running && r.state != StepState::Pending);
        judged += r.state == StepState::Passed || r.state == StepState::Failed;
        if (r.state == StepState::Failed)
            failedReason = r.reason;
    }
    QVERIFY2(failedReason.contains(reason) && reason.isEmpty() == failedReason.isEmpty(), qPrintable(failedReason));

    // Every procedure event went into the record: the start, each verdict, the end.
    const auto &events = rig.run.events;
    QCOMPARE(events.front(), EventKind::ProcedureStarted);
    QCOMPARE(events.back(), state == int(RunState::Aborted) ? EventKind::ProcedureAborted : EventKind::ProcedureEnded);
    const int verdicts = int(std::count(events.begin(), events.end(), EventKind::ProcedureStep));
    QCOMPARE(verdicts + (state == int(RunState::Aborted)), judged);
}

QTEST_GUILESS_MAIN(tst_procedure)
#include "tst_procedure.moc"
