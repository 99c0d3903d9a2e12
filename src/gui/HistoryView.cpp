#include "HistoryView.h"

#include "AppState.h"

#include <QLabel>
#include <QVBoxLayout>

HistoryView::HistoryView(AppState* state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("HistoryView"), this));
}
