// The Windows SDK's COM, BITS and kernel32 declarations, used as they are.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <objbase.h>
#include <ole2.h>
#include <bits.h>
#include <bits1_5.h>

// A wide-text literal in the platform's wide character type.
#define WIDE_TEXT(s) L##s
