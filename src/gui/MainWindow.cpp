#include "MainWindow.h"

#include "AppState.h"
#include "DiagnosticsView.h"
#include "DownloadManager.h"
#include "DownloadView.h"
#include "DropOverlay.h"
#include "HistoryView.h"
#include "MainMenus.h"
#include "QueueView.h"
#include "SetupView.h"
#include "SidebarDelegate.h"
#include "SidebarModel.h"
#include "ToastView.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QListView>
#include <QMimeData>
#include <QSplitter>
#include <QStackedWidget>

MainWindow::MainWindow(AppState* state, QWidget* parent)
    : QMainWindow(parent)
    , m_state(state)
{
    setWindowTitle(QStringLiteral("Klipwell"));
    setMinimumSize(820, 560);
    resize(980, 680);

    auto* central = new QWidget(this);
    m_pages = new QStackedWidget(central);
    m_setup = new SetupView(state, m_pages);
    m_pages->addWidget(m_setup);
    m_pages->addWidget(buildWorkingScreens());
    setCentralWidget(central);

    m_dropOverlay = new DropOverlay(central);
    m_toast = new ToastView(state, central);
    m_menus = new MainMenus(state, this);

    connect(m_state, &AppState::setupDoneChanged, this, &MainWindow::showSetupOrScreens);
    connect(m_state, &AppState::selectionChanged, this, &MainWindow::showSelection);
    showSetupOrScreens();
    showSelection();

    // Drags reach the window's filter only through widgets that accept drops;
    // the window itself does, so every drag ends up here.
    setAcceptDrops(true);
    // Drags are taken before any child sees them, so every part of the
    // window (text fields and lists included) is one drop target.
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
}

QWidget* MainWindow::buildWorkingScreens()
{
    auto* split = new QSplitter(Qt::Horizontal, m_pages);
    split->setChildrenCollapsible(false);

    m_sidebarModel = new SidebarModel(m_state->downloads(), this);
    m_sidebar = new QListView(split);
    m_sidebar->setModel(m_sidebarModel);
    m_sidebar->setItemDelegate(new SidebarDelegate(m_sidebar));
    m_sidebar->setMinimumWidth(150);
    m_sidebar->setMaximumWidth(220);
    m_sidebar->setFrameShape(QFrame::NoFrame);
    m_sidebar->setAccessibleName(tr("Sections"));
    m_sidebar->setSelectionMode(QAbstractItemView::SingleSelection);
    m_sidebar->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_sidebar->setUniformItemSizes(true);
    QPalette sidebarPalette = m_sidebar->palette();
    sidebarPalette.setColor(QPalette::Base, sidebarPalette.color(QPalette::Window).darker(104));
    m_sidebar->setPalette(sidebarPalette);
    connect(m_sidebar->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &MainWindow::sidebarSelectionChanged);

    m_detail = new QStackedWidget(split);
    m_detail->addWidget(new DownloadView(m_state, m_detail));
    m_detail->addWidget(new QueueView(m_state, m_detail));
    m_detail->addWidget(new HistoryView(m_state, m_detail));
    m_detail->addWidget(new DiagnosticsView(m_state, m_detail));

    split->addWidget(m_sidebar);
    split->addWidget(m_detail);
    split->setStretchFactor(1, 1);
    split->setSizes({ 170, 810 });
    return split;
}

QWidget* MainWindow::screen(int sidebarRow) const
{
    return m_detail->widget(sidebarRow);
}

void MainWindow::showSetupOrScreens()
{
    m_pages->setCurrentIndex(m_state->setupDone() ? 1 : 0);
}

void MainWindow::showSelection()
{
    const QModelIndex index = m_sidebarModel->indexOf(m_state->selection());
    if (m_sidebar->currentIndex() != index || !m_sidebar->selectionModel()->isSelected(index))
        m_sidebar->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_detail->setCurrentIndex(index.row());
}

void MainWindow::sidebarSelectionChanged()
{
    const QModelIndexList selected = m_sidebar->selectionModel()->selectedIndexes();
    // Nothing left selected means the Download screen.
    const SidebarItem item = selected.isEmpty()
        ? SidebarItem::download
        : selected.first().data(SidebarModel::ItemRole).value<SidebarItem>();
    m_state->setSelection(item);
    showSelection();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_launched)
        return;
    m_launched = true;
    m_state->launch(); // runs on by itself; the window only observes its outcome
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    m_dropOverlay->setGeometry(centralWidget()->rect());
    m_pages->setGeometry(centralWidget()->rect());
    m_toast->place();
}

bool MainWindow::isDropTargeted() const
{
    return m_dropOverlay->isVisible();
}

void MainWindow::setDropTargeted(bool targeted)
{
    if (targeted) {
        m_dropOverlay->setGeometry(centralWidget()->rect());
        m_dropOverlay->show();
        m_dropOverlay->raise();
        m_toast->raise();
    } else {
        m_dropOverlay->hide();
    }
}

bool MainWindow::belongsToThisWindow(QObject* object) const
{
    auto* widget = qobject_cast<QWidget*>(object);
    return widget && widget->window() == this;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
        if (!belongsToThisWindow(watched))
            break;
        static_cast<QDragMoveEvent*>(event)->acceptProposedAction();
        setDropTargeted(true);
        return true;
    case QEvent::DragLeave:
        if (!belongsToThisWindow(watched))
            break;
        // Moving from one child to another sends this leave right before the
        // next enter, so the overlay never flickers.
        setDropTargeted(false);
        return true;
    case QEvent::Drop: {
        if (!belongsToThisWindow(watched))
            break;
        auto* drop = static_cast<QDropEvent*>(event);
        drop->acceptProposedAction();
        setDropTargeted(false);
        receiveDrop(drop->mimeData());
        return true;
    }
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

// Dropped links (web or file) are received together, one a line, so several
// links dragged at once all queue instead of replacing each other in the field.
void MainWindow::receiveDrop(const QMimeData* data)
{
    if (data->hasUrls()) {
        QStringList links;
        for (const QUrl& url : data->urls())
            links << url.toString(QUrl::FullyEncoded);
        m_state->receive(links.join(u'\n'));
        return;
    }
    if (data->hasText())
        m_state->receive(data->text());
}
