#pragma once

#include <QLocale>
#include <QString>

#include <optional>

// A number as the controller sends it: "." is the decimal point whatever the
// technician's locale, because the wire format never changes. Blanks around the
// number are tolerated; anything that is not a finite number gives nothing.
std::optional<double> wireNumber(const QString &text);

// A value as the technician reads it on screen and in the log, the same in
// every locale but for the decimal separator: Latin digits, the ASCII minus,
// never group separators, at most 15 significant digits, no trailing zeros or
// trailing decimal separator. The separator is the locale's when it is "." or
// ",", otherwise ".", so the log stays ASCII.
QString numberText(double value, const QLocale &locale = QLocale());

// The decimal separator numberText() uses in that locale.
QChar decimalSeparator(const QLocale &locale = QLocale());

// Reads back a text made by numberText() in the same locale (a gauge takes its
// value from the readout beside it).
std::optional<double> readoutNumber(const QString &text, const QLocale &locale = QLocale());
