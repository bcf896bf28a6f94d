#pragma once

#include <QByteArray>
#include <QCollator>
#include <QFile>
#include <QString>
#include <QStringView>

namespace lumisnap {

// File names are bytes. decodeFileName is lossless: valid UTF-8 decodes as usual and
// each byte that is not part of valid UTF-8 becomes the lone surrogate U+DC00+byte;
// encodeFileName reverses it. Open files from such texts with encodeFileName (or
// openPath), never QFile(path) directly, or a non-UTF-8 name will not be found.
QString decodeFileName(const QByteArray &bytes);
QByteArray encodeFileName(QStringView name);

// The same text for showing: escaped bytes shown as U+FFFD.
QString displayFileName(QStringView losslessName);

// The lossless name an edit of displayFileName(losslessName) stands for: the parts the
// edit left alone keep their bytes. Null when the changed part holds U+FFFD, which stands
// for bytes that cannot be typed.
QString editedFileName(QStringView losslessName, QStringView edited);

// Opens `file` on a lossless path (through its raw bytes); false when it cannot.
bool openFile(QFile &file, const QString &losslessPath, QIODevice::OpenMode mode);

// Whether a path names an existing entry (symbolic links not followed).
bool pathExists(const QString &losslessPath);

// The order of file names wherever the program sorts them: letter case ignored,
// numbers by value (ties are for the caller to break, by bytes).
QCollator fileNameCollator();

// Case-insensitive wildcard match of a whole name: "*" any run, "?" one character.
bool matchesWildcard(QStringView pattern, QStringView name);

} // namespace lumisnap
