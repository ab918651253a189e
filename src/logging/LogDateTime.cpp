#include "logging/LogDateTime.h"

#include <QLocale>
#include <QRegularExpression>

namespace {

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

// Some locales separate time and AM/PM with a no-break space; the file is
// plain ASCII where it can be.
QString plainSpaces(QString text)
{
    text.replace(QChar(0x00A0), u' ');
    text.replace(QChar(0x202F), u' ');
    return text;
}

} // namespace

namespace LogDateTime {

QString dateFormat()
{
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    return editUnquoted(QLocale().dateFormat(QLocale::ShortFormat),
                        [](QString part) { return part.replace(twoDigitYear, QStringLiteral("yyyy")); });
}

QString timeFormat()
{
    // The long format carries the seconds but also the zone; drop the zone
    // and whatever brackets or spacing it leaves behind.
    static const QRegularExpression zone(QStringLiteral("t+"));
    static const QRegularExpression emptyBrackets(QStringLiteral("\\(\\s*\\)"));
    const QString format = editUnquoted(QLocale().timeFormat(QLocale::LongFormat),
                                        [](QString part) { return part.remove(zone).remove(emptyBrackets); });
    return format.simplified();
}

QString dateText(const QDate &date)
{
    return plainSpaces(QLocale().toString(date, dateFormat()));
}

QString timeText(const QTime &time)
{
    return plainSpaces(QLocale().toString(time, timeFormat()));
}

} // namespace LogDateTime
