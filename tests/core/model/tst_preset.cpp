#include "Preset.h"

#include <QTest>

using OptionalPreset = std::optional<Preset>;
using OptionalInt = std::optional<int>;
Q_DECLARE_METATYPE(OptionalPreset)
Q_DECLARE_METATYPE(OptionalInt)

class TestPreset : public QObject {
    Q_OBJECT

private slots:
    void fromRawValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<OptionalPreset>("expected");

        QTest::newRow("1080p") << QStringLiteral("1080p") << OptionalPreset(Preset::hd1080);
        QTest::newRow("Audio Only") << QStringLiteral("Audio Only") << OptionalPreset(Preset::audio);
        QTest::newRow("capitals") << QStringLiteral("1080P") << OptionalPreset();
        QTest::newRow("prefix of a name") << QStringLiteral("Best") << OptionalPreset();
        QTest::newRow("surrounding blank") << QStringLiteral(" 4K") << OptionalPreset();
        QTest::newRow("case name, not display name") << QStringLiteral("custom") << OptionalPreset();
        QTest::newRow("empty") << QString() << OptionalPreset();
    }

    void fromRawValue()
    {
        QFETCH(QString, text);
        QFETCH(OptionalPreset, expected);
        QCOMPARE(presetFromRawValue(text), expected);
    }

    void everyPresetRoundTripsInPickerOrder()
    {
        QStringList names;
        for (const Preset preset : allPresets()) {
            names << rawValue(preset);
            QCOMPARE(presetFromRawValue(rawValue(preset)), preset);
        }
        QCOMPARE(names,
            QStringList({ QStringLiteral("Best Quality"), QStringLiteral("4K"), QStringLiteral("1080p"),
                QStringLiteral("720p"), QStringLiteral("Audio Only"), QStringLiteral("Advanced") }));
    }

    void heightCap_data()
    {
        QTest::addColumn<Preset>("preset");
        QTest::addColumn<OptionalInt>("cap");

        QTest::newRow("best") << Preset::best << OptionalInt();
        QTest::newRow("uhd") << Preset::uhd << OptionalInt(2160);
        QTest::newRow("hd1080") << Preset::hd1080 << OptionalInt(1080);
        QTest::newRow("hd720") << Preset::hd720 << OptionalInt(720);
        QTest::newRow("audio") << Preset::audio << OptionalInt();
        QTest::newRow("custom") << Preset::custom << OptionalInt();
    }

    void heightCap()
    {
        QFETCH(Preset, preset);
        QFETCH(OptionalInt, cap);
        QCOMPARE(::heightCap(preset), cap);
    }
};

QTEST_GUILESS_MAIN(TestPreset)
#include "tst_preset.moc"
