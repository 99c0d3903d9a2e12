// What checking a download against its published SHA-256 costs: installing a
// 100 MB yt-dlp asset from a loopback mirror with its SHA2-256SUMS published
// (verified: hashed while it streams in) and without (unverified: no hashing),
// over the bare loopback and throttled to a real connection's speed, and the hash
// alone over the same bytes.
#include "DependencyManager.h"
#include "Sha256.h"
#include "TestHttpServer.h"
#include "ToolSources.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <tuple>

namespace {

constexpr qint64 noiseSize = 100LL * 1000 * 1000;

// A shell script that passes the version probe and stops reading before the noise.
QByteArray asset()
{
    QByteArray data = "#!/bin/sh\necho 2099.01.01\nexit 0\n";
    data.reserve(data.size() + noiseSize);
    for (qint64 i = 0; i < noiseSize; ++i)
        data.append(char(i * 131 % 251));
    return data;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    for (const char* variable : { "XDG_DATA_HOME", "XDG_CONFIG_HOME", "TMPDIR" })
        qputenv(variable, QFile::encodeName(home.path()));
    QCoreApplication app(argc, argv);

    TestHttpServer server;
    qputenv("KLIPWELL_TOOL_MIRROR", server.origin().toUtf8());
    const ToolSpec spec = *ToolSources::spec(Tool::ytdlp);
    const QString assetPath = spec.urls.first().path();
    const QString sumsPath = assetPath.left(assetPath.lastIndexOf('/') + 1) + QStringLiteral("SHA2-256SUMS");
    const QByteArray body = asset();
    const QString file = home.filePath(QStringLiteral("asset"));
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(body) != body.size())
        return 1;
    out.close();
    server.serveFile(assetPath, file);

    QElapsedTimer timer;
    timer.start();
    Sha256 hash;
    for (qsizetype offset = 0; offset < body.size(); offset += 1 << 20)
        hash.add(QByteArray::fromRawData(
            body.constData() + offset, std::min<qsizetype>(1 << 20, body.size() - offset)));
    const QByteArray digest = hash.hex();
    const double hashSeconds = timer.nsecsElapsed() / 1e9;
    const QByteArray sums = digest + "  " + spec.urls.first().fileName().toUtf8() + "\n";

    DependencyManager manager;
    // Median seconds of verified and unverified installs, taken in turns.
    const auto measure = [&](int rounds) -> std::optional<std::pair<double, double>> {
        QList<double> verified;
        QList<double> unverified;
        for (int round = 0; round < 2 * rounds; ++round) {
            const bool publish = round % 2 == 0;
            if (publish)
                server.serveData(sumsPath, sums);
            else
                server.serveStatus(sumsPath, 404);
            timer.restart();
            auto installing = manager.installOne(spec);
            const auto outcome = QCoro::waitFor(std::move(installing));
            const double seconds = timer.nsecsElapsed() / 1e9;
            const auto* installed = std::get_if<InstalledTool>(&outcome);
            if (!installed || installed->verified != publish) {
                std::printf("install failed: %s\n",
                    installed ? "wrong verification" : qPrintable(std::get<ToolError>(outcome).description));
                return std::nullopt;
            }
            (publish ? verified : unverified).append(seconds);
        }
        return std::pair(median(verified), median(unverified));
    };

    std::printf(
        "install of a %lld MB asset, verified against unverified, median of each:\n", noiseSize / 1000000);
    for (const auto& [label, rate, rounds] : { std::tuple("loopback, unthrottled", 0LL, 9),
             std::tuple("throttled to 100 Mbit/s", 12500LL * 1000, 3) }) {
        server.setBytesPerSecond(rate);
        const auto times = measure(rounds);
        if (!times)
            return 1;
        std::printf("  %s: verified %.3f s, unverified %.3f s, difference %+.1f %% (limit 5 %%)\n", label,
            times->first, times->second, (times->first / times->second - 1) * 100);
    }
    std::printf("SHA-256 of the same bytes on its own: %.3f s (%.0f MB/s)\n", hashSeconds,
        noiseSize / 1e6 / hashSeconds);
    return 0;
}
