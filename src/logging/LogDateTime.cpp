#include "logging/LogDateTime.h"

#include <QLocale>
#include <QRegularExpression>

namespace {

const QString TwentyFourHours = QStringLiteral("H:mm:ss");

// Applies edit to the parts of a QLocale format outside quoted literals.
template<typename Edit>
QString editUnquoted(const QString &format, Edit edit)
{
    QString result;
    QString run;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'') {
            result += quoted ? run : edit(run);
            result += c;
            run.clear();
            quoted = !quoted;
        } else {
            run += c;
        }
    }
    result += quoted ? run : edit(run);
    return result;
}

// Right-to-left locales put invisible direction marks between the fields, and
// some separate the time from AM/PM with a no-break space.
QString plainText(QString text)
{
    static const QRegularExpression marks(QStringLiteral("[\\x{200E}\\x{200F}\\x{061C}\\x{2066}-\\x{2069}]"));
    text.remove(marks);
    text.replace(QChar(0x00A0), u' ');
    text.replace(QChar(0x202F), u' ');
    return text;
}

bool isAscii(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    return true;
}

// The locale's long time format without its time zone.
QString localeTimeFormat(const QLocale &locale)
{
    static const QRegularExpression zone(QStringLiteral("t+"));
    static const QRegularExpression emptyBrackets(QStringLiteral("\\(\\s*\\)|\\[\\s*\\]"));
    static const QRegularExpression looseEnds(QStringLiteral("^[\\s,]+|[\\s,]+$"));
    const QString format = editUnquoted(locale.timeFormat(QLocale::LongFormat), [](QString part) {
        // "B" is a day period Qt doesn't know and would print as a letter.
        return part.remove(zone).remove(emptyBrackets).replace(u'B', QStringLiteral("AP"));
    });
    return format.simplified().remove(looseEnds);
}

} // namespace

namespace LogDateTime {

QString dateFormat(const QLocale &locale)
{
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    return plainText(editUnquoted(locale.dateFormat(QLocale::ShortFormat),
                                  [](QString part) { return part.replace(twoDigitYear, QStringLiteral("yyyy")); }));
}

QString timeFormat(const QLocale &locale)
{
    // The locale's time serves when both halves of the day come out ASCII.
    const QString format = localeTimeFormat(locale);
    for (const QTime probe : {QTime(8, 54, 38), QTime(20, 54, 38)})
        if (!isAscii(plainText(locale.toString(probe, format))))
            return TwentyFourHours;
    return format;
}

QString dateText(const QDate &date, const QLocale &locale)
{
    // The C locale writes the fields in Latin digits. A word in the format
    // (Bulgarian "г." for the year) is dropped with its abbreviation point.
    static const QRegularExpression word(QStringLiteral("[^\\x{20}-\\x{7E}]+\\.?"));
    return QLocale::c().toString(date, dateFormat(locale)).remove(word).simplified();
}

QString timeText(const QTime &time, const QLocale &locale)
{
    const QString format = timeFormat(locale);
    return plainText((format == TwentyFourHours ? QLocale::c() : locale).toString(time, format));
}

QDateTime readDateTime(const QString &text, const QLocale &locale)
{
    const QString dates = dateFormat(locale);
    const QString times = plainText(timeFormat(locale));
    const QLocale timeLocale = times == TwentyFourHours ? QLocale::c() : locale;
    // Both halves may hold spaces ("8:54:38 AM"): try each space between them.
    for (qsizetype space = text.indexOf(u' '); space > 0; space = text.indexOf(u' ', space + 1)) {
        const QDate date = QLocale::c().toDate(text.left(space), dates);
        if (!date.isValid())
            continue;
        const QTime time = timeLocale.toTime(text.mid(space + 1), times);
        if (time.isValid())
            return QDateTime(date, time);
    }
    return {};
}

} // namespace LogDateTime
