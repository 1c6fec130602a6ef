#pragma once

#include <QListWidget>

namespace horavane::ui {

// The "Online Clock" list: a single-selection list box in which the operator moves the selection
// from clock to clock but never takes it away, as in the platform's list box. A click below the
// last entry or a Ctrl+click on the selected entry leaves the selection, and so the shown clock and
// the clock that Modify writes to, as they were. A click on the selected clock counts as selecting
// it again, as the platform's list box reports it, so the operator can re-read a clock after Modify.
// The first arrow on a list without a selection selects the first clock.
class ClockListBox : public QListWidget {
    Q_OBJECT

  public:
    explicit ClockListBox(QWidget* parent = nullptr);

  signals:
    void selectedClockClickedAgain();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    [[nodiscard]] QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                                       const QEvent* event) const override;
};

}  // namespace horavane::ui
