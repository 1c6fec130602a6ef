#include "ui/ClockListBox.h"

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
