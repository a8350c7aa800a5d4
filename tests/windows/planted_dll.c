/* A DLL planted beside the test program under the name of a system DLL (winspool.drv, dwmapi.dll,
   msimg32.dll): when the system loads it, it leaves its path in the process's environment, where
   the program looks. It exports the functions the program calls (planted_dll.def), so that
   loading it in place of the system's would go through unnoticed. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    char path[MAX_PATH];
    if (GetModuleFileNameA(instance, path, MAX_PATH) == 0) lstrcpyA(path, "a planted DLL");
    SetEnvironmentVariableA("KESTRELMOOR_PLANTED_DLL_RAN", path);
  }
  return TRUE;
}

BOOL WINAPI PlantedOpenPrinterA(LPSTR name, LPHANDLE printer, LPVOID defaults) {
  (void)name;
  (void)defaults;
  *printer = (HANDLE)1;
  return TRUE;
}

BOOL WINAPI PlantedClosePrinter(HANDLE printer) {
  (void)printer;
  return TRUE;
}

HRESULT WINAPI PlantedDwmIsCompositionEnabled(BOOL* enabled) {
  *enabled = TRUE;
  return S_OK;
}

BOOL WINAPI PlantedAlphaBlend(HDC target, int x, int y, int width, int height, HDC source,
                              int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                              BLENDFUNCTION blend) {
  (void)target, (void)x, (void)y, (void)width, (void)height, (void)source, (void)sourceX;
  (void)sourceY, (void)sourceWidth, (void)sourceHeight, (void)blend;
  return TRUE;
}
