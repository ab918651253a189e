#include "telemetry/NumberText.h"
#include "telemetry/ReplyDecoder.h"

#include <QtTest>

Q_DECLARE_METATYPE(DecodedReply)

namespace {

template<typename T, typename Show>
QString member(const char *name, const std::optional<T> &value, Show show)
{
    return QStringLiteral("%1=%2\n").arg(QLatin1String(name), value ? show(*value) : QStringLiteral("<unchanged>"));
}

QString showLamp(const LampLook &l)
{
    return QStringLiteral("%1 \"%2\"").arg(l.lit ? "lit" : "unlit", l.text);
}

// One line per member, so a failed comparison shows exactly which control differs.
QString describe(const DecodedReply &r)
{
    const auto text = [](const QString &s) { return '"' + s + '"'; };
    const auto number = [](double v) { return QString::number(v, 'g', 17); };
    QString d;
    d += QStringLiteral("Text1=\"%1\"\nlblCommStatData=\"%2\"\n").arg(r.Text1, r.lblCommStatData);
    d += member("txtLoadCanTemp", r.txtLoadCanTemp, text);
    d += member("txtCtrCanTemp", r.txtCtrCanTemp, text);
    d += member("txtPlsWdth", r.txtPlsWdth, text);
    d += member("txtPlsFreq", r.txtPlsFreq, text);
    d += member("lbl400VDC", r.lbl400VDC, text);
    d += member("lbl48VDC", r.lbl48VDC, text);
    d += member("cmdLoaded", r.cmdLoaded,
                [](const ButtonLook &b) { return QStringLiteral("\"%1\" %2").arg(b.Caption, b.BackColor.name()); });
    d += member("agd400VDC", r.agd400VDC, number);
    d += QStringLiteral("strLogLine=\"%1\"\n").arg(r.strLogLine);
    d += member("sts400OK", r.sts400OK, showLamp);
    d += member("agd48VDC", r.agd48VDC, number);
    d += member("sts48OK", r.sts48OK, showLamp);
    return d;
}

const LampLook Ok{false, QStringLiteral("OK")};
const LampLook Low{true, QStringLiteral("Low")};
const LampLook High{true, QStringLiteral("High")};
const ButtonLook Unloaded{QStringLiteral("Unloaded"), QString(), QColor(0, 255, 0)};
const ButtonLook Loaded{QStringLiteral("Loaded"), QString(), QColor(255, 0, 0)};

DecodedReply only(const QString &reply, const QString &status)
{
    DecodedReply r;
    r.Text1 = reply;
    r.lblCommStatData = status;
    return r;
}

// A reply decoded to its end.
DecodedReply full(const QString &reply, const QString &loadT, const QString &ctrT, const QString &width,
                  const QString &freq, int v400, int v48, std::optional<ButtonLook> load, LampLook lamp400,
                  LampLook lamp48)
{
    DecodedReply r = only(reply, QString());
    r.txtLoadCanTemp = loadT;
    r.txtCtrCanTemp = ctrT;
    r.txtPlsWdth = width;
    r.txtPlsFreq = freq;
    r.lbl400VDC = QString::number(v400);
    r.lbl48VDC = QString::number(v48);
    r.cmdLoaded = load;
    r.agd400VDC = v400;
    r.sts400OK = lamp400;
    r.agd48VDC = v48;
    r.sts48OK = lamp48;
    return r;
}

const QString Worked = QStringLiteral("300,290,1,10,3840,3277,u,*");

DecodedReply worked(const QString &reply = Worked)
{
    return full(reply, "27", "17", "10", "1", 375, 48, Unloaded, Ok, Ok);
}

} // namespace

class tst_decoder : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void decodes_data()
    {
        QTest::addColumn<QStringList>("earlier");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<DecodedReply>("expected");

        QTest::newRow("worked example") << QStringList() << Worked << worked();
        QTest::newRow("fractional kelvin")
            << QStringList() << "300.15,290,1,10,3840,3277,u,*"
            << full("300.15,290,1,10,3840,3277,u,*", "27.15", "17", "10", "1", 375, 48, Unloaded, Ok, Ok);
        QTest::newRow("blanks around numbers")
            << QStringList() << " 300 ,290\t,1,10, 3840,3277 ,u,*"
            << full(" 300 ,290\t,1,10, 3840,3277 ,u,*", "27", "17", "10", "1", 375, 48, Unloaded, Ok, Ok);
        QTest::newRow("loaded echo") << QStringList() << "300,290,1,10,3840,3277,l,*"
                                     << full("300,290,1,10,3840,3277,l,*", "27", "17", "10", "1", 375, 48, Loaded, Ok,
                                             Ok);
        QTest::newRow("load field is case-sensitive")
            << QStringList() << "300,290,1,10,3840,3277,U,*"
            << full("300,290,1,10,3840,3277,U,*", "27", "17", "10", "1", 375, 48, std::nullopt, Ok, Ok);
        QTest::newRow("empty field skipped")
            << QStringList() << "300,,290,1,10,3840,3277,u,*" << worked("300,,290,1,10,3840,3277,u,*");
        QTest::newRow("nine fields: the ninth ignored")
            << QStringList() << "300,290,1,10,3840,3277,u,x,abc,*" << worked("300,290,1,10,3840,3277,u,x,abc,*");
        QTest::newRow("text after the last comma is no field")
            << QStringList() << "300,290,1,10,3840,3277,u*"
            << full("300,290,1,10,3840,3277,u*", "27", "17", "10", "1", 375, 48, std::nullopt, Ok, Ok);

        // Short replies reuse what earlier replies stored.
        QTest::newRow("six fields, first reply: load button left alone")
            << QStringList() << "300,290,1,10,3840,3277,*"
            << full("300,290,1,10,3840,3277,*", "27", "17", "10", "1", 375, 48, std::nullopt, Ok, Ok);
        QTest::newRow("six fields after a loaded reply")
            << QStringList{"300,290,1,10,3840,3277,l,*"} << "301,291,1,10,3840,3277,*"
            << full("301,291,1,10,3840,3277,*", "28", "18", "10", "1", 375, 48, Loaded, Ok, Ok);
        QTest::newRow("single field after a full reply")
            << QStringList{Worked} << "310,*" << full("310,*", "37", "17", "10", "1", 375, 48, Unloaded, Ok, Ok);
        QTest::newRow("trailing empty field blanks the stored load state")
            << QStringList{Worked} << "300,290,1,10,3840,3277,,*"
            << full("300,290,1,10,3840,3277,,*", "27", "17", "10", "1", 375, 48, std::nullopt, Ok, Ok);

        // A bad field stops the decoding where it is met.
        DecodedReply single = only("300,*", ReplyDecoder::BadData);
        single.txtLoadCanTemp = "27";
        QTest::newRow("single field, first reply") << QStringList() << "300,*" << single;
        QTest::newRow("bad first field") << QStringList{Worked} << "abc,290,1,10,3840,3277,u,*"
                                         << only("abc,290,1,10,3840,3277,u,*", ReplyDecoder::BadData);
        DecodedReply bad4 = only("300,290,1,10,abc,3277,u,*", ReplyDecoder::BadData);
        bad4.txtLoadCanTemp = "27";
        bad4.txtCtrCanTemp = "17";
        bad4.txtPlsWdth = "10";
        bad4.txtPlsFreq = "1";
        QTest::newRow("bad field 4 after good fields") << QStringList() << bad4.Text1 << bad4;
        for (const char *word : {"inf", "nan", "-inf", "1e999"}) {
            DecodedReply bad5 = bad4;
            bad5.Text1 = QStringLiteral("300,290,1,10,3840,%1,u,*").arg(word);
            bad5.lbl400VDC = "375";
            QTest::addRow("non-finite field 5: %s", word) << QStringList() << bad5.Text1 << bad5;
        }
        QTest::newRow("blank first field, first reply")
            << QStringList() << " ,290,*" << only(" ,290,*", ReplyDecoder::BadData);

        // Volts and range lamps, limits inside the range.
        const auto volts = [](int count400, int count48, int v400, int v48, LampLook l400, LampLook l48) {
            const QString reply = QStringLiteral("300,290,1,10,%1,%2,u,*").arg(count400).arg(count48);
            return full(reply, "27", "17", "10", "1", v400, v48, Unloaded, l400, l48);
        };
        QTest::newRow("count 4095") << QStringList() << "300,290,1,10,4095,4095,u,*"
                                    << volts(4095, 4095, 399, 59, Ok, High);
        QTest::newRow("count 0") << QStringList() << "300,290,1,10,0,0,u,*" << volts(0, 0, 0, 0, Low, Low);
        QTest::newRow("count -0") << QStringList() << "300,290,1,10,-0,-0,u,*"
                                  << full("300,290,1,10,-0,-0,u,*", "27", "17", "10", "1", 0, 0, Unloaded, Low, Low);
        QTest::newRow("just below") << QStringList() << "300,290,1,10,3461,2935,u,*"
                                    << volts(3461, 2935, 337, 42, Low, Low);
        QTest::newRow("lower limits") << QStringList() << "300,290,1,10,3462,2936,u,*"
                                      << volts(3462, 2936, 338, 43, Ok, Ok);
        QTest::newRow("upper limits") << QStringList() << "300,290,1,10,4229,3686,u,*"
                                      << volts(4229, 3686, 412, 53, Ok, Ok);
        QTest::newRow("just above") << QStringList() << "300,290,1,10,4230,3687,u,*"
                                    << volts(4230, 3687, 413, 54, High, High);
        QTest::newRow("fractional count floors")
            << QStringList() << "300,290,1,10,3839.99,3276.5,u,*"
            << full("300,290,1,10,3839.99,3276.5,u,*", "27", "17", "10", "1", 374, 47, Unloaded, Ok, Ok);

        // Replies that are not telemetry.
        QTest::newRow("no data: ?") << QStringList() << "?" << only("?", ReplyDecoder::NoData);
        QTest::newRow("no data: empty") << QStringList{Worked} << "" << only("", ReplyDecoder::NoData);
        QTest::newRow("text message T") << QStringList{Worked} << "Test mode on*"
                                        << only("Test mode on*", "Test mode on*");
        QTest::newRow("text message C") << QStringList() << "Cal,1,2,*" << only("Cal,1,2,*", "Cal,1,2,*");
        QTest::newRow("lower-case t is telemetry")
            << QStringList() << "test,*" << only("test,*", ReplyDecoder::BadData);
        QTest::newRow("no terminator") << QStringList{Worked} << "300,290,1,10,3840,3277,u,"
                                       << only("300,290,1,10,3840,3277,u,", "");
    }

    void decodes()
    {
        QFETCH(QStringList, earlier);
        QFETCH(QString, reply);
        QFETCH(DecodedReply, expected);

        ReplyDecoder decoder;
        for (const QString &e : earlier)
            decoder.ParseString(e, false);
        QCOMPARE(describe(decoder.ParseString(reply, false)), describe(expected));
    }

    void splitsFields_data()
    {
        QTest::addColumn<QStringList>("earlier");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<int>("count");

        const QStringList none(8, QString());
        QTest::newRow("nine fields") << QStringList() << "a,b,c,d,e,f,g,h,i,*"
                                     << QStringList{"a", "b", "c", "d", "e", "f", "g", "h"} << 8;
        QTest::newRow("empty fields skipped")
            << QStringList() << ",,a,,b,*" << QStringList{"a", "b", "", "", "", "", "", ""} << 2;
        QTest::newRow("short reply keeps later fields")
            << QStringList{"a,b,c,d,e,f,g,h,*"} << "x,y,*" << QStringList{"x", "y", "c", "d", "e", "f", "g", "h"} << 2;
        QTest::newRow("no terminator: nothing stored")
            << QStringList{"a,b,c,d,e,f,g,h,*"} << "x,y," << QStringList{"a", "b", "c", "d", "e", "f", "g", "h"} << 0;
        QTest::newRow("no data leaves fields")
            << QStringList{"a,b,*"} << "?" << QStringList{"a", "b", "", "", "", "", "", ""} << 0;
        QTest::newRow("no comma") << QStringList() << "abc*" << none << 0;
    }

    void splitsFields()
    {
        QFETCH(QStringList, earlier);
        QFETCH(QString, reply);
        QFETCH(QStringList, fields);
        QFETCH(int, count);

        ReplyDecoder decoder;
        for (const QString &e : earlier)
            decoder.ParseString(e, false);
        decoder.ParseString(reply, false);
        const QStringList stored(decoder.fields().begin(), decoder.fields().end());
        QCOMPARE(stored, fields);
        QCOMPARE(decoder.fieldCount(), count);
    }

    // The record is stamped now, so it holds only what the reply itself
    // carried; `before` is decoded first.
    void composesLogRecord_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("loggingOn");
        QTest::addColumn<QString>("record");

        QTest::newRow("logging on") << QString() << Worked << true
                                    << "27      17      10      1      375      48      u";
        QTest::newRow("logging off") << QString() << Worked << false << "";
        QTest::newRow("a short reply after a full one: no record")
            << Worked << "301,290,1,10,3840,3277,*" << true << "";
        QTest::newRow("an empty load field: no record") << Worked << "301,290,1,10,3840,3277,,*" << true << "";
        QTest::newRow("seven fields of its own")
            << Worked << "301,291,1,10,3840,3277,l,*" << true << "28      18      10      1      375      48      l";
        QTest::newRow("unknown load state logged as sent") << QString() << "300.15,290,1,10,3840,3277,x,*" << true
                                                           << "27.15      17      10      1      375      48      x";
        QTest::newRow("bad data: no record") << QString() << "300,290,1,10,abc,3277,u,*" << true << "";
        QTest::newRow("no data: no record") << QString() << "?" << true << "";
        QTest::newRow("text message: no record") << QString() << "Test*" << true << "";
        // A garbled reply must not break the log line it ends up in.
        QTest::newRow("line break in a pulse field") << QString() << "300,290,1\r\n,10,3840,3277,u,*" << true
                                                     << "27      17      10      1??      375      48      u";
        QTest::newRow("control bytes in the load state")
            << QString()
            << QStringLiteral("300,290,1,10,3840,3277,u") + QChar(0) + QChar(0x1b) + QChar(0x7f) + QStringLiteral(",*")
            << true << "27      17      10      1      375      48      u???";
        QTest::newRow("Latin-1 letters are kept")
            << QString() << QString::fromLatin1("300,290,1,10\xb5,3840,3277,u,*") << true
            << QString::fromLatin1("27      17      10\xb5      1      375      48      u");
    }

    void composesLogRecord()
    {
        QFETCH(QString, before);
        QFETCH(QString, reply);
        QFETCH(bool, loggingOn);
        QFETCH(QString, record);

        ReplyDecoder decoder;
        if (!before.isEmpty())
            decoder.ParseString(before, loggingOn);
        QCOMPARE(decoder.ParseString(reply, loggingOn).strLogLine, record);
    }

    void germanLocaleReadsWireShowsComma()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        ReplyDecoder decoder;
        const DecodedReply r = decoder.ParseString("300.15,290.5,1.5,10,40960000,3277,u,*", true);
        QCOMPARE(r.lblCommStatData, QString());
        QCOMPARE(r.txtLoadCanTemp.value_or("<unchanged>"), QStringLiteral("27,15"));
        QCOMPARE(r.txtCtrCanTemp.value_or("<unchanged>"), QStringLiteral("17,5"));
        QCOMPARE(r.txtPlsFreq.value_or("<unchanged>"), QStringLiteral("1.5")); // shown as sent
        QCOMPARE(r.lbl400VDC.value_or("<unchanged>"), QStringLiteral("4000000"));
        QCOMPARE(r.agd400VDC.value_or(-1), 4000000.0);
        QCOMPARE(showLamp(r.sts400OK.value_or(LampLook{})), showLamp(High));
        QCOMPARE(r.strLogLine, QStringLiteral("27,15      17,5      10      1.5      4000000      48      u"));
    }

    void formatsNumbers_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");

        QTest::newRow("kelvin rounding") << "C" << 300.15 - 273 << "27.15";
        QTest::newRow("whole") << "C" << 375.0 << "375";
        QTest::newRow("15 digits") << "C" << 1.0 / 3 << "0.333333333333333";
        QTest::newRow("negative") << "C" << -273.0 << "-273";
        QTest::newRow("negative zero") << "C" << -0.0 << "0";
        QTest::newRow("no group separator") << "en_US" << 1234567.5 << "1234567.5";
        QTest::newRow("german decimal") << "de_DE" << 1234567.25 << "1234567,25";
        QTest::newRow("german whole") << "de_DE" << 27.0 << "27";
    }

    void formatsNumbers()
    {
        QFETCH(QString, locale);
        QFETCH(double, value);
        QFETCH(QString, text);
        const QLocale shown(locale);
        QCOMPARE(numberText(value, shown), text);
        // A gauge reads the readout back in the same locale.
        const auto back = readoutNumber(text, shown);
        QVERIFY(back);
        QCOMPARE(numberText(*back, shown), text);
    }

    void everyLocaleShowsPlainNumbers_data()
    {
        QTest::addColumn<QLocale>("locale");
        for (const QLocale &locale :
             QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory))
            QTest::newRow(qPrintable(locale.name() + u' ' + QLocale::scriptToCode(locale.script()))) << locale;
    }

    void everyLocaleShowsPlainNumbers()
    {
        // Native digits, a Unicode or direction-marked minus, group separators
        // and "×10^" exponents would break the ASCII log and the gauges' reading
        // back. A negative temperature, a seven-digit and a 21-digit voltage.
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        const QString point = locale.decimalPoint() == QLatin1String(",") ? QStringLiteral(",") : QStringLiteral(".");
        const QRegularExpression plain(QStringLiteral("^-?[0-9]+(\\%1[0-9]+)?(e[+-][0-9]+)?$").arg(point));

        ReplyDecoder decoder;
        const struct
        {
            const char *reply;
            double volts400, volts48;
        } replies[]
            = {{"250.65,290.5,1,10,40960000,3277,u,*", 4000000, 48}, {"300,290,1,10,1e20,-4096,u,*", 9.765625e18, -60}};
        for (const auto &[reply, volts400, volts48] : replies) {
            const DecodedReply r = decoder.ParseString(QString::fromLatin1(reply), true);
            QCOMPARE(r.lblCommStatData, QString());
            for (const auto &readout : {r.txtLoadCanTemp, r.txtCtrCanTemp, r.lbl400VDC, r.lbl48VDC})
                QVERIFY2(plain.match(readout.value_or("<unchanged>")).hasMatch(), qPrintable(*readout));
            // The gauges read the readouts back.
            QCOMPARE(r.agd400VDC.value_or(-1), volts400);
            QCOMPARE(r.agd48VDC.value_or(-1), volts48);
        }
        QCOMPARE(numberText(-22.35), QStringLiteral("-22") + point + QStringLiteral("35"));
        QCOMPARE(readoutNumber(numberText(-22.35)).value_or(-1), -22.35);
    }

    void readsWireNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");

        QTest::newRow("decimal") << "300.15" << true << 300.15;
        QTest::newRow("blanks") << "  290 " << true << 290.0;
        QTest::newRow("negative") << "-12.5" << true << -12.5;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blank") << "   " << false << 0.0;
        QTest::newRow("letters") << "abc" << false << 0.0;
        QTest::newRow("trailing junk") << "300x" << false << 0.0;
        QTest::newRow("comma decimal") << "300,15" << false << 0.0;
        QTest::newRow("inf") << "inf" << false << 0.0;
        QTest::newRow("nan") << "nan" << false << 0.0;
        QTest::newRow("overflow") << "1e400" << false << 0.0;
    }

    void readsWireNumbers()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, value);

        // The technician's locale must not change how the wire is read.
        for (const QLocale &locale : {QLocale::c(), QLocale(QLocale::German, QLocale::Germany)}) {
            QLocale::setDefault(locale);
            const auto read = wireNumber(text);
            QCOMPARE(read.has_value(), valid);
            if (valid)
                QCOMPARE(*read, value);
        }
    }
};

QTEST_GUILESS_MAIN(tst_decoder)
#include "tst_decoder.moc"
