#pragma once

#include <QString>
#include <QUrl>

#include "core/Version.h"

namespace krelin {

// The addresses behind the Help menu's Web links, kept in one place.
inline const QUrl VelquinUrl = QUrl(QStringLiteral("https://velquin.example.org/"));
inline const QUrl KrelinPageUrl = QUrl(QStringLiteral("https://velquin.example.org/krelin/"));
inline const QUrl NesdevWikiUrl = QUrl(QStringLiteral("https://www.nesdev.org/wiki/Nesdev_Wiki"));
inline const QString AuthorEmail = QStringLiteral("krelin@velquin.example.org");

// The mail link: "Krelin Version 0.51" as its subject (minor and revision side by side).
inline QUrl AuthorMailUrl()
{
    QUrl url(QStringLiteral("mailto:") + AuthorEmail);
    url.setQuery(QStringLiteral("subject=Krelin Version %1.%2%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision));
    return url;
}

// What the user is told when the desktop has nothing to open a link with: the address,
// so that they can open it themselves.
inline QString LinkFailedText(const QUrl &url)
{
    if (url.scheme() == QStringLiteral("mailto"))
        return QStringLiteral("No mail program could be started to write to %1.\n\nPlease write to that address "
                              "from your own mail program.")
            .arg(url.path());
    return QStringLiteral("No web browser could be started to open %1.\n\nPlease open that address in your "
                          "browser yourself.")
        .arg(url.toString());
}

} // namespace krelin
