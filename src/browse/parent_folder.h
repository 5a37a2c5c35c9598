#pragma once

#include <QString>

namespace tovrin {

// The folder that contains `path`, for the folder list's one-folder-up.
// Paths are in Qt form ("/" separators, also on Windows). A root stays itself,
// so going up at "/" (or at "C:/") leaves the list where it is. A trailing
// separator does not count as a level: "/a/b/" gives "/a". A network share
// root ("//server/share") also stays itself, because its parent is not a
// folder. A text without any separator comes back unchanged.
QString ParentFolder(const QString& path);

// The absolute, cleaned Qt form of a folder the lists are given: "/"
// separators, no "." or "..", no trailing separator (except a root).
QString CleanFolder(const QString& folder);

}  // namespace tovrin
