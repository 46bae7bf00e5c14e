#pragma once

#include <utility>
#include <vector>

#include <QString>
#include <QTemporaryDir>

// Catalogues compiled by msgfmt into a temporary locale folder, as the build makes them.
class TCatalogueFixture {
public:
    using Entries = std::vector<std::pair<QString, QString>>;

    // Writes <folder>/<lang>/LC_MESSAGES/<domain>.mo from the (English, translated) pairs.
    bool Add(const QString& lang, const char* domain, const Entries& entries);
    // The locale folder, for BindDomain.
    QString Folder() const { return FDir.path(); }

private:
    QTemporaryDir FDir;
};
