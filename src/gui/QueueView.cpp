#include "QueueView.h"

#include "AppState.h"

#include <QLabel>
#include <QVBoxLayout>

QueueView::QueueView(AppState* state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("QueueView"), this));
}
