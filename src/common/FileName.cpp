#include "common/FileName.h"

#include <QLocale>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumisnap {

namespace {

constexpr char16_t EscapeBase = 0xDC00; // bytes 0x80-0xFF become U+DC80-U+DCFF

bool isEscapedByte(char16_t c)
{
    return c >= 0xDC80 && c <= 0xDCFF;
}

// Length of the valid UTF-8 sequence at p (1..4), or 0 when it is not one.
int utf8SequenceLength(const unsigned char *p, qsizetype left)
{
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    int len = 0;
    char32_t min = 0;
    if ((c & 0xE0) == 0xC0) {
        len = 2;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (left < len)
        return 0;
    char32_t cp = c & (0x7F >> len);
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, surrogates and out-of-range code points are not valid UTF-8,
    // and decoding them would not give the same bytes back.
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

} // namespace

QString decodeFileName(const QByteArray &bytes)
{
    QString out;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype runStart = 0; // valid UTF-8 is converted a run at a time, not per character
    auto flush = [&](qsizetype end) {
        if (end > runStart)
            out.append(
                QString::fromUtf8(reinterpret_cast<const char *>(p + runStart), end - runStart));
    };
    qsizetype i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        const int len = utf8SequenceLength(p + i, n - i);
        if (len > 0) {
            i += len;
            continue;
        }
        flush(i);
        out.append(QChar(char16_t(EscapeBase + p[i])));
        runStart = ++i;
    }
    if (runStart == 0)
        return QString::fromUtf8(bytes); // the common case: one conversion
    flush(n);
    return out;
}

QByteArray encodeFileName(QStringView name)
{
    QByteArray out;
    out.reserve(name.size());
    qsizetype runStart = 0;
    auto flush = [&](qsizetype end) {
        if (end > runStart)
            out.append(name.mid(runStart, end - runStart).toUtf8());
    };
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (isEscapedByte(c)) {
            flush(i);
            out.append(char(c - EscapeBase));
            runStart = i + 1;
        }
    }
    flush(name.size());
    return out;
}

QString displayFileName(QStringView losslessName)
{
    QString out = losslessName.toString();
    for (QChar &c : out) {
        if (isEscapedByte(c.unicode()))
            c = QChar::ReplacementCharacter;
    }
    return out;
}

QString editedFileName(QStringView losslessName, QStringView edited)
{
    const QString shown = displayFileName(losslessName);
    qsizetype prefix = 0;
    while (prefix < shown.size() && prefix < edited.size() && shown[prefix] == edited[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shown.size() - prefix && suffix < edited.size() - prefix
        && shown[shown.size() - 1 - suffix] == edited[edited.size() - 1 - suffix])
        ++suffix;
    const QStringView typed = edited.mid(prefix, edited.size() - prefix - suffix);
    if (typed.contains(QChar::ReplacementCharacter))
        return {};
    QString name;
    name.append(losslessName.left(prefix)).append(typed).append(losslessName.right(suffix));
    return name;
}

bool openFile(QFile &file, const QString &losslessPath, QIODevice::OpenMode mode)
{
    int flags = O_CLOEXEC;
    if ((mode & QIODevice::ReadWrite) == QIODevice::ReadWrite)
        flags |= O_RDWR | O_CREAT;
    else if (mode & QIODevice::WriteOnly)
        flags |= O_WRONLY | O_CREAT | ((mode & QIODevice::Append) ? O_APPEND : O_TRUNC);
    else
        flags |= O_RDONLY;
    const int fd = ::open(encodeFileName(losslessPath).constData(), flags, 0666);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

bool pathExists(const QString &losslessPath)
{
    struct stat st;
    return ::lstat(encodeFileName(losslessPath).constData(), &st) == 0;
}

QCollator fileNameCollator()
{
    // The C locale's collator compares code points and ignores both options below.
    QCollator collator(QLocale().language() == QLocale::C
            ? QLocale(QLocale::English, QLocale::UnitedStates)
            : QLocale());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    return collator;
}

bool matchesWildcard(QStringView pattern, QStringView name)
{
    // Greedy matching with one back-track point for the last "*": linear in practice
    // and never exponential.
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    auto same = [](QChar a, QChar b) { return a == b || a.toCaseFolded() == b.toCaseFolded(); };
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || same(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

} // namespace lumisnap
