#include "picture/TPictureFormats.h"

#include "picture/TBitmap.h"
#include "picture/TGIFImage.h"
#include "picture/TIcon.h"
#include "picture/TJPEGImage.h"
#include "picture/TMetafile.h"

namespace lumisnap {

namespace {

template <typename T> TPictureFormats::Factory factory()
{
    return [] { return std::make_unique<T>(); };
}

} // namespace

TPictureFormats &TPictureFormats::instance()
{
    static TPictureFormats formats = withBuiltInFormats();
    return formats;
}

// The four the registry starts with, then the JPEG and GIF modules' own, in the
// order the program registers them.
TPictureFormats TPictureFormats::withBuiltInFormats()
{
    TPictureFormats f;
    f.registerFormat(QStringLiteral("wmf"), QStringLiteral("Metafiles"), factory<TMetafile>());
    f.registerFormat(
        QStringLiteral("emf"), QStringLiteral("Enhanced Metafiles"), factory<TMetafile>());
    f.registerFormat(QStringLiteral("ico"), QStringLiteral("Icons"), factory<TIcon>());
    f.registerFormat(QStringLiteral("bmp"), QStringLiteral("Bitmaps"), factory<TBitmap>());
    f.registerFormat(
        QStringLiteral("jpeg"), QStringLiteral("JPEG Image File"), factory<TJPEGImage>());
    f.registerFormat(
        QStringLiteral("jpg"), QStringLiteral("JPEG Image File"), factory<TJPEGImage>());
    f.registerFormat(
        QStringLiteral("gif"), QStringLiteral("CompuServe GIF Image"), factory<TGIFImage>());
    return f;
}

void TPictureFormats::registerFormat(
    const QString &extension, const QString &description, Factory create)
{
    m_entries.push_back({ extension.toLower(), description, std::move(create), 0 });
}

const TPictureFormats::Entry *TPictureFormats::find(const QString &extension) const
{
    const QString wanted = extension.toLower();
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it)
        if (it->extension == wanted)
            return &*it;
    return nullptr;
}

} // namespace lumisnap
