#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTime>

// Dates and times as the log writes them, in the default locale, and in ASCII
// whatever the locale: the short date with a four-digit year in Latin digits
// with ASCII separators, and the locale's time with seconds (and AM/PM where
// the locale uses it) when that is ASCII in Latin digits, otherwise 24-hour
// "H:mm:ss"; never a time zone. US English: "12/7/2026", "8:54:38 AM".
namespace LogDateTime {

// In another locale than the default: how that locale's log reads.
QString dateFormat(const QLocale &locale = QLocale());
QString timeFormat(const QLocale &locale = QLocale());

QString dateText(const QDate &date, const QLocale &locale = QLocale());
QString timeText(const QTime &time, const QLocale &locale = QLocale());

// Reads back "date time" as dateText() and timeText() wrote it in that
// locale, local time; invalid when it isn't that.
QDateTime readDateTime(const QString &text, const QLocale &locale = QLocale());

} // namespace LogDateTime
