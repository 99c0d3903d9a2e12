#pragma once

#include <QList>
#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

// A list delegate whose rows end in a strip of painted icon buttons. It
// tracks the hovered button, shows each button's help text as its tooltip
// and reports clicks; subclasses paint the rest of the row and say which
// buttons a row has. The view needs mouse tracking for the hover.
class ButtonRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    struct Button {
        QString symbol;
        QString help;
        int action = 0;
    };

    static constexpr int buttonSize = 26;

    using QStyledItemDelegate::QStyledItemDelegate;

    virtual QList<Button> buttons(const QModelIndex& index) const = 0;
    // Where the buttons of a row lie, right-aligned and vertically centred.
    static QList<QRect> buttonRects(const QRect& row, int count);
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;

signals:
    void actionTriggered(const QModelIndex& index, int action);

protected:
    // Paints a symbol from a cache: drawing a symbol anew costs more than
    // the rest of a row, and live rows repaint many times a second.
    static void paintSymbol(
        QPainter* painter, const QRect& rect, const QString& symbol, const QColor& tint, bool themed = true);
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;
    // The row's background and its buttons; returns the row's area left of them.
    QRect paintFrame(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;

private:
    int buttonAt(const QStyleOptionViewItem& option, const QModelIndex& index, const QPoint& pos) const;

    QPersistentModelIndex m_hoveredRow;
    int m_hoveredButton = -1;
};
