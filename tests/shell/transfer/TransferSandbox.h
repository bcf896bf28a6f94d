#pragma once

// Files as the transfer tests write and read them.
#include "common/FileName.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

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

// A fresh temporary folder holding the empty folders "src" and "dst".
inline void makeSandbox(std::unique_ptr<QTemporaryDir> &dir, QString &src, QString &dst)
{
    dir = std::make_unique<QTemporaryDir>();
    src = dir->path() + "/src";
    dst = dir->path() + "/dst";
    QDir().mkpath(src);
    QDir().mkpath(dst);
}

} // namespace transfertest
