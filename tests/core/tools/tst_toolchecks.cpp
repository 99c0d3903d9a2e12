#include "DenoManager.h"
#include "DiagnosticsReport.h"
#include "EJSManager.h"
#include "FFmpegManager.h"
#include "ReleaseTag.h"
#include "SettingsStore.h"
#include "TestSupport.h"
#include "YTDLPManager.h"

#include <QCoroTask>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(Tool)

namespace {

QByteArray printLines(int count, const char* stream = "")
{
    return QByteArray("#!/bin/sh\ni=0\nwhile [ $i -lt ") + QByteArray::number(count)
        + " ]; do i=$((i+1)); echo \"extractor $i\"" + stream + "; echo; done\n";
}

} // namespace

// Smoke tests and the challenge-solver check run small scripted stand-ins of the tools.
class TestToolChecks : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void smokeTests_data()
    {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<QByteArray>("script"); // empty: no such program
        QTest::addColumn<double>("timeout");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("detail"); // a regular expression

        QTest::newRow("yt-dlp with 100 extractors")
            << Tool::ytdlp << printLines(100) << 30.0 << false << "^100 extractors loaded$";
        QTest::newRow("yt-dlp with 101 extractors")
            << Tool::ytdlp << printLines(101) << 30.0 << true << "^101 extractors loaded$";
        QTest::newRow("yt-dlp failing")
            << Tool::ytdlp << QByteArray("#!/bin/sh\nprintf 'ERROR: no module' >&2\nexit 1\n") << 30.0
            << false << "^ERROR: no module$";
        QTest::newRow("ffmpeg failing")
            << Tool::ffmpeg << QByteArray("#!/bin/sh\necho 'Unknown input format' >&2\nexit 8\n") << 30.0
            << false << "^Unknown input format\n$";
        QTest::newRow("deno printing 42 but failing")
            << Tool::deno << QByteArray("#!/bin/sh\necho 42\necho 'warning' >&2\nexit 3\n") << 30.0 << true
            << "^warning\n$";
        QTest::newRow("deno printing 42") << Tool::deno << QByteArray("#!/bin/sh\nprintf ' 42\\n\\n'\n")
                                          << 30.0 << true << "^Evaluated JS$";
        QTest::newRow("deno miscalculating")
            << Tool::deno << QByteArray("#!/bin/sh\necho 41\n") << 30.0 << false << "^Evaluated JS$";
        QTest::newRow("launch failure")
            << Tool::ffmpeg << QByteArray() << 30.0 << false << "^Failed to launch ";
        QTest::newRow("time-out") << Tool::deno << QByteArray("#!/bin/sh\nexec sleep 60\n") << 0.5 << false
                                  << "^Timed out after 0.5 seconds.$";
    }

    void smokeTests()
    {
        QFETCH(Tool, tool);
        QFETCH(QByteArray, script);
        QFETCH(double, timeout);
        QFETCH(bool, ok);
        QFETCH(QString, detail);
        const QString path = script.isEmpty()
            ? m_dir.filePath(QStringLiteral("missing"))
            : TestSupport::writeScript(m_dir.filePath(QTest::currentDataTag()), script);
        auto task = tool == Tool::ytdlp ? YTDLPManager::smokeTest(path, timeout)
            : tool == Tool::ffmpeg      ? FFmpegManager::smokeTest(path, timeout)
                                        : DenoManager::smokeTest(path, timeout);
        const CheckResult result = QCoro::waitFor(std::move(task));
        QCOMPARE(result.first, ok);
        QVERIFY2(result.second.contains(QRegularExpression(detail)), qPrintable(result.second));
    }

    void challengeSolverCheck_data()
    {
        QTest::addColumn<QByteArray>("script"); // empty: yt-dlp not installed
        QTest::addColumn<bool>("remote");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("detail");
        const QByteArray noEjs = printLines(3, " >&2");
        QTest::newRow("bundled, told on the error stream")
            << QByteArray("#!/bin/sh\necho '[debug] Python 3.11'>&2\n"
                          "printf '[debug] Optional libraries: \\tyt_dlp_EJS-0.3.1, certifi \\n' >&2\n")
            << false << true << "Bundled — Optional libraries: \tyt_dlp_EJS-0.3.1, certifi";
        QTest::newRow("streams kept apart")
            << QByteArray("#!/bin/sh\nprintf 'generic' \nprintf 'ejs 0.3' >&2\n") << false << true
            << "Bundled — ejs 0.3";
        QTest::newRow("fetched on demand")
            << noEjs << true << true << "Fetched on demand from GitHub by yt-dlp (remote components enabled)";
        QTest::newRow("not found") << noEjs << false << false
                                   << "Not found. Enable remote components in Settings › Tools.";
        QTest::newRow("no yt-dlp") << QByteArray() << true << false << "yt-dlp not installed";
    }

    void challengeSolverCheck()
    {
        QFETCH(QByteArray, script);
        QFETCH(bool, remote);
        QFETCH(bool, ok);
        QFETCH(QString, detail);
        SettingsStore::set(QStringLiteral("remoteEJS"), remote);
        const QString path = script.isEmpty()
            ? m_dir.filePath(QStringLiteral("missing"))
            : TestSupport::writeScript(m_dir.filePath(QTest::currentDataTag()), script);
        auto task = EJSManager::status(path, 30);
        QCOMPARE(QCoro::waitFor(std::move(task)), CheckResult(ok, detail));
    }

    void releaseTags_data()
    {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("installed");
        QTest::addColumn<bool>("newer");
        // Equal, newer and unknown versions are covered by the update check against the mirror.
        QTest::newRow("newer") << "2025.02.01"
                               << "2025.01.15" << true;
        QTest::newRow("installed text is a prefix") << "v2.1.4"
                                                    << "2.1" << false;
        QTest::newRow("every v removed") << "vv2.v1"
                                         << "2.1" << false;
    }

    void releaseTags()
    {
        QFETCH(QString, tag);
        QFETCH(QString, installed);
        QFETCH(bool, newer);
        QCOMPARE(ReleaseTag::isNewer(tag, installed), newer);
    }

    void reportHasOneLinePerRow()
    {
        const QList<DiagnosticItem> rows { { QUuid::createUuid(), "Architecture", true, "x86-64 (x86_64)" },
            { QUuid::createUuid(), "Deno", false, "Missing or not working — /t/deno" } };
        const QString report = DiagnosticsReport::text(
            rows, QDateTime(QDate(2025, 1, 20), QTime(9, 30, 5), Qt::UTC), QStringLiteral("/t"));
        QCOMPARE(report.split('\n', Qt::SkipEmptyParts),
            QStringList(
                { "Klipwell diagnostics — 2025-01-20 09:30:05 +0000", "[OK] Architecture: x86-64 (x86_64)",
                    "[FAIL] Deno: Missing or not working — /t/deno", "Tools directory: /t" }));
    }
};

QTEST_GUILESS_MAIN(TestToolChecks)
#include "tst_toolchecks.moc"
