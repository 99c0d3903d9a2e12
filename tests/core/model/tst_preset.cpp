#include "Preset.h"

#include <QTest>

using OptionalPreset = std::optional<Preset>;
Q_DECLARE_METATYPE(OptionalPreset)

class TestPreset : public QObject {
    Q_OBJECT

private slots:
    void unknownNamesAreRejected_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<OptionalPreset>("expected");

        QTest::newRow("capitals") << QStringLiteral("1080P") << OptionalPreset();
        QTest::newRow("prefix of a name") << QStringLiteral("Best") << OptionalPreset();
        QTest::newRow("surrounding blank") << QStringLiteral(" 4K") << OptionalPreset();
        QTest::newRow("case name, not display name") << QStringLiteral("custom") << OptionalPreset();
        QTest::newRow("empty") << QString() << OptionalPreset();
    }

    void unknownNamesAreRejected()
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
};

QTEST_GUILESS_MAIN(TestPreset)
#include "tst_preset.moc"
