#include "NetworkSettings.h"

#include "Appearance.h"
#include "SettingsControls.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

NetworkSettings::NetworkSettings(QWidget* parent)
    : QWidget(parent)
{
    using namespace SettingsControls;
    auto* layout = new QVBoxLayout(this);

    auto* form = new QFormLayout;
    const auto browser = [](const QString& choice) {
        return choice == QStringLiteral("none") ? tr("None") : capitalised(choice);
    };
    form->addRow(tr("Cookies from browser"),
        picker(QStringLiteral("cookiesBrowser"), tr("Cookies from browser"),
            { QStringLiteral("none"), QStringLiteral("safari"), QStringLiteral("chrome"),
                QStringLiteral("firefox"), QStringLiteral("edge"), QStringLiteral("brave"),
                QStringLiteral("chromium"), QStringLiteral("opera"), QStringLiteral("vivaldi") },
            browser, this));
    form->addRow(
        tr("User-Agent"), textField(QStringLiteral("userAgent"), tr("User-Agent"), tr("Default"), this));
    form->addRow(tr("Proxy"),
        textField(QStringLiteral("proxy"), tr("Proxy"), tr("http://host:port or socks5://host:port"), this));
    form->addRow(tr("Rate limit"),
        textField(QStringLiteral("rateLimit"), tr("Rate limit"), tr("e.g. 2M or 500K"), this));
    form->addRow(stepper(tr("Retries: "), QString(), QStringLiteral("retries"), 0, 50, 1, this));
    form->addRow(
        stepper(tr("Concurrent fragments: "), QString(), QStringLiteral("fragments"), 1, 16, 1, this));
    form->addRow(stepper(tr("Network timeout: "), tr("s"), QStringLiteral("timeout"), 5, 300, 5, this));
    layout->addLayout(form);

    auto* extra = new QGroupBox(tr("Additional yt-dlp arguments"), this);
    auto* extraLayout = new QVBoxLayout(extra);
    QLineEdit* arguments = textField(QStringLiteral("extraArgs"), tr("Additional yt-dlp arguments"),
        tr("e.g. --geo-bypass --sponsorblock-remove sponsor"), extra);
    arguments->setFont(Appearance::monospace());
    extraLayout->addWidget(arguments);
    QLabel* note = Appearance::secondaryLabel(
        tr("Passed directly to yt-dlp (no shell). Quote values containing spaces."), extra);
    note->setFont(Appearance::scaled(note->font(), 0.85));
    extraLayout->addWidget(note);
    layout->addWidget(extra);
    layout->addStretch(1);
}
