#pragma once

#include <QFrame>
#include <array>

#include "settings/IpFieldValue.h"

class QLabel;
class QLineEdit;

namespace horavane::ui {

// The platform's IP-address field: four parts of 0 to 255 between fixed dots, each of which may be
// empty. Typing '.' after a number or a part's third digit moves on to the next part, the arrows move
// between parts at their ends, Backspace in an empty part
// moves back, and a number above 255 becomes 255. Disabling greys the parts and keeps their text.
class IpAddressEdit : public QFrame {
    Q_OBJECT

  public:
    explicit IpAddressEdit(QWidget* parent = nullptr);

    [[nodiscard]] IpFieldValue Value() const;
    void SetValue(const IpFieldValue& value);
    void SetAddress(Ipv4Address address);
    void Clear();
    [[nodiscard]] bool IsBlank() const { return Value().IsBlank(); }
    // Dotted text with empty parts left empty ("10..3."); "" when blank, as the platform reads it.
    [[nodiscard]] QString Text() const;
    [[nodiscard]] QLineEdit* Part(int index) const { return parts_.at(static_cast<std::size_t>(index)); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void OnPartEdited(int index);
    void FocusPart(int index, bool selectAll);
    [[nodiscard]] int IndexOf(QObject* object) const;
    void LayOutParts();
    void UpdateBackground();

    std::array<QLineEdit*, 4> parts_{};
    std::array<QLabel*, 3> dots_{};
};

}  // namespace horavane::ui
