#include "DiagnosticsView.h"

#include "AppState.h"

#include <QLabel>
#include <QVBoxLayout>

DiagnosticsView::DiagnosticsView(AppState* state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("DiagnosticsView"), this));
}
