#include "procedure/ProcedureLibrary.h"

#include "logging/LogPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QSet>

QString ProcedureLibrary::ownDirectory()
{
    return LogPaths::logDirectory() + QStringLiteral("procedures/");
}

QStringList ProcedureLibrary::files()
{
    const QString app = QCoreApplication::applicationDirPath();
    const QStringList directories{
        ownDirectory(), app + QStringLiteral("/../share/vanto-port-test/procedures"),
        QStringLiteral("/usr/share/vanto-port-test/procedures"),
        app + QStringLiteral("/procedures"), // the build tree
    };
    QStringList out;
    QSet<QString> names;
    QSet<QString> seen;
    for (const QString &directory : directories) {
        const QDir dir(directory);
        if (!dir.exists() || seen.contains(dir.canonicalPath()))
            continue;
        seen.insert(dir.canonicalPath());
        for (const QString &name : dir.entryList({QStringLiteral("*.toml")}, QDir::Files, QDir::Name)) {
            if (names.contains(name))
                continue;
            names.insert(name);
            out << dir.absoluteFilePath(name);
        }
    }
    return out;
}
