// Feeds arbitrary replies to the decoder, one after another through the same
// decoder (it keeps fields between replies), in a locale picked by the first
// byte, with logging on or off. Besides the sanitizers' findings it stops on
// any result the window could not show or log sensibly.
#include "telemetry/ReplyDecoder.h"

#include <QLocale>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// The screen and log read numbers in the technician's locale; these differ in
// decimal point, group separator, signs or digits, which the readouts must
// not take over.
const QLocale &localeFor(uint8_t byte)
{
    static const QLocale locales[] = {
        QLocale::c(),
        QLocale(QLocale::English, QLocale::UnitedStates),
        QLocale(QLocale::German, QLocale::Germany),
        QLocale(QLocale::French, QLocale::France),
        QLocale(QLocale::Swedish, QLocale::Sweden),
        QLocale(QLocale::Arabic, QLocale::Egypt),
        QLocale(QLocale::Persian, QLocale::Iran),
        QLocale(QLocale::Bengali, QLocale::Bangladesh),
    };
    return locales[byte % std::size(locales)];
}

[[noreturn]] void finding(const char *what, const QString &reply)
{
    std::fprintf(stderr, "fuzz_decoder: %s\n  reply: %s\n", what, qPrintable(reply));
    std::abort();
}

bool holdsControlCharacter(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    return false;
}

void check(const ReplyDecoder &decoder, const Telemetry &t, const DecodedReply &r, const QString &reply, bool logging)
{
    if (r.Text1 != reply)
        finding("the raw reply is not shown as it came", reply);
    if (decoder.fieldCount() < 0 || decoder.fieldCount() > ReplyDecoder::FieldSlots)
        finding("field count out of range", reply);
    const QString &status = r.lblCommStatData;
    if (status != ReplyDecoder::NoData && status != ReplyDecoder::BadData && !status.isEmpty() && status != reply)
        finding("status is neither No Data, Bad Data, empty nor the controller's message", reply);
    if (!logging && !r.strLogLine.isEmpty())
        finding("a log record was composed with logging off", reply);
    if (!r.strLogLine.isEmpty() && holdsControlCharacter(r.strLogLine))
        finding("the log record holds a control character (it would break the log line)", reply);
    // Whatever decoded as a number must come back from its readout: the gauges
    // read the readouts' text, in every locale.
    if (r.lbl48VDC && !r.agd400VDC)
        finding("the 400 V readout does not read back as a number", reply);
    if (r.agd400VDC && r.lbl48VDC && !r.agd48VDC)
        finding("the 48 V readout does not read back as a number", reply);
    if (status.isEmpty() && reply.contains(QLatin1Char('*')) && !r.sts48OK)
        finding("a reply without a status was not decoded to the end", reply);
    if (r.sts48OK && (!r.agd400VDC || !r.sts400OK || !r.txtLoadCanTemp || !r.txtCtrCanTemp))
        finding("decoded to the end with a step missing", reply);
    // A record stamped now holds only values this very reply carried.
    const bool carriedAll = t.carried == AllReadings;
    if (logging && r.sts48OK && carriedAll && r.strLogLine.isEmpty())
        finding("a fully decoded reply that carried every value gave no log record with logging on", reply);
    if (!r.strLogLine.isEmpty() && !carriedAll)
        finding("a log record holds values kept from an earlier reply", reply);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    QLocale::setDefault(localeFor(data[0]));
    const bool logging = data[0] & 0x80;
    const QByteArray stream = QByteArray::fromRawData(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    // Replies end at each "*", as the reader hands them over; a tail without
    // one is decoded too (the reader gives such text only as "?", but the
    // decoder must not rely on that).
    ReplyDecoder decoder;
    qsizetype start = 0;
    while (start < stream.size()) {
        qsizetype end = stream.indexOf('*', start);
        end = end < 0 ? stream.size() : end + 1;
        const QString reply = QString::fromLatin1(stream.mid(start, end - start));
        const Telemetry t = decoder.decode(reply);
        check(decoder, t, presentReply(t, logging), reply, logging);
        start = end;
    }
    return 0;
}
