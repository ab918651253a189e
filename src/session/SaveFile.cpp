#include "session/SaveFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

bool fail(QString *reason, const QString &why)
{
    if (reason)
        *reason = why;
    return false;
}

} // namespace

bool saveFile(const QString &path, const std::function<bool(QIODevice &, QString *reason)> &write, QString *reason)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile() && !info.isDir()) {
        // Unbuffered, so a failing write shows here and not at close.
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return fail(reason, file.errorString());
        QString why;
        if (!write(file, &why))
            return fail(reason, file.error() != QFileDevice::NoError ? file.errorString() : why);
        file.close();
        if (file.error() != QFileDevice::NoError)
            return fail(reason, file.errorString());
        return true;
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(reason, file.errorString());
    QString why;
    if (!write(file, &why)) {
        const QString error = file.error() != QFileDevice::NoError ? file.errorString() : why;
        file.cancelWriting();
        return fail(reason, error);
    }
    if (!file.commit())
        return fail(reason, file.errorString());
    return true;
}
