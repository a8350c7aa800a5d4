// The SDK only declares the BITS class and interface identifiers; one object of the program has to
// define them. The general COM headers come first so that only the BITS identifiers are defined
// here and IID_IUnknown and its kin still come from the uuid library.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <objbase.h>
#include <ole2.h>

#include <initguid.h>

#include <bits.h>
#include <bits1_5.h>
