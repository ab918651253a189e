#include "logging/LogPaths.h"

#include "logging/LogDateTime.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace {

QString defaultDirectory()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:/VANTOData/");
#else
    return QDir::homePath() + QStringLiteral("/VANTOData/");
#endif
}

QString &overrideDirectory()
{
    static QString directory;
    return directory;
}

} // namespace

namespace LogPaths {

QString logDirectory()
{
    QString directory = overrideDirectory().isEmpty() ? defaultDirectory() : overrideDirectory();
    while (directory.endsWith(u'/') || directory.endsWith(u'\\'))
        directory.chop(1);
    return directory + u'/';
}

void setLogDirectory(const QString &directory)
{
    overrideDirectory() = QDir::fromNativeSeparators(directory);
}

bool makeLogDirectory(QString *reason)
{
    const QString directory = logDirectory();
    if (QFileInfo(directory).isDir())
        return true;
    // QDir::mkpath says only whether it worked; the operator needs the why.
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(directory.toStdU16String()), error);
    if (!error && QFileInfo(directory).isDir())
        return true;
    if (reason) {
        const QString why
            = error ? QString::fromLocal8Bit(error.message().c_str()) : QStringLiteral("it is not a directory");
        *reason = QStringLiteral("the log directory %1 could not be created: %2")
                      .arg(QDir::toNativeSeparators(directory), why);
    }
    return false;
}

QString fullPathFilename(const QString &name)
{
    return logDirectory() + name + QStringLiteral(".log");
}

QString genericName(const QDate &date)
{
    QString name = LogDateTime::dateText(date);
    for (const QChar bad : QStringLiteral("/\\:<>\"|?*"))
        name.replace(bad, u'-');
    return name;
}

QString genericLogFile(const QDate &date)
{
    return fullPathFilename(genericName(date));
}

} // namespace LogPaths
