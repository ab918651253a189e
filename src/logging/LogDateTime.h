#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// Dates and times as the log writes them, in the default locale, and in ASCII
// whatever the locale: the short date with a four-digit year in Latin digits
// with ASCII separators, and the locale's time with seconds (and AM/PM where
// the locale uses it) when that is ASCII in Latin digits, otherwise 24-hour
// "H:mm:ss"; never a time zone. US English: "12/7/2026", "8:54:38 AM".
namespace LogDateTime {

QString dateFormat();
QString timeFormat();

QString dateText(const QDate &date);
QString timeText(const QTime &time);

} // namespace LogDateTime
