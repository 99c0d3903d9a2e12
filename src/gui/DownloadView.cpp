#include "DownloadView.h"

#include "Appearance.h"
#include "AppState.h"
#include "ExtrasSection.h"
#include "MediaHeader.h"
#include "NoticeBox.h"
#include "PlaylistSection.h"
#include "QualitySection.h"
#include "Shortcuts.h"
#include "Spinner.h"
#include "Symbols.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLabel* symbolLabel(const QString& symbol, int size, QWidget* parent, const QColor& tint = QColor())
{
    auto* label = new QLabel(parent);
    label->setPixmap(Symbols::icon(symbol, tint).pixmap(size, size));
    label->setFixedSize(size, size);
    return label;
}

QToolButton* iconButton(const QString& symbol, const QString& help, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setIcon(Symbols::icon(symbol));
    button->setToolTip(help);
    button->setAccessibleName(help);
    button->setAutoRaise(true);
    return button;
}

// A prominent button with the download symbol.
QPushButton* downloadButton(const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(Symbols::icon(QStringLiteral("arrow.down.circle.fill")), text, parent);
    button->setAccessibleName(text);
    button->setDefault(true);
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, Appearance::accent(palette));
    palette.setColor(QPalette::ButtonText, palette.color(QPalette::HighlightedText));
    button->setPalette(palette);
    button->setIcon(Symbols::icon(QStringLiteral("arrow.down.circle.fill"), palette.color(QPalette::HighlightedText)));
    return button;
}

} // namespace

DownloadView::DownloadView(AppState* state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_query(new QTimer(this))
{
    setAccessibleName(tr("Download"));
    m_query->setSingleShot(true);
    m_query->setInterval(queryDelayMs);
    connect(m_query, &QTimer::timeout, this, &DownloadView::queryIfChanged);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildLinkBar());
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    layout->addWidget(divider);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(scroll);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(20, 16, 20, 20);
    m_idle = buildIdle();
    m_loading = buildLoading();
    m_failed = new NoticeBox(QStringLiteral("exclamationmark.triangle.fill"), Appearance::warning(), content);
    m_loaded = buildLoaded();
    for (QWidget* page : { m_idle, m_loading, static_cast<QWidget*>(m_failed), m_loaded }) {
        page->setParent(content);
        column->addWidget(page);
    }
    column->addStretch(1);
    scroll->setWidget(content);
    layout->addWidget(scroll, 1);

    connect(m_state, &AppState::urlTextChanged, this, &DownloadView::linkTextChanged);
    connect(m_state, &AppState::canDownloadChanged, this,
        [this] { m_download->setEnabled(m_state->canDownload()); });
    connect(m_state, &AppState::fetchStateChanged, this, &DownloadView::showFetchState);
    connect(m_state, &AppState::infoChanged, this, &DownloadView::showInfo);
    connect(m_state, &AppState::selectedItemsChanged, this, &DownloadView::showSelection);
    connect(m_state, &AppState::presetChanged, this, [this] { m_extras->setPreset(m_state->preset()); });

    showLinkText();
    m_download->setEnabled(m_state->canDownload());
    m_extras->setPreset(m_state->preset());
    showInfo();
    showFetchState();
}

QWidget* DownloadView::buildLinkBar()
{
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(16, 12, 16, 12);
    row->setSpacing(8);
    row->addWidget(symbolLabel(QStringLiteral("link"), 18, bar, Appearance::secondaryText(palette())));

    m_field = new QLineEdit(bar);
    const QString placeholder = tr("Paste a video or playlist link");
    m_field->setPlaceholderText(placeholder);
    m_field->setAccessibleName(placeholder);
    m_field->setFrame(false);
    m_field->setFont(Appearance::scaled(font(), 1.15));
    row->addWidget(m_field, 1);

    m_clear = iconButton(QStringLiteral("xmark.circle.fill"), tr("Clear"), bar);
    row->addWidget(m_clear);
    auto* paste = iconButton(QStringLiteral("doc.on.clipboard"),
        tr("Paste link from clipboard (%1)").arg(Shortcuts::text(Shortcuts::pasteLink())), bar);
    row->addWidget(paste);

    m_download = downloadButton(tr("Download"), bar);
    m_download->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    row->addWidget(m_download);

    connect(m_field, &QLineEdit::textEdited, m_state, &AppState::setUrlText);
    connect(m_field, &QLineEdit::returnPressed, this, &DownloadView::query);
    connect(m_clear, &QToolButton::clicked, this, [this] {
        m_state->setUrlText(QString());
        m_state->info_reset();
        m_field->setFocus();
    });
    connect(paste, &QToolButton::clicked, this, &DownloadView::paste);
    connect(m_download, &QPushButton::clicked, m_state, &AppState::downloadPressed);
    return bar;
}

QWidget* DownloadView::buildIdle()
{
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 60, 0, 0);
    column->setSpacing(10);
    column->addWidget(symbolLabel(QStringLiteral("play.rectangle.on.rectangle"), 56, page,
                          Appearance::secondaryText(palette())),
        0, Qt::AlignHCenter);
    auto* title = new QLabel(tr("Paste a link to get started"), page);
    title->setFont(Appearance::scaled(font(), 1.35, QFont::DemiBold));
    title->setAlignment(Qt::AlignCenter);
    column->addWidget(title);
    QLabel* line = Appearance::secondaryLabel(
        tr("Drop links anywhere in this window, or press %1 to paste.").arg(Shortcuts::text(Shortcuts::pasteLink())),
        page);
    line->setAlignment(Qt::AlignCenter);
    column->addWidget(line);
    return page;
}

QWidget* DownloadView::buildLoading()
{
    auto* page = new QWidget(this);
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(0, 40, 0, 0);
    row->addStretch(1);
    row->addWidget(new Spinner(16, page));
    auto* text = new QLabel(tr("Discovering formats with yt-dlp…"), page);
    Appearance::makeSecondary(text);
    row->addWidget(text);
    row->addStretch(1);
    return page;
}

QLabel* DownloadView::sectionTitle(const QString& text, QWidget* parent) const
{
    auto* label = new QLabel(text, parent);
    label->setFont(Appearance::scaled(font(), 1.0, QFont::DemiBold));
    label->setContentsMargins(0, 12, 0, 2);
    return label;
}

QWidget* DownloadView::buildLoaded()
{
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    m_header = new MediaHeader(page);
    column->addWidget(m_header);

    column->addWidget(sectionTitle(tr("Quality"), page));
    m_quality = new QualitySection(m_state, page);
    column->addWidget(m_quality);

    m_playlistPane = new QWidget(page);
    auto* playlist = new QVBoxLayout(m_playlistPane);
    playlist->setContentsMargins(0, 0, 0, 0);
    playlist->addWidget(sectionTitle(tr("Playlist items"), m_playlistPane));
    m_playlist = new PlaylistSection(m_playlistPane);
    playlist->addWidget(m_playlist);
    column->addWidget(m_playlistPane);
    connect(m_playlist, &PlaylistSection::selectionEdited, m_state, &AppState::setSelectedItems);

    column->addWidget(sectionTitle(tr("Extras"), page));
    m_extras = new ExtrasSection(page);
    column->addWidget(m_extras);

    m_action = downloadButton(tr("Add to Queue"), page);
    m_action->setMinimumHeight(m_action->sizeHint().height() + 6);
    auto* actionRow = new QHBoxLayout;
    actionRow->setContentsMargins(0, 12, 0, 0);
    actionRow->addStretch(1);
    actionRow->addWidget(m_action);
    column->addLayout(actionRow);
    connect(m_action, &QPushButton::clicked, m_state, &AppState::enqueueCurrent);
    return page;
}

void DownloadView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_field->setFocus();
    m_query->start();
}

void DownloadView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_query->stop();
}

void DownloadView::query()
{
    m_query->stop();
    m_queriedText = m_state->urlText().trimmed();
    m_state->fetch();
}

void DownloadView::queryIfChanged()
{
    // Coming back to the screen, or undoing an edit within the delay, must
    // not query the shown link again: that would drop the choices made for it.
    if (m_state->urlText().trimmed() == m_queriedText
        && !std::holds_alternative<FetchStates::Idle>(m_state->fetchState()))
        return;
    query();
}

void DownloadView::showLinkText()
{
    if (m_field->text() != m_state->urlText())
        m_field->setText(m_state->urlText());
    m_clear->setVisible(!m_state->urlText().isEmpty());
}

void DownloadView::linkTextChanged()
{
    showLinkText();
    if (isVisible())
        m_query->start(); // restarts: only the last change of a burst queries
}

void DownloadView::paste()
{
    const std::optional<QString> text = m_state->pasteboard() ? m_state->pasteboard()->string() : std::nullopt;
    if (text && !text->isEmpty())
        m_state->receive(*text);
}

void DownloadView::showFetchState()
{
    const FetchState& fetch = m_state->fetchState();
    m_idle->setVisible(std::holds_alternative<FetchStates::Idle>(fetch));
    m_loading->setVisible(std::holds_alternative<FetchStates::Loading>(fetch));
    const auto* failed = std::get_if<FetchStates::Failed>(&fetch);
    m_failed->setVisible(failed);
    if (failed)
        m_failed->setText(failed->message);
    m_loaded->setVisible(std::holds_alternative<FetchStates::Loaded>(fetch) && m_state->info());
}

void DownloadView::showInfo()
{
    const std::optional<MediaInfo> info = m_state->info();
    if (!info) {
        m_playlist->setEntries({});
        showFetchState();
        return;
    }
    m_header->show(*info);
    m_quality->show(*info);
    m_extras->show(*info);
    m_playlistPane->setVisible(info->isPlaylist);
    m_playlist->setEntries(info->isPlaylist ? info->entries : QList<PlaylistEntry>());
    showSelection();
    showFetchState();
}

void DownloadView::showSelection()
{
    m_playlist->setSelected(m_state->selectedItems());
    updateActionText();
}

void DownloadView::updateActionText()
{
    const std::optional<MediaInfo> info = m_state->info();
    const QString text = info && info->isPlaylist
        ? tr("Download %1 Items").arg(m_state->selectedItems().size())
        : tr("Add to Queue");
    m_action->setText(text);
    m_action->setAccessibleName(text);
}
