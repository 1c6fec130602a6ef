#pragma once

#include <QFrame>
#include <array>

#include "settings/IpFieldValue.h"

class QLineEdit;

namespace horavane::ui {

// The platform's IP-address field: four parts of 0 to 255 between fixed dots, each of which may be
// empty. Three digits move on to the next part and select it; '.' or a space moves on only from a
// part that holds digits of its own (not merely selected ones), so the dot typed after an automatic
// move is swallowed. Ctrl+A, a double click or a drag across the parts selects the whole address, and
// what is typed then replaces it from the first part; a pasted dotted address fills all four parts.
// The arrows move between parts at their ends, Backspace at a part's start moves back, and a number
// above 255 becomes 255. Disabling greys the parts and keeps their text.
class IpAddressEdit : public QFrame {
    Q_OBJECT

  public:
    static constexpr int kParts = 4;

    explicit IpAddressEdit(QWidget* parent = nullptr);

    [[nodiscard]] IpFieldValue Value() const;
    void SetValue(const IpFieldValue& value);
    void SetAddress(Ipv4Address address);
    void Clear();
    [[nodiscard]] bool IsBlank() const { return Value().IsBlank(); }
    // Dotted text with empty parts left empty ("10..3."); "" when blank, as the platform reads it.
    [[nodiscard]] QString Text() const;
    [[nodiscard]] QLineEdit* Part(int index) const { return parts_.at(static_cast<std::size_t>(index)); }
    // The field's name for a screen reader; each part is named after it ("…, part 2 of 4").
    void SetAccessibleFieldName(const QString& name);
    [[nodiscard]] bool WholeAddressSelected() const { return wholeSelected_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    bool OnPartKey(int index, QKeyEvent* key);
    bool OnPartMouse(int index, QEvent* event);
    void OnPartEdited(int index);
    void FocusPart(int index, bool selectAll);
    void SelectWholeAddress();
    void DropWholeSelection();
    bool PasteAddress(const QString& text);
    [[nodiscard]] int IndexOf(QObject* object) const;
    [[nodiscard]] QRect PartsRect() const;
    [[nodiscard]] int DotWidth() const;
    void LayOutParts();
    void UpdateBackground();

    std::array<QLineEdit*, kParts> parts_{};
    bool wholeSelected_ = false;
    bool dragging_ = false;
};

}  // namespace horavane::ui
