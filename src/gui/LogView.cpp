#include "LogView.h"

#include "Appearance.h"
#include "FileManager.h"
#include "LogManager.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

LogView::LogView(const QUuid& id, QWidget* parent)
    : QDialog(parent)
    , m_id(id)
{
    setWindowTitle(tr("Download Log"));
    setWindowModality(Qt::WindowModal);
    resize(720, 480);

    auto* header = new QHBoxLayout;
    auto* title = new QLabel(tr("Download Log"), this);
    title->setFont(Appearance::scaled(font(), 1.2, QFont::Bold));
    header->addWidget(title);
    header->addStretch(1);
    const auto button = [&](const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setAccessibleName(text);
        b->setAutoDefault(false);
        header->addWidget(b);
        return b;
    };
    QPushButton* refreshButton = button(tr("Refresh"));
    QPushButton* copy = button(tr("Copy"));
    QPushButton* showFile = button(tr("Show File"));
    QPushButton* done = button(tr("Done"));
    done->setDefault(true);

    m_note = Appearance::secondaryLabel(QString(), this);
    m_note->hide();
    m_view = new QPlainTextEdit(this);
    m_view->setReadOnly(true);
    m_view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_view->setFont(Appearance::monospace(0.95));
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_view->setAccessibleName(tr("Log text"));

    auto* column = new QVBoxLayout(this);
    column->addLayout(header);
    column->addWidget(m_note);
    column->addWidget(m_view, 1);

    connect(refreshButton, &QPushButton::clicked, this, &LogView::refresh);
    connect(copy, &QPushButton::clicked, this, [this] { QGuiApplication::clipboard()->setText(m_text); });
    connect(showFile, &QPushButton::clicked, this,
        [this] { FileManager::showItem(LogManager::shared().taskLogPath(m_id)); });
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    connect(&m_read, &QFutureWatcher<Shown>::finished, this, [this] { display(m_read.result()); });
    refresh();
}

LogView::~LogView()
{
    // The read only waits for the log worker; let it end before the watcher goes.
    m_read.waitForFinished();
}

LogView* LogView::present(const QUuid& id, QWidget* parent)
{
    auto* sheet = new LogView(id, parent);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->open();
    return sheet;
}

void LogView::refresh()
{
    if (m_read.isRunning())
        return;
    const QUuid id = m_id;
    // The end is cut off in the worker too, so a huge log is never held here.
    m_read.setFuture(QtConcurrent::run([id] { return shownPart(LogManager::shared().read(id)); }));
}

LogView::Shown LogView::shownPart(const QString& log)
{
    if (log.size() <= shownLimit)
        return { log, false };
    QString end = log.right(shownLimit);
    // Start at a whole line.
    const qsizetype lineStart = end.indexOf(QLatin1Char('\n'));
    if (lineStart >= 0)
        end.remove(0, lineStart + 1);
    return { end, true };
}

void LogView::display(const Shown& shown)
{
    m_note->setText(
        tr("The log file holds more than is shown here; this is its end. Show File opens the whole log."));
    m_note->setVisible(shown.cut);
    m_text = shown.text;
    m_view->setPlainText(shown.text);
    emit loaded();
}
