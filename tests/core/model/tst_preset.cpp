#include "Preset.h"

#include <QTest>

using OptionalPreset = std::optional<Preset>;
Q_DECLARE_METATYPE(OptionalPreset)

class TestPreset : public QObject {
    Q_OBJECT

private slots:
    // The stored names of the presets, in picker order, and names that are none.
    void rawValues_data()
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

    void rawValues()
    {
        QFETCH(QString, text);
        QFETCH(OptionalPreset, expected);
        QCOMPARE(presetFromRawValue(text), expected);
        if (expected)
            QCOMPARE(rawValue(*expected), text);
    }
};

QTEST_GUILESS_MAIN(TestPreset)
#include "tst_preset.moc"
