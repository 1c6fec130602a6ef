#include "sim/StateFileOutline.h"

#include <array>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>
#include <vector>

#include "platform/NetTypes.h"

namespace horavane::sim {
namespace {

using nlohmann::json;

// A character iterator that counts the line ends it steps over, so that the parser's events can be
// given the line they were met on.
class LineCountingIterator {
  public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    LineCountingIterator(const char* at, int* line) : at_(at), line_(line) {}
    reference operator*() const { return *at_; }
    LineCountingIterator& operator++() {
        if (*at_ == '\n') ++*line_;
        ++at_;
        return *this;
    }
    LineCountingIterator operator++(int) {
        LineCountingIterator before = *this;
        ++*this;
        return before;
    }
    bool operator==(const LineCountingIterator& other) const { return at_ == other.at_; }
    bool operator!=(const LineCountingIterator& other) const { return at_ != other.at_; }

  private:
    const char* at_;
    int* line_;
};

// What an object at some place of the file may hold.
enum class Place { kFile, kClocks, kClock, kDaylightSaving, kTimeZone, kEnergySaving, kFree };

const std::set<std::string, std::less<>>& KeysOf(Place place) {
    static const std::set<std::string, std::less<>> kFile = {"clocks"};
    static const std::set<std::string, std::less<>> kClock = {
        "serialNumber", "mac",        "synchronised", "currentTimeServer", "daylightSaving", "timeZone",
        "timeFormat",   "brightness", "energySaving", "timeServerCount",   "timeServers",    "dynamicIp",
        "ipAddress",    "subnetMask", "gateway",      "dnsServer"};
    static const std::set<std::string, std::less<>> kDaylightSaving = {
        "startMonth", "startWeek", "startDay", "startHour", "endMonth", "endWeek", "endDay", "endHour"};
    static const std::set<std::string, std::less<>> kTimeZone = {"west", "hours", "minutes"};
    static const std::set<std::string, std::less<>> kEnergySaving = {"fromHour", "toHour"};
    static const std::set<std::string, std::less<>> kNone;
    switch (place) {
        case Place::kFile:
            return kFile;
        case Place::kClock:
            return kClock;
        case Place::kDaylightSaving:
            return kDaylightSaving;
        case Place::kTimeZone:
            return kTimeZone;
        case Place::kEnergySaving:
            return kEnergySaving;
        case Place::kClocks:
        case Place::kFree:
            break;
    }
    return kNone;
}

// The place of the value under `key` in an object at `place`.
Place Inner(Place place, std::string_view key) {
    if (place == Place::kFile && key == "clocks") return Place::kClocks;
    if (place == Place::kClocks) return Place::kClock;
    if (place == Place::kClock) {
        if (key == "daylightSaving") return Place::kDaylightSaving;
        if (key == "timeZone") return Place::kTimeZone;
        if (key == "energySaving") return Place::kEnergySaving;
    }
    return Place::kFree;
}

// Simulated clocks only ever live on loopback addresses, written as the simulator writes them.
bool IsClockAddress(const std::string& key) {
    const auto address = Ipv4Address::Parse(key);
    return address && address->octets[0] == 127 && address->ToString() == key &&
           address->ToUint32() != 0x7F000000U && address->ToUint32() != 0x7FFFFFFFU;
}

class OutlineCheck final : public nlohmann::json_sax<json> {
  public:
    OutlineCheck(const int& line, SettingLines& lines) : line_(line), lines_(lines) {}

    [[nodiscard]] const std::string& reason() const { return reason_; }

    bool null() override { return Value(); }
    bool boolean(bool /*value*/) override { return Value(); }
    bool number_integer(number_integer_t /*value*/) override { return Value(); }
    bool number_unsigned(number_unsigned_t /*value*/) override { return Value(); }
    bool number_float(number_float_t /*value*/, const string_t& /*text*/) override { return Value(); }
    bool string(string_t& /*value*/) override { return Value(); }
    bool binary(binary_t& /*value*/) override { return Value(); }

    bool start_object(std::size_t /*elements*/) override { return Open(true); }
    bool start_array(std::size_t /*elements*/) override { return Open(false); }
    bool end_object() override { return Close(); }
    bool end_array() override { return Close(); }

    bool key(string_t& key) override {
        Frame& frame = frames_.back();
        frame.key = key;
        if (frame.place == Place::kClocks) {
            if (!IsClockAddress(key))
                return Refuse(key +
                              " is not a loopback address such as 127.0.0.2, where simulated clocks live");
            clock_ = key;
            lines_.try_emplace(clock_ + "/", line_);
            return true;
        }
        if (frame.place == Place::kFree) return true;
        if (KeysOf(frame.place).count(key) == 0) return Refuse(Where() + "unknown key \"" + key + "\"");
        if (!clock_.empty()) lines_.try_emplace(clock_ + "/" + key, line_);
        return true;
    }

    bool parse_error(std::size_t /*position*/, const std::string& /*token*/,
                     const nlohmann::detail::exception& error) override {
        reason_ = std::string("is not valid JSON (") + error.what() + ")";
        return false;
    }

  private:
    struct Frame {
        Place place;
        bool object;
        std::string key;
    };

    bool Open(bool object) {
        if (static_cast<int>(frames_.size()) >= kStateFileMaxDepth)
            return Refuse("nested deeper than " + std::to_string(kStateFileMaxDepth) + " levels");
        Place place = Place::kFile;
        if (!frames_.empty()) {
            const Frame& outer = frames_.back();
            place = outer.object ? Inner(outer.place, outer.key) : Place::kFree;
        }
        frames_.push_back(Frame{object ? place : Place::kFree, object, {}});
        return true;
    }

    bool Close() {
        frames_.pop_back();
        if (frames_.size() == 2) clock_.clear();  // back in "clocks"
        return true;
    }

    static bool Value() { return true; }

    [[nodiscard]] std::string Where() const { return clock_.empty() ? "" : "clock " + clock_ + ": "; }

    bool Refuse(const std::string& reason) {
        reason_ = "line " + std::to_string(line_) + ": " + reason;
        return false;
    }

    const int& line_;
    SettingLines& lines_;
    std::vector<Frame> frames_;
    std::string clock_;
    std::string reason_;
};

}  // namespace

std::optional<std::string> CheckStateFileOutline(std::string_view text, SettingLines& lines) {
    int line = 1;
    OutlineCheck check(line, lines);
    const bool passed = json::sax_parse(LineCountingIterator(text.data(), &line),
                                        LineCountingIterator(text.data() + text.size(), &line), &check);
    if (passed) return std::nullopt;
    return check.reason().empty() ? "is not valid JSON" : check.reason();
}

}  // namespace horavane::sim
