/* Stands in for Kestrelmoor.exe: built with its entry and its link rules, it does what the toolkit
   does with the DLLs that are not KnownDLLs (loads dwmapi.dll and MSIMG32.DLL by bare name and
   calls OpenPrinterA through the delay-loaded winspool.drv), with stand-ins of all three planted
   beside it. None of them may run, and every call must reach the system's DLL. Prints what it
   found; exits with 0 only when all of that holds. */
#include <windows.h>
#include <winspool.h>
#include <stdio.h>
#include <string.h>

static int failures = 0;

static void Fail(const char* what, const char* detail) {
  printf("FAILED: %s%s\n", what, detail);
  ++failures;
}

/* The folder part of `path`, in place: up to its last backslash, or nothing. */
static void CutToFolder(char* path) {
  char* last = strrchr(path, '\\');
  *(last != NULL ? last : path) = '\0';
}

/* `module` (`name`, given for the message) must have been loaded from the system folder. */
static void ExpectSystemDll(const char* name, HMODULE module) {
  char system[MAX_PATH];
  char path[MAX_PATH];
  if (module == NULL) {
    Fail(name, " was not loaded");
    return;
  }
  GetSystemDirectoryA(system, MAX_PATH);
  GetModuleFileNameA(module, path, MAX_PATH);
  printf("%s: %s\n", name, path);
  CutToFolder(path);
  if (lstrcmpiA(path, system) != 0) Fail(name, " was not loaded from the system folder");
}

int main(int argc, char** argv) {
  static const char* const planted[] = {"winspool.drv", "dwmapi.dll", "msimg32.dll"};
  char folder[MAX_PATH];
  char ran[MAX_PATH];
  HANDLE printer = NULL;
  HMODULE dwmapi = NULL;
  HMODULE msimg32 = NULL;
  size_t i = 0;
  (void)argc;
  (void)argv;

  /* The stand-ins are where the system would look first without the entry's narrowed search. */
  GetModuleFileNameA(NULL, folder, MAX_PATH);
  CutToFolder(folder);
  for (i = 0; i < sizeof planted / sizeof planted[0]; ++i) {
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%s\\%s", folder, planted[i]);
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) Fail("no stand-in at ", path);
  }

  dwmapi = LoadLibraryA("dwmapi.dll");
  ExpectSystemDll("dwmapi.dll", dwmapi);
  if (dwmapi != NULL && GetProcAddress(dwmapi, "DwmIsCompositionEnabled") == NULL)
    Fail("dwmapi.dll", " has no DwmIsCompositionEnabled");
  msimg32 = LoadLibraryA("MSIMG32.DLL");
  ExpectSystemDll("MSIMG32.DLL", msimg32);
  if (msimg32 != NULL && GetProcAddress(msimg32, "AlphaBlend") == NULL)
    Fail("MSIMG32.DLL", " has no AlphaBlend");

  /* The system knows no such printer; the stand-in would open it. */
  if (OpenPrinterA("Kestrelmoor: no such printer", &printer, NULL)) {
    Fail("OpenPrinterA", " opened a printer that does not exist");
    ClosePrinter(printer);
  } else {
    printf("OpenPrinterA: error %lu\n", GetLastError());
  }
  ExpectSystemDll("winspool.drv", GetModuleHandleA("winspool.drv"));

  if (GetEnvironmentVariableA("KESTRELMOOR_PLANTED_DLL_RAN", ran, MAX_PATH) > 0)
    Fail("a planted DLL ran: ", ran);
  if (dwmapi != NULL) FreeLibrary(dwmapi);
  if (msimg32 != NULL) FreeLibrary(msimg32);
  if (failures == 0) printf("No planted DLL ran; every call reached the system's DLL.\n");
  return failures == 0 ? 0 : 1;
}
