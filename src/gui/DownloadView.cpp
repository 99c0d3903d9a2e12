#include "DownloadView.h"

#include "AppState.h"

#include <QLabel>
#include <QVBoxLayout>

DownloadView::DownloadView(AppState* state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("DownloadView"), this));
}
