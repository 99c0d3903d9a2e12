#include "Formatting.h"
#include "Preset.h"

#include <QTest>

#include <limits>

using OptionalSeconds = std::optional<double>;
using OptionalPreset = std::optional<Preset>;
Q_DECLARE_METATYPE(OptionalSeconds)
Q_DECLARE_METATYPE(OptionalPreset)

class TestFormatting : public QObject {
    Q_OBJECT

private slots:
    void formatDuration_data()
    {
        QTest::addColumn<OptionalSeconds>("seconds");
        QTest::addColumn<QString>("expected");
        const QString unknown = QStringLiteral("—");
        QTest::newRow("absent") << OptionalSeconds() << unknown;
        QTest::newRow("zero") << OptionalSeconds(0) << unknown;
        QTest::newRow("NaN") << OptionalSeconds(std::numeric_limits<double>::quiet_NaN()) << unknown;
        QTest::newRow("infinity") << OptionalSeconds(std::numeric_limits<double>::infinity()) << unknown;
        QTest::newRow("beyond 64 bits") << OptionalSeconds(1e300) << unknown;
        QTest::newRow("59.9 truncates") << OptionalSeconds(59.9) << QStringLiteral("0:59");
        QTest::newRow("just under an hour") << OptionalSeconds(3599.99) << QStringLiteral("59:59");
        QTest::newRow("one hour") << OptionalSeconds(3600) << QStringLiteral("1:00:00");
        QTest::newRow("hours, minutes, seconds") << OptionalSeconds(3 * 3600 + 5 * 60 + 7) << QStringLiteral("3:05:07");
        QTest::newRow("more than a day") << OptionalSeconds(100 * 3600 + 1) << QStringLiteral("100:00:01");
    }

    void formatDuration()
    {
        QFETCH(OptionalSeconds, seconds);
        QFETCH(QString, expected);
        QCOMPARE(::formatDuration(seconds), expected);
    }

    void formatBytes_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << qint64(0) << QStringLiteral("0 bytes");
        QTest::newRow("one") << qint64(1) << QStringLiteral("1 byte");
        QTest::newRow("999") << qint64(999) << QStringLiteral("999 bytes");
        QTest::newRow("1000") << qint64(1000) << QStringLiteral("1 KB");
        QTest::newRow("1500 rounds half up") << qint64(1500) << QStringLiteral("2 KB");
        QTest::newRow("999 499") << qint64(999'499) << QStringLiteral("999 KB");
        QTest::newRow("999 500 carries to MB") << qint64(999'500) << QStringLiteral("1 MB");
        QTest::newRow("MB one decimal, half up") << qint64(12'350'000) << QStringLiteral("12.4 MB");
        QTest::newRow("999.95 MB carries to GB") << qint64(999'950'000) << QStringLiteral("1 GB");
        QTest::newRow("GB two decimals") << qint64(1'234'567'890) << QStringLiteral("1.23 GB");
        QTest::newRow("GB trailing zero dropped") << qint64(1'500'000'000) << QStringLiteral("1.5 GB");
        QTest::newRow("GB half up") << qint64(1'005'000'000) << QStringLiteral("1.01 GB");
        QTest::newRow("999.995 TB carries to PB") << qint64(999'995'000'000'000) << QStringLiteral("1 PB");
        QTest::newRow("largest value") << std::numeric_limits<qint64>::max() << QStringLiteral("9.22 EB");
        QTest::newRow("minus one") << qint64(-1) << QStringLiteral("-1 byte");
        QTest::newRow("negative MB") << qint64(-12'300'000) << QStringLiteral("-12.3 MB");
        QTest::newRow("negative half rounds away from zero") << qint64(-1500) << QStringLiteral("-2 KB");
        QTest::newRow("smallest value") << std::numeric_limits<qint64>::min() << QStringLiteral("-9.22 EB");
    }

    void formatBytes()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, expected);
        QCOMPARE(::formatBytes(bytes), expected);
    }

    // The stored names of the presets, in picker order, and names that are none.
    void presetRawValues_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<OptionalPreset>("expected");
        const QStringList names { "Best Quality", "4K", "1080p", "720p", "Audio Only", "Advanced" };
        for (int i = 0; i < names.size(); ++i)
            QTest::newRow(qPrintable(names[i])) << names[i] << OptionalPreset(allPresets().value(i));
        QTest::newRow("capitals") << QStringLiteral("1080P") << OptionalPreset();
        QTest::newRow("prefix of a name") << QStringLiteral("Best") << OptionalPreset();
        QTest::newRow("surrounding blank") << QStringLiteral(" 4K") << OptionalPreset();
        QTest::newRow("case name, not display name") << QStringLiteral("custom") << OptionalPreset();
        QTest::newRow("empty") << QString() << OptionalPreset();
    }

    void presetRawValues()
    {
        QFETCH(QString, text);
        QFETCH(OptionalPreset, expected);
        QCOMPARE(presetFromRawValue(text), expected);
        if (expected)
            QCOMPARE(rawValue(*expected), text);
    }
};

QTEST_GUILESS_MAIN(TestFormatting)
#include "tst_formatting.moc"
