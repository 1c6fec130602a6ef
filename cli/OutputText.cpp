#include "cli/OutputText.h"

#include <iostream>
#include <utility>

#include "platform/VisibleText.h"

namespace horavane::cli {
namespace {

Json WithVisibleStrings(const Json& value) {
    if (value.is_string()) return JsonVisibleText(value.get_ref<const std::string&>());
    if (value.is_array()) {
        Json out = Json::array();
        for (const Json& item : value) out.push_back(WithVisibleStrings(item));
        return out;
    }
    if (value.is_object()) {
        Json out = Json::object();
        for (const auto& [key, item] : value.items()) out[key] = WithVisibleStrings(item);
        return out;
    }
    return value;
}

}  // namespace

Message::Message(const char* own) : pieces_{{own, false}} {}

Message::Message(Untrusted piece) : pieces_{{std::string(piece.text), true}} {}

Message::Message(Ipv4Address address) : pieces_{{address.ToString(), false}} {}

Message Message::Own(std::string text) {
    Message message;
    message.pieces_.push_back({std::move(text), false});
    return message;
}

Message& Message::operator+=(const Message& more) {
    pieces_.insert(pieces_.end(), more.pieces_.begin(), more.pieces_.end());
    return *this;
}

Message operator+(Message first, const Message& second) {
    first += second;
    return first;
}

std::string Message::ForTerminal() const {
    std::string text;
    for (const Piece& piece : pieces_) text += piece.untrusted ? VisibleText(piece.text) : piece.text;
    return text;
}

std::string Message::ForPlugin() const {
    std::string text;
    for (const Piece& piece : pieces_) text += piece.untrusted ? PluginText(piece.text) : piece.text;
    return text;
}

void PrintError(const Message& message) {
    std::cerr << "horavanectl: " << message.ForTerminal() << "\n";
}

void PrintLine(std::ostream& out, const Message& message) {
    out << message.ForTerminal() << "\n";
}

std::string PluginText(std::string_view text) {
    return WithoutPluginSeparators(VisibleText(text));
}

std::string WithoutPluginSeparators(std::string_view visible) {
    std::string out;
    for (const char c : visible) {
        if (c == ';')
            out += "\\x3b";
        else if (c == '|')
            out += "\\x7c";
        else
            out += c;
    }
    return out;
}

std::string JsonOutputText(const Json& value, int indent) {
    // Keys are the program's own; "replace" only keeps a key that were not UTF-8 from ending the run.
    return WithVisibleStrings(value).dump(indent, ' ', false, Json::error_handler_t::replace);
}

}  // namespace horavane::cli
