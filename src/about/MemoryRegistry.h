#pragma once

#include "about/Registry.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QStringList>

// A registry held in memory. Key paths and value names compare without regard
// to case, as the real registry's do. It counts what was opened and closed so
// that callers can be held to closing every key they open.
class MemoryRegistry : public Registry
{
public:
    struct Value
    {
        quint32 type = 0;
        QByteArray data; // raw bytes, a terminating zero included where stored
    };

    void addKey(quint32 root, const QByteArray &path);
    void setValue(quint32 root, const QByteArray &path, const QByteArray &valueName, quint32 type,
                  const QByteArray &data);
    void denyAccess(quint32 root, const QByteArray &path); // opening it is refused

    long openKey(quint32 root, const QByteArray &path, quint32 access, quintptr *handle) override;
    long queryValue(quintptr handle, const QByteArray &valueName, quint32 *type, QByteArray &buffer,
                    quint32 *size) override;
    long closeKey(quintptr handle) override;

    QList<QByteArray> openedKeys() const { return m_opened; }   // successful opens, in order
    QList<quint32> accessRequested() const { return m_access; } // one per open attempt
    int openKeyCount() const { return int(m_handles.size()); }  // opened and not yet closed
    int badCloses() const { return m_badCloses; }               // closes of unknown handles

private:
    static QByteArray keyId(quint32 root, const QByteArray &path);

    QHash<QByteArray, QHash<QByteArray, Value>> m_keys; // key id -> lower-case name -> value
    QSet<QByteArray> m_denied;
    QHash<quintptr, QByteArray> m_handles;
    quintptr m_nextHandle = 0x100;
    QList<QByteArray> m_opened;
    QList<quint32> m_access;
    int m_badCloses = 0;
};

// Where the about box's first lookup points on a machine without the Windows
// registry: a system information program found on the search path.
QStringList systemInfoCandidates();
// The first candidate found in searchPaths (the PATH when empty), or empty text.
QString findSystemInfoTool(const QStringList &searchPaths = {});
// Stores the path of the program found, if any, as the system information
// tool's registered location.
void registerSystemInfoTool(MemoryRegistry &registry, const QStringList &searchPaths = {});
