#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

// Keeps a file a test generated as a fuzzing seed, in $LUMISNAP_SEED_DIR/<folder>/,
// when that variable is set.
inline void writeFuzzSeed(const QString &folder, const QString &fileName, const QByteArray &bytes)
{
    const QString root = qEnvironmentVariable("LUMISNAP_SEED_DIR");
    if (root.isEmpty())
        return;
    QDir().mkpath(root + "/" + folder);
    QFile file(root + "/" + folder + "/" + fileName);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}
