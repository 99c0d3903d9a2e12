#pragma once

#include <QString>

// Media made with ffmpeg once per test executable (thread-safe) into a
// temporary folder, to serve with serveDirectory("/media/", folder()):
//   clip.mp4, clip2.mp4  2 s, 320x180, H.264 + AAC, other picture and tone
//   hls/master.m3u8      variants of 2 s in 1 s segments: 1080p 25 fps "4540",
//                        720p 60 fps "2200", 480p without FRAME-RATE "900", audio
//                        "128" (not an EXT-X-MEDIA group, which Debian's yt-dlp
//                        leaves without a codec)
//   page.html            "Two clips": <video> elements for both clips, a playlist
namespace TestMedia {

inline const QString directVideo = QStringLiteral("clip.mp4");
inline const QString secondVideo = QStringLiteral("clip2.mp4");
inline const QString hlsMaster = QStringLiteral("hls/master.m3u8");
inline const QString playlistPage = QStringLiteral("page.html");

QString folder(); // empty when generation failed
QString error(); // the failed ffmpeg command and its output

} // namespace TestMedia
