/* Planted beside planted_dll_probe.exe under the name of a system DLL (winspool.drv, dwmapi.dll,
   msimg32.dll): when it is loaded, it leaves its path in the process's environment, where the
   probe looks. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  char path[MAX_PATH];
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH && GetModuleFileNameA(instance, path, MAX_PATH) > 0)
    SetEnvironmentVariableA("KESTRELMOOR_PLANTED_DLL_RAN", path);
  return TRUE;
}

/* What the probe calls in winspool.drv: a stand-in loaded in its place then fails the probe's
   checks instead of crashing it. */
__declspec(dllexport) BOOL WINAPI OpenPrinterA(char* name, HANDLE* printer, void* defaults) {
  (void)name;
  (void)defaults;
  *printer = NULL;
  return TRUE;
}
