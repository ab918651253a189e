#include "about/SysInfo.h"

#include "ui/MsgBox.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

using namespace RegistryKeys;

namespace {
constexpr int ValueBufferSize = 1024;

// Closes an opened key however GetKeyValue leaves.
class OpenKey
{
public:
    OpenKey(Registry &registry, quintptr handle)
        : m_registry(registry)
        , m_handle(handle)
    { }
    ~OpenKey() { m_registry.closeKey(m_handle); }
    OpenKey(const OpenKey &) = delete;
    OpenKey &operator=(const OpenKey &) = delete;

private:
    Registry &m_registry;
    quintptr m_handle;
};

// A number stored as its bytes, least significant first, shown as its decimal text.
QString dwordText(const QByteArray &bytes)
{
    if (bytes.size() > 4)
        throw RegistryError("number value longer than 32 bits");
    quint32 number = 0;
    for (auto it = bytes.crbegin(); it != bytes.crend(); ++it)
        number = (number << 8) | quint8(*it);
    return QString::number(number);
}
} // namespace

bool ProcessLauncher::start(const QString &program)
{
    return QProcess::startDetached(program, {});
}

bool GetKeyValue(Registry &registry, quint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal)
{
    quintptr handle = 0;
    if (registry.openKey(KeyRoot, KeyName.toLocal8Bit(), AccessMask, &handle) != Success) {
        KeyVal.clear();
        return false;
    }
    const OpenKey key(registry, handle);

    QByteArray buffer(ValueBufferSize, '\0');
    quint32 size = ValueBufferSize;
    quint32 type = 0;
    if (registry.queryValue(handle, SubKeyRef.toLocal8Bit(), &type, buffer, &size) != Success) {
        KeyVal.clear();
        return false;
    }
    if (size == 0)
        throw RegistryError("registry value has no data");
    if (size > quint32(buffer.size()))
        throw RegistryError("registry reported more data than it was given room for");

    QByteArray text = buffer.left(int(size));
    if (text.endsWith('\0'))
        text.chop(1);

    switch (type) {
    case TypeString:
        KeyVal = QString::fromLocal8Bit(text);
        break;
    case TypeDword:
        KeyVal = dwordText(text);
        break;
    default:
        break;
    }
    return true;
}

bool isNormalFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile() || info.isHidden())
        return false;
#ifdef Q_OS_WIN
    const DWORD attributes
        = ::GetFileAttributesW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()));
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_SYSTEM))
        return false;
#endif
    return true;
}

void StartSysInfo(Registry &registry, Launcher &launcher)
{
    try {
        QString path;
        bool found = GetKeyValue(registry, LocalMachine, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                                 QStringLiteral("PATH"), path);
        // The first value is the tool itself and is started as it stands; the
        // second names only the directory the tool should be in.
        if (!found
            && GetKeyValue(registry, LocalMachine, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                           QStringLiteral("MSINFO"), path)) {
            const QString program = path + QDir::separator() + QStringLiteral("MSINFO32.EXE");
            found = isNormalFile(program);
            path = program;
        }
        if (found && launcher.start(path))
            return;
    } catch (...) {
        // Any failure reading the registry ends in the same message.
    }
    MsgBox(QStringLiteral("System Information Is Unavailable At This Time"));
}
