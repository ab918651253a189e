#pragma once

#include <QDate>
#include <QString>

// Where log files go and what they are called. The directory is fixed
// (C:\VANTOData\ on Windows, ~/VANTOData/ elsewhere) and made when missing.
namespace LogPaths {

// The log directory, ending in exactly one "/".
QString logDirectory();
// Puts the log directory elsewhere (tests); an empty path restores the default.
void setLogDirectory(const QString &directory);

// Makes the log directory if it is missing. On failure returns false and
// sets reason to why.
bool makeLogDirectory(QString *reason);

// The log directory, the name as typed, and ".log".
QString fullPathFilename(const QString &name);

// The locale's short date with a four-digit year, every character a file
// name can't hold turned into "-": "12-7-2026" in US English.
QString genericName(const QDate &date);
QString genericLogFile(const QDate &date);

} // namespace LogPaths
