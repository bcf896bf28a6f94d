#include "shell/transfer/ShellDataObject.h"

#include "common/ByteReader.h"
#include "common/FileName.h"
#include "shell/namespace/ShellModel.h"
#include "shell/transfer/ShellOpen.h"

#include <QMimeData>
#include <QUrl>

namespace lumisnap {

namespace {

// More items than this in one drop is not something a person dragged.
constexpr std::uint32_t MaxDroppedItems = 1u << 20;

void appendU32(QByteArray &block, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        block.append(char((value >> (8 * i)) & 0xFF));
}

QByteArray uriListOf(const QStringList &paths, const char *separator)
{
    QByteArray list;
    for (const QString &path : paths)
        list += fileUrlOf(path).toEncoded() + separator;
    return list;
}

QString refusal(QByteArray name, const char *why)
{
    name.replace(QByteArray(1, '\0'), "%00"); // shown as it came, not cut short
    return QStringLiteral("Cannot use the dropped name \"%1\": %2")
        .arg(displayFileName(decodeFileName(name)), QLatin1String(why));
}

// A full path with no empty, "." or ".." part and no zero byte, its repeated and trailing
// slashes dropped ("/a//b/" names "/a/b"); empty, with `error` set, when it cannot be.
QString cleanPath(const QByteArray &path, QString &error)
{
    if (path.contains('\0')) {
        error = refusal(path, "it holds a zero byte");
        return {};
    }
    QByteArray clean;
    bool dotted = false;
    for (const QByteArray &part : path.split('/')) {
        dotted = dotted || part == "." || part == "..";
        if (!part.isEmpty())
            clean += '/' + part;
    }
    if (!path.startsWith('/') || clean.isEmpty() || dotted) {
        error = refusal(path, "it is not the full path of a file or folder");
        return {};
    }
    return decodeFileName(clean);
}

// The lossless path of a local file URL; empty for anything else, with `error` set for a
// file URL that cannot name a file here.
QString localPathOf(const QByteArray &encoded, QString &error)
{
    const QUrl url = QUrl::fromEncoded(encoded.trimmed());
    if (!url.isValid() || url.scheme() != QLatin1String("file"))
        return {};
    if (!(url.host().isEmpty() || url.host() == QLatin1String("localhost"))) {
        error = refusal(encoded.trimmed(), "it is not on this computer");
        return {};
    }
    return cleanPath(
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()), error);
}

QStringList readUriLines(const QByteArray &text, QString &error, int firstLine = 0)
{
    QStringList paths;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = firstLine; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        QString refused;
        if (const QString path = localPathOf(line, refused); !path.isEmpty())
            paths << path;
        if (error.isEmpty())
            error = refused;
    }
    return paths;
}

} // namespace

QByteArray idListArrayBytes(const ShellItems &items)
{
    const auto count = std::uint32_t(items.items.size());
    QByteArray block;
    appendU32(block, count);
    std::uint32_t offset = 4 * (count + 2);
    const IdList parent = items.parent.isNull() ? IdList::empty() : items.parent;
    appendU32(block, offset);
    offset += std::uint32_t(parent.size());
    for (const IdList &item : items.items) {
        appendU32(block, offset);
        offset += std::uint32_t(IdListSize(item));
    }
    block += parent.bytes();
    for (const IdList &item : items.items)
        block += item.bytes();
    return block;
}

std::optional<ShellItems> readIdListArray(const QByteArray &bytes)
{
    try {
        ByteReader reader(bytes.constData(), size_t(bytes.size()));
        const std::uint32_t count = reader.u32();
        if (count > MaxDroppedItems || std::uint64_t(count + 1) * 4 > reader.remaining())
            return std::nullopt;
        std::vector<std::uint32_t> offsets(count + 1);
        for (std::uint32_t &offset : offsets)
            offset = reader.u32();
        ShellItems items;
        for (std::uint32_t i = 0; i <= count; ++i) {
            if (offsets[i] >= std::uint32_t(bytes.size()))
                return std::nullopt;
            const IdList list = IdList::fromBytes(QByteArrayView(bytes).sliced(offsets[i]));
            if (list.isNull())
                return std::nullopt;
            if (i == 0)
                items.parent = list;
            else
                items.items.push_back(list);
        }
        for (const IdList &item : items.items)
            items.paths << shellModel().pathText(ConcatIdLists(items.parent, item));
        return items;
    } catch (const Error &) {
        return std::nullopt;
    }
}

std::unique_ptr<QMimeData> makeShellMimeData(const ShellItems &items, const QString &clipboardVerb)
{
    auto data = std::make_unique<QMimeData>();
    data->setData(IdListArrayMime, idListArrayBytes(items));
    data->setData(UriListMime, uriListOf(items.paths, "\r\n"));
    QByteArray text;
    for (const QString &path : items.paths)
        text += encodeFileName(path) + "\r\n";
    data->setData(PlainTextMime, text);
    if (!clipboardVerb.isEmpty()) {
        QByteArray copied = clipboardVerb.toLatin1() + '\n' + uriListOf(items.paths, "\n");
        copied.chop(1);
        data->setData(CopiedFilesMime, copied);
    }
    return data;
}

std::uint32_t allowedEffectsOf(const ShellItems &items)
{
    if (items.items.empty())
        return DROPEFFECT_ALL;
    const ShellFolderPtr parent = shellModel().bindToFolder(items.parent);
    if (!parent)
        return DROPEFFECT_ALL;
    return parent->attributesOf(items.items, SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK)
        .value_or(DROPEFFECT_ALL);
}

DroppedFiles readDroppedFiles(const QMimeData *data)
{
    DroppedFiles dropped;
    if (!data)
        return dropped;
    if (data->hasFormat(CopiedFilesMime)) {
        const QByteArray copied = data->data(CopiedFilesMime);
        dropped.cut = copied.startsWith("cut\n") || copied.startsWith("cut\r\n");
        dropped.paths = readUriLines(copied, dropped.refused, 1);
    }
    if (data->hasFormat(IdListArrayMime)) {
        if (const std::optional<ShellItems> items = readIdListArray(data->data(IdListArrayMime))) {
            dropped.allowedEffects = allowedEffectsOf(*items);
            if (dropped.paths.isEmpty())
                for (const QString &path : items->paths)
                    if (const QString clean = cleanPath(encodeFileName(path), dropped.refused);
                        !clean.isEmpty())
                        dropped.paths << clean;
        }
    }
    if (dropped.paths.isEmpty() && data->hasFormat(UriListMime))
        dropped.paths = readUriLines(data->data(UriListMime), dropped.refused);
    return dropped;
}

} // namespace lumisnap
