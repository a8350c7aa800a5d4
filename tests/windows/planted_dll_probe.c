/* Stands in for Kestrelmoor.exe, built with its entry and link rules: loads dwmapi.dll and
   MSIMG32.DLL by bare name, as the toolkit does, and calls OpenPrinterA through the delay-loaded
   winspool.drv, with stand-ins of all three planted beside it (planted_dll.c). None of them may
   run, and each DLL must come from the system folder. Exits with 0 only then. */
#include <windows.h>
#include <winspool.h>
#include <stdio.h>
#include <string.h>

static int failures = 0;

/* `module`, loaded as `name`, must be the system folder's. */
static void ExpectSystemDll(const char* name, HMODULE module) {
  char expected[MAX_PATH];
  char path[MAX_PATH] = "nothing";
  GetSystemDirectoryA(expected, MAX_PATH);
  lstrcatA(lstrcatA(expected, "\\"), name);
  if (module != NULL) GetModuleFileNameA(module, path, MAX_PATH);
  printf("%s: %s\n", name, path);
  if (lstrcmpiA(path, expected) != 0) ++failures;
}

int main(int argc, char** argv) {
  static const char* const planted[] = {"winspool.drv", "dwmapi.dll", "msimg32.dll"};
  char path[MAX_PATH];
  HANDLE printer = NULL;
  size_t i = 0;
  (void)argc;
  (void)argv;
  /* Where the system would look first without the entry's narrowed search. */
  for (i = 0; i < sizeof planted / sizeof planted[0]; ++i) {
    GetModuleFileNameA(NULL, path, MAX_PATH);
    strcpy(strrchr(path, '\\') + 1, planted[i]);
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
      printf("no stand-in at %s\n", path);
      ++failures;
    }
  }
  ExpectSystemDll("dwmapi.dll", LoadLibraryA("dwmapi.dll"));
  ExpectSystemDll("MSIMG32.DLL", LoadLibraryA("MSIMG32.DLL"));
  /* A printer the system does not know. */
  if (OpenPrinterA("Kestrelmoor: no such printer", &printer, NULL)) ++failures;
  ExpectSystemDll("winspool.drv", GetModuleHandleA("winspool.drv"));
  if (GetEnvironmentVariableA("KESTRELMOOR_PLANTED_DLL_RAN", path, MAX_PATH) > 0) {
    printf("a planted DLL ran: %s\n", path);
    ++failures;
  }
  printf("%d failure(s)\n", failures);
  return failures == 0 ? 0 : 1;
}
