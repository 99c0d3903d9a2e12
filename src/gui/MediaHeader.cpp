#include "MediaHeader.h"

#include "Appearance.h"
#include "Formatting.h"
#include "IconLabel.h"
#include "MediaInfo.h"
#include "Symbols.h"
#include "ThumbnailLoader.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {

constexpr qreal cornerRadius = 8;

// A rounded picture of the thumbnail's size: the image cropped to fill it,
// or a neutral tile with a film symbol while there is none.
QPixmap tile(const QImage& image, const QPalette& palette, qreal dpr)
{
    const QSize size = MediaHeader::thumbnailSize;
    QPixmap pixmap(size * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(QPointF(0, 0), size), cornerRadius, cornerRadius);
    p.setClipPath(clip);
    if (image.isNull()) {
        p.fillRect(QRectF(QPointF(0, 0), size), palette.color(QPalette::Mid).lighter(120));
        const int symbol = 40;
        Symbols::icon(QStringLiteral("film"), Appearance::secondaryText(palette))
            .paint(&p, QRect((size.width() - symbol) / 2, (size.height() - symbol) / 2, symbol, symbol));
    } else {
        const QImage filled
            = image.scaled(size * dpr, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
        const QPointF offset((size.width() - filled.width() / dpr) / 2, (size.height() - filled.height() / dpr) / 2);
        QImage shown = filled;
        shown.setDevicePixelRatio(dpr);
        p.drawImage(offset, shown);
    }
    return pixmap;
}

} // namespace

MediaHeader::MediaHeader(QWidget* parent)
    : QWidget(parent)
    , m_loader(new ThumbnailLoader(this))
    , m_thumbnail(new QLabel(this))
    , m_title(new QLabel(this))
    , m_uploader(new IconLabel(QStringLiteral("person.crop.circle"), this))
    , m_duration(new IconLabel(QStringLiteral("clock"), this))
    , m_formats(new IconLabel(QStringLiteral("film"), this))
    , m_playlist(new IconLabel(QStringLiteral("list.bullet.rectangle"), this))
    , m_extractor(Appearance::secondaryLabel(QString(), this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);
    m_thumbnail->setFixedSize(thumbnailSize);
    m_thumbnail->setAccessibleName(tr("Thumbnail"));
    layout->addWidget(m_thumbnail, 0, Qt::AlignTop);

    auto* facts = new QVBoxLayout;
    facts->setSpacing(6);
    m_title->setWordWrap(true);
    m_title->setFont(Appearance::scaled(font(), 1.3, QFont::DemiBold));
    m_title->setTextInteractionFlags(Qt::TextSelectableByMouse);
    facts->addWidget(m_title);
    for (QWidget* line : { static_cast<QWidget*>(m_uploader), static_cast<QWidget*>(m_duration),
             static_cast<QWidget*>(m_formats), static_cast<QWidget*>(m_playlist),
             static_cast<QWidget*>(m_extractor) })
        facts->addWidget(line);
    facts->addStretch(1);
    layout->addLayout(facts, 1);

    connect(m_loader, &ThumbnailLoader::loaded, this, &MediaHeader::showThumbnail);
    showThumbnail(QImage());
}

void MediaHeader::show(const MediaInfo& info)
{
    // The previous link's picture goes at once, whatever the new one brings.
    showThumbnail(QImage());
    m_loader->load(info.thumbnail.value_or(QUrl()));

    m_title->setText(info.title);
    m_title->setAccessibleName(info.title);
    m_uploader->setText(info.uploader);
    const QList<int> heights = info.heights();
    if (info.isPlaylist) {
        m_duration->setText(QString());
        m_formats->setText(QString());
        m_playlist->setText(tr("Playlist · %1 items").arg(info.entries.size()));
    } else {
        m_duration->setText(formatDuration(info.duration));
        m_formats->setText(heights.isEmpty()
                ? QString()
                : tr("Up to %1p · %2 formats").arg(heights.first()).arg(info.formats.size()));
        m_playlist->setText(QString());
    }
    m_extractor->setText(info.extractor);
    m_extractor->setVisible(!info.extractor.isEmpty());
}

void MediaHeader::showThumbnail(const QImage& image)
{
    m_thumbnail->setPixmap(tile(image, palette(), devicePixelRatioF()));
}
