/* The program's name, version and site: the one place they are written. Read by the C++ code and
   by the resource compiler, so only preprocessor definitions live here. */
#ifndef KESTRELMOOR_PRODUCT_H
#define KESTRELMOOR_PRODUCT_H

#define KESTRELMOOR_NAME "Kestrelmoor"
#define KESTRELMOOR_EXE_NAME "Kestrelmoor.exe"

#define KESTRELMOOR_VERSION_MAJOR 1
#define KESTRELMOOR_VERSION_MINOR 2
#define KESTRELMOOR_VERSION_PATCH 0
#define KESTRELMOOR_VERSION_BUILD 0

#define KESTRELMOOR_STRINGIFY_(x) #x
#define KESTRELMOOR_STRINGIFY(x) KESTRELMOOR_STRINGIFY_(x)

/* "1.2.0.0" for the version record, "1.2.0" for the About box. */
#define KESTRELMOOR_VERSION_TEXT                                                 \
  KESTRELMOOR_STRINGIFY(KESTRELMOOR_VERSION_MAJOR) "." KESTRELMOOR_STRINGIFY(    \
      KESTRELMOOR_VERSION_MINOR) "." KESTRELMOOR_STRINGIFY(KESTRELMOOR_VERSION_PATCH) "." \
      KESTRELMOOR_STRINGIFY(KESTRELMOOR_VERSION_BUILD)
#define KESTRELMOOR_SHORT_VERSION_TEXT                                           \
  KESTRELMOOR_STRINGIFY(KESTRELMOOR_VERSION_MAJOR) "." KESTRELMOOR_STRINGIFY(    \
      KESTRELMOOR_VERSION_MINOR) "." KESTRELMOOR_STRINGIFY(KESTRELMOOR_VERSION_PATCH)

#define KESTRELMOOR_SITE "https://kestrelmoor.example"
#define KESTRELMOOR_CONTACT_PAGE KESTRELMOOR_SITE "/contact"
#define KESTRELMOOR_HELP_FILE "KestrelmoorHelp.chm"
#define KESTRELMOOR_COMPANY "The Kestrelmoor developers"
#define KESTRELMOOR_COPYRIGHT "Copyright (c) 2026 The Kestrelmoor developers"
#define KESTRELMOOR_LICENSE_LINE "Released under the MIT License"
#define KESTRELMOOR_DESCRIPTION "Windows BITS Job Viewer and Management Tool"
#define KESTRELMOOR_ICON_ID 102
#define KESTRELMOOR_ICON_LANGUAGE 1033
#define KESTRELMOOR_MANIFEST_ID 1
#define KESTRELMOOR_VERSION_RECORD_ID 1

#endif
