#include "SetupView.h"

#include "AppState.h"

#include <QLabel>
#include <QVBoxLayout>

SetupView::SetupView(AppState* state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("SetupView"), this));
}
