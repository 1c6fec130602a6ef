#include "ui/ClockListBox.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace horavane::ui {

ClockListBox::ClockListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
}

QItemSelectionModel::SelectionFlags ClockListBox::selectionCommand(const QModelIndex& index,
                                                                   const QEvent* event) const {
    const QItemSelectionModel::SelectionFlags command = QListWidget::selectionCommand(index, event);
    if (!index.isValid() || command.testFlag(QItemSelectionModel::Deselect)) {
        return QItemSelectionModel::NoUpdate;
    }
    return command;
}

// The list takes the focus with its first entry current but none selected; the platform's list box
// then selects the first entry on the first arrow, where Qt's would step past it to the second or,
// with the first current already, select nothing.
void ClockListBox::keyPressEvent(QKeyEvent* event) {
    const bool arrow = event->key() == Qt::Key_Down || event->key() == Qt::Key_Up;
    if (arrow && event->modifiers() == Qt::NoModifier && count() > 0 && selectedItems().isEmpty()) {
        setCurrentRow(0);
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void ClockListBox::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    const bool again =
        event->button() == Qt::LeftButton && index.isValid() && selectionModel()->isSelected(index);
    QListWidget::mousePressEvent(event);
    if (again) {
        emit selectedClockClickedAgain();
    }
}

}  // namespace horavane::ui
