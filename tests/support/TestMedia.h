#pragma once

#include <QString>

// Small media files made with ffmpeg, once per test executable (a few
// seconds, thread-safe) into a temporary folder, for yt-dlp to fetch from
// TestHttpServer::serveDirectory("/media/", TestMedia::folder()):
//   clip.mp4, clip2.mp4  2 s, 320x180, H.264 + AAC, other picture and tone
//   hls/master.m3u8      four variant streams of 2 s in 1 s segments:
//                        1080p 25 fps "4540", 720p 60 fps "2200", 480p
//                        without FRAME-RATE "900", audio only "128". The
//                        audio is a variant, not an EXT-X-MEDIA group, whose
//                        codec Debian's yt-dlp would leave unset.
//   page.html            "Two clips": two <video> elements for clip.mp4 and
//                        clip2.mp4, a playlist of two for the generic extractor
namespace TestMedia {

inline const QString directVideo = QStringLiteral("clip.mp4");
inline const QString secondVideo = QStringLiteral("clip2.mp4");
inline const QString hlsMaster = QStringLiteral("hls/master.m3u8");
inline const QString playlistPage = QStringLiteral("page.html");

// The generated folder, or an empty string when generation failed.
QString folder();
// Why generation failed (the ffmpeg command and its output), empty on success.
QString error();

} // namespace TestMedia
