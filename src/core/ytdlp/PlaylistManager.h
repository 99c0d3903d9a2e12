#pragma once

#include <QSet>
#include <QString>

#include <optional>

namespace PlaylistManager {

// yt-dlp's item-list text for the selected 1-based positions, with runs of
// consecutive positions written as "first-last" ("1-3,5,7-8"). Nothing when
// the selection is empty or as large as the playlist: then yt-dlp takes
// every item.
std::optional<QString> itemsString(const QSet<int>& selected, int total);

} // namespace PlaylistManager
