#pragma once

// Ids by which the logic addresses the main window's controls. The Qt window, the in-memory
// controls and the command line all use these same numbers.
namespace horavane::ctl {

inline constexpr int Progress = 1001;
inline constexpr int SearchButton = 1002;
inline constexpr int SerialNumber = 1003;
inline constexpr int SyncStatus = 1004;
inline constexpr int TimeZoneText = 1007;
inline constexpr int Format12 = 1008;
inline constexpr int Format24 = 1009;
inline constexpr int StaticIp = 1010;
inline constexpr int DynamicIp = 1011;
inline constexpr int ModifyButton = 1012;
inline constexpr int TimeServer1 = 1013;  // time servers 1..5 are 1013..1017
inline constexpr int TimeServer5 = 1017;
inline constexpr int IpAddress = 1018;
inline constexpr int SubnetMask = 1019;
inline constexpr int Gateway = 1020;
inline constexpr int DnsServer = 1021;
inline constexpr int CurrentTimeServer = 1023;
inline constexpr int StatusLine = 1024;
inline constexpr int ClockList = 1025;
inline constexpr int MacAddress = 1029;
inline constexpr int DaylightSaving = 1030;
inline constexpr int DstStartMonth = 1031;
inline constexpr int DstStartWeek = 1032;
inline constexpr int DstStartDay = 1033;
inline constexpr int DstEndHour = 1034;
inline constexpr int DstEndMonth = 1037;
inline constexpr int DstEndWeek = 1038;
inline constexpr int DstEndDay = 1040;
inline constexpr int DstStartHour = 1041;
inline constexpr int TimeZoneList = 1045;
inline constexpr int EnergyTo = 1048;
inline constexpr int EnergyFrom = 1049;
inline constexpr int Brightness = 1050;
inline constexpr int SearchAddress = 1055;

}  // namespace horavane::ctl
