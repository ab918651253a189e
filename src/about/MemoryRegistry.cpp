#include "about/MemoryRegistry.h"

#include <QStandardPaths>

using namespace RegistryKeys;

QByteArray MemoryRegistry::keyId(quint32 root, const QByteArray &path)
{
    return QByteArray::number(root, 16) + '\\' + path.toLower();
}

void MemoryRegistry::addKey(quint32 root, const QByteArray &path)
{
    m_keys[keyId(root, path)];
}

void MemoryRegistry::setValue(quint32 root, const QByteArray &path, const QByteArray &valueName, quint32 type,
                              const QByteArray &data)
{
    m_keys[keyId(root, path)].insert(valueName.toLower(), Value{type, data});
}

void MemoryRegistry::denyAccess(quint32 root, const QByteArray &path)
{
    addKey(root, path);
    m_denied.insert(keyId(root, path));
}

long MemoryRegistry::openKey(quint32 root, const QByteArray &path, quint32 access, quintptr *handle)
{
    m_access.append(access);
    const QByteArray id = keyId(root, path);
    if (!m_keys.contains(id))
        return FileNotFound;
    if (m_denied.contains(id))
        return AccessDenied;
    *handle = m_nextHandle++;
    m_handles.insert(*handle, id);
    m_opened.append(path);
    return Success;
}

long MemoryRegistry::queryValue(quintptr handle, const QByteArray &valueName, quint32 *type, QByteArray &buffer,
                                quint32 *size)
{
    const auto key = m_handles.constFind(handle);
    if (key == m_handles.cend())
        return InvalidHandle;
    const auto &values = m_keys[*key];
    const auto value = values.constFind(valueName.toLower());
    if (value == values.cend())
        return FileNotFound;

    *type = value->type;
    const quint32 room = qMin<quint32>(*size, quint32(buffer.size()));
    const quint32 needed = quint32(value->data.size());
    *size = needed;
    if (needed > room)
        return MoreData;
    std::copy(value->data.cbegin(), value->data.cend(), buffer.begin());
    return Success;
}

long MemoryRegistry::closeKey(quintptr handle)
{
    if (m_handles.remove(handle) == 0) {
        ++m_badCloses;
        return InvalidHandle;
    }
    return Success;
}

QStringList systemInfoCandidates()
{
    // Hardware and system summaries first, then the desktops' system monitors.
    return {QStringLiteral("hardinfo2"),
            QStringLiteral("hardinfo"),
            QStringLiteral("kinfocenter"),
            QStringLiteral("gnome-system-monitor"),
            QStringLiteral("mate-system-monitor"),
            QStringLiteral("xfce4-taskmanager"),
            QStringLiteral("lshw-gtk")};
}

QString findSystemInfoTool(const QStringList &searchPaths)
{
    for (const QString &name : systemInfoCandidates()) {
        const QString path = QStandardPaths::findExecutable(name, searchPaths);
        if (!path.isEmpty())
            return path;
    }
    return {};
}

void registerSystemInfoTool(MemoryRegistry &registry, const QStringList &searchPaths)
{
    const QByteArray key = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    registry.addKey(LocalMachine, key);
    const QString tool = findSystemInfoTool(searchPaths);
    if (!tool.isEmpty())
        registry.setValue(LocalMachine, key, "PATH", TypeString, tool.toLocal8Bit() + '\0');
}
