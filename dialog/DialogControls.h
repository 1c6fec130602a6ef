#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/NetTypes.h"
#include "settings/IpFieldValue.h"

namespace horavane {

// The operations the window logic needs from the main window, every control addressed by its id.
// Each window (Qt, native Win32) implements this; InMemoryControls implements it for the tests and
// the command line, so the logic behind the windows exists once.
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

    // Draws the control now rather than when the window's thread is next free: for the status line
    // of a wait that blocks that thread. Nothing to do where drawing is not deferred.
    virtual void PaintNow(int /*id*/) {}

    virtual void SetProgressRange(int id, int low, int high) = 0;
    virtual void SetProgressPos(int id, int position) = 0;

    // The application's message box: warning icon, titled with the program's name.
    virtual void ShowAppMessage(std::string_view text) = 0;
    // The main dialog's own box: no icon; titled with the program's name unless a title is given.
    virtual void ShowDialogMessage(std::string_view text,
                                   std::optional<std::string_view> title = std::nullopt) = 0;
};

}  // namespace horavane
