// The program's constants as the C++ code uses them; their values live in res/product.h.
#pragma once

#include "product.h"

constexpr const char* kMainWindowTitle = KESTRELMOOR_NAME;
constexpr const char* kSiteAddress = KESTRELMOOR_SITE;
constexpr const char* kContactAddress = KESTRELMOOR_CONTACT_PAGE;
constexpr const char* kHelpFileName = KESTRELMOOR_HELP_FILE;
