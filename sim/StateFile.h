#pragma once

#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "platform/NetTypes.h"
#include "protocol/ClockDatagram.h"

namespace horavane::sim {

// The simulated clocks' settings, kept between runs in a JSON file that a person can read and edit:
// one object per clock under "clocks", keyed by the clock's dotted address. Clocks the file does not
// name keep their defaults; entries for other loopback clocks, not simulated in this run, are
// checked and kept as they are. Only the keys the simulator writes are accepted.
class StateFile {
  public:
    explicit StateFile(std::string path);
    ~StateFile();
    StateFile(const StateFile&) = delete;
    StateFile& operator=(const StateFile&) = delete;

    // Takes the settings the file holds for the given clocks into `states` (same order). A missing
    // file is an empty one. false with a one-line reason when the file cannot be read or is not a
    // state file; `states` is then unchanged, and the file must not be overwritten.
    [[nodiscard]] bool Load(const std::vector<Ipv4Address>& addresses, std::vector<ClockDatagram>& states,
                            std::string* error);
    // Load from a text instead of the file: the same checks, and the reason alone in `error`.
    [[nodiscard]] static bool ReadText(std::string_view text, const std::vector<Ipv4Address>& addresses,
                                       std::vector<ClockDatagram>& states, std::string& error);
    // Writes every given clock's settings through a temporary file renamed over the old one, so that
    // a crash never leaves half a file behind.
    [[nodiscard]] bool Save(const std::vector<Ipv4Address>& addresses,
                            const std::vector<ClockDatagram>& states, std::string* error);

  private:
    [[nodiscard]] bool Take(std::string_view text, const std::vector<Ipv4Address>& addresses,
                            std::vector<ClockDatagram>& states, std::string& error);
    bool Refuse(const std::string& reason, std::string* error) const;

    std::string path_;
    std::unique_ptr<nlohmann::json> document_;
};

}  // namespace horavane::sim
