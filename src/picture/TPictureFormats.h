#pragma once

#include "picture/TGraphic.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace lumisnap {

// The file-format registry: which picture class reads files of an extension.
class TPictureFormats
{
public:
    using Factory = std::function<std::unique_ptr<TGraphic>()>;

    struct Entry
    {
        QString extension; // lower-case, without the dot
        QString description;
        Factory create;
        int descriptionResource = 0;
    };

    // The program's registry, filled on first use with the built-in formats.
    static TPictureFormats &instance();

    // An empty registry (tests); withBuiltInFormats() gives the program's contents.
    TPictureFormats() = default;
    static TPictureFormats withBuiltInFormats();

    void registerFormat(const QString &extension, const QString &description, Factory create);
    // The latest registration of extension, compared without letter case; null when
    // none.
    const Entry *find(const QString &extension) const;
    const std::vector<Entry> &entries() const { return m_entries; }

private:
    std::vector<Entry> m_entries;
};

} // namespace lumisnap
