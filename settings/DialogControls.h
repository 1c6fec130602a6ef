#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/NetTypes.h"

namespace horavane {

// The four parts of an IP-address field; an empty part has no value.
struct IpFieldValue {
    std::array<std::optional<std::uint8_t>, 4> parts{};

    [[nodiscard]] bool IsBlank() const { return FilledParts() == 0; }
    [[nodiscard]] int FilledParts() const;
    // Empty parts read as 0.
    [[nodiscard]] Ipv4Address Address() const;
    [[nodiscard]] static IpFieldValue From(Ipv4Address address);
    // Up to four dot-separated parts, each 0..255 or empty ("10", "10..3.", "192.168.1.7").
    // nullopt for anything else.
    [[nodiscard]] static std::optional<IpFieldValue> Parse(std::string_view text);
    friend bool operator==(const IpFieldValue&, const IpFieldValue&) = default;
};

// The operations the clock logic needs from the main window, every control addressed by its id.
// The Qt dialog implements this for the operator; InMemoryControls implements it for the tests
// and the command line, so the logic behind the window exists once.
class DialogControls {
  public:
    virtual ~DialogControls() = default;

    // Labels, and the selected entry's text of a drop-down list ("" without a selection).
    [[nodiscard]] virtual std::string GetText(int id) const = 0;
    virtual void SetText(int id, std::string_view text) = 0;
    virtual void Enable(int id, bool enabled) = 0;
    [[nodiscard]] virtual bool IsEnabled(int id) const = 0;
    virtual void SetFocus(int id) = 0;
    // Radio buttons and the check box.
    [[nodiscard]] virtual bool IsChecked(int id) const = 0;
    virtual void SetChecked(int id, bool checked) = 0;

    // Drop-down lists. They never sort and accept no typed text.
    virtual void ComboReset(int id) = 0;
    virtual void ComboAdd(int id, std::string_view text) = 0;
    [[nodiscard]] virtual int ComboCount(int id) const = 0;
    // An index outside the entries leaves the list without a selection.
    virtual void ComboSelect(int id, int index) = 0;
    // The first entry whose whole text equals `text`, ignoring letter case; -1 when none.
    [[nodiscard]] virtual int ComboFindExact(int id, std::string_view text) const = 0;
    [[nodiscard]] virtual int ComboSelectedIndex(int id) const = 0;

    // The list box of clocks: kept sorted in case-insensitive text order.
    virtual void ListReset(int id) = 0;
    virtual void ListAdd(int id, std::string_view text) = 0;
    [[nodiscard]] virtual int ListFindExact(int id, std::string_view text) const = 0;
    [[nodiscard]] virtual int ListSelectedIndex(int id) const = 0;
    [[nodiscard]] virtual std::string ListText(int id, int index) const = 0;

    // IP-address fields.
    [[nodiscard]] virtual IpFieldValue GetIp(int id) const = 0;
    virtual void SetIp(int id, Ipv4Address address) = 0;
    virtual void ClearIp(int id) = 0;

    virtual void SetProgressRange(int id, int low, int high) = 0;
    virtual void SetProgressPos(int id, int position) = 0;

    // The application's message box: warning icon, titled with the program's name.
    virtual void ShowAppMessage(std::string_view text) = 0;
    // The main dialog's own box: no icon; titled with the program's name unless a title is given.
    virtual void ShowDialogMessage(std::string_view text,
                                   std::optional<std::string_view> title = std::nullopt) = 0;
};

// Selects the entry whose whole text equals `text` ignoring case, or drops the selection.
void SelectComboText(DialogControls& controls, int id, std::string_view text);

}  // namespace horavane
