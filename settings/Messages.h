#pragma once

#include <string_view>

// Texts the operator sees, word for word and typos included: operators, their notes and their
// scripts go by these exact texts.
namespace horavane::msg {

inline constexpr std::string_view kSearchIpError = "Search ip is Error!";
inline constexpr std::string_view kSearching = "Searching...";
inline constexpr std::string_view kSearchFinished = "Search finished.";
inline constexpr std::string_view kChecksumError = "Error CheckSum";
inline constexpr std::string_view kSync = "Sync";
inline constexpr std::string_view kUnsync = "Unsync";

inline constexpr std::string_view kNoTimeServer = "Please input at least one Time Server IP!";
// %d is the first part of the address, in decimal.
inline constexpr std::string_view kFirstPartRange =
    "%d is not a valid entry. Please specify a value between 1 and 223.";
inline constexpr std::string_view kErrorTitle = "ERROR";
inline constexpr std::string_view kLoopback =
    "IP address starting with 127 are not valid because they are reserved for loopback address. Please "
    "specify "
    "some other valid value between 1 and 223.";
inline constexpr std::string_view kIncompleteAddress = "Invalid IP address,Please try again!";
inline constexpr std::string_view kSubnetMask = "Invalid Subnet Mask or Default Gateway,Please try again!";
inline constexpr std::string_view kDstIncomplete = "All DST option must be filled in.";
inline constexpr std::string_view kEnergySavingSame = "Two value not the same.";
inline constexpr std::string_view kBrightnessError = "Error.";

inline constexpr std::string_view kPasswordEmpty = "Passwod Is Empty";
inline constexpr std::string_view kPasswordWrong = "Passwod Error";
inline constexpr std::string_view kOldPasswordWrong = "Old Passwod Error";
inline constexpr std::string_view kNewPasswordsDiffer = "Two New Passwod Error";
inline constexpr std::string_view kNoRight = "No Right!";

// Our own, where the window used to say nothing: a search that could send nothing.
inline constexpr std::string_view kNoAdapter = "Nothing could be sent: no network adapter.";

}  // namespace horavane::msg
