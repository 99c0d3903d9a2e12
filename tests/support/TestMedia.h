#pragma once

#include <QString>

// Small media files made with ffmpeg, once per test executable (a few
// seconds, thread-safe) into a temporary folder, for yt-dlp to fetch from
// TestHttpServer::serveDirectory("/media/", TestMedia::folder()):
//   clip.mp4         2 s, 320x180 at 25 fps, H.264 + AAC (yt-dlp's generic
//                    extractor sees one format "mp4" without height or codecs)
//   clip2.mp4        the same shape as clip.mp4 with another picture and tone
//   hls/master.m3u8  HLS master playlist, four variant streams of 2 s each in
//                    1 s segments:
//                      1920x1080 25 fps  BANDWIDTH=4540000 CODECS avc1.64002a  (yt-dlp format "4540")
//                      1280x720  60 fps  BANDWIDTH=2200000 CODECS avc1.64001f  (format "2200", fps 60)
//                      854x480   no FRAME-RATE, BANDWIDTH=900000, avc1.64001e (format "900")
//                      audio only BANDWIDTH=128000 CODECS mp4a.40.2            (format "128")
//                    The audio is a variant stream of its own rather than an
//                    EXT-X-MEDIA group: Debian's yt-dlp leaves the codec of a
//                    group rendition unset, so it would count as neither video
//                    nor audio.
//   audio.m4a        2 s AAC tone
//   page.html        HTML page titled "Two clips" with two <video> elements
//                    pointing at clip.mp4 and clip2.mp4 (relative links): a
//                    playlist of two entries for yt-dlp's generic extractor
namespace TestMedia {

inline const QString directVideo = QStringLiteral("clip.mp4");
inline const QString secondVideo = QStringLiteral("clip2.mp4");
inline const QString hlsMaster = QStringLiteral("hls/master.m3u8");
inline const QString audioM4a = QStringLiteral("audio.m4a");
inline const QString playlistPage = QStringLiteral("page.html");

// The generated folder, or an empty string when generation failed.
QString folder();
QString path(const QString& relative);
// Why generation failed (the ffmpeg command and its output), empty on success.
QString error();

} // namespace TestMedia
