#pragma once

// Files as the transfer tests write and read them.
#include "common/FileName.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTest>

namespace transfertest {

inline void write(const QString &path, const QByteArray &bytes)
{
    QFile file;
    QVERIFY(lumisnap::openFile(file, path, QIODevice::WriteOnly));
    file.write(bytes);
}

inline QByteArray read(const QString &path)
{
    QFile file;
    return lumisnap::openFile(file, path, QIODevice::ReadOnly) ? file.readAll()
                                                               : QByteArray("<missing>");
}

// Every entry of a folder, hidden ones too, sorted.
inline QStringList entries(const QString &folder)
{
    QStringList names;
    for (const QString &name : QDir(folder).entryList(
             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name))
        names << name;
    return names;
}

} // namespace transfertest
