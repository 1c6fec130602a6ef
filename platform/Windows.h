#pragma once

// windows.h as every Windows branch of the project takes it: without the min and max macros that
// would break std::min and std::max, and without the rarely used parts. Winsock users include
// winsock2.h before this.
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif
