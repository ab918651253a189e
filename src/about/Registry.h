#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <memory>

// The registry as the about box reads it: open a key, query one value, close
// the key. Results and in/out sizes follow the system's own functions (0 for
// success, otherwise a system error code); texts are single-byte strings in
// the system's ANSI code page.
namespace RegistryKeys {
constexpr quint32 LocalMachine = 0x80000002; // HKEY_LOCAL_MACHINE
// Query value, set value, create subkey, enumerate subkeys, notify,
// create link, read control.
constexpr quint32 AccessMask = 0x2003F;
constexpr quint32 TypeString = 1;       // REG_SZ
constexpr quint32 TypeExpandString = 2; // REG_EXPAND_SZ
constexpr quint32 TypeDword = 4;        // REG_DWORD

constexpr long Success = 0;
constexpr long FileNotFound = 2; // no such key or value
constexpr long AccessDenied = 5;
constexpr long InvalidHandle = 6;
constexpr long MoreData = 234; // the value does not fit the buffer
} // namespace RegistryKeys

class Registry
{
public:
    virtual ~Registry() = default;

    // Opens root\path; on success *handle receives the open key.
    virtual long openKey(quint32 root, const QByteArray &path, quint32 access, quintptr *handle) = 0;

    // Reads one value of an open key into buffer. *size goes in as the room
    // offered (at most buffer.size()) and comes back as the bytes stored, or,
    // with MoreData, as the bytes the value would need. *type receives the
    // value's type.
    virtual long queryValue(quintptr handle, const QByteArray &valueName, quint32 *type, QByteArray &buffer,
                            quint32 *size)
        = 0;

    virtual long closeKey(quintptr handle) = 0;
};

// The registry this machine offers: the real one on Windows, elsewhere an
// in-memory one holding what the about box looks for.
std::unique_ptr<Registry> makeSystemRegistry();
