/* The process entry on Windows. The system hands over the command line in UTF-16; main receives
   it in UTF-8, the toolkit's text encoding, whatever the ANSI code page is. FLTK 1.3 and 1.4 each
   bring an entry that does this for MSVC only (with MinGW the C runtime would pass the ANSI code
   page's bytes), so this one serves every Windows toolchain with either. Written in C, where main
   may be called. */
#include <windows.h>
#include <shellapi.h>
#include <stdlib.h>

int main(int argc, char** argv);

/* A null-terminated UTF-16 text as a new null-terminated UTF-8 one; an unpaired surrogate becomes
   U+FFFD. Null when there is no memory for it. */
static char* Utf8Copy(const wchar_t* wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, NULL, 0, NULL, NULL);
  if (size <= 0) return NULL;
  char* text = (char*)malloc((size_t)size);
  if (text != NULL && WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, size, NULL, NULL) != size) {
    free(text);
    text = NULL;
  }
  return text;
}

/* The program runs elevated from wherever its zip was unpacked, often a folder that other accounts
   can write to. From here on every DLL loaded by name, the toolkit's own included, comes from
   System32 only: neither the program's folder nor the current directory is searched. The DLLs the
   executable imports are resolved before this runs, so those are KnownDLLs, the side-by-side
   common controls, or delay-loaded (the build checks its import table). Nothing loads a DLL by name
   before this point: the C runtime's start and the static initialisers of the C++ runtime and of
   FLTK 1.3 and 1.4 load none (watched under Wine with its loader's trace). */
static void LoadDllsFromSystemFolderOnly(void) {
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show) {
  int argc = 0;
  int converted = 0;
  int result = EXIT_FAILURE;
  LPWSTR* wide = NULL;
  char** argv = NULL;
  LoadDllsFromSystemFolderOnly();
  wide = CommandLineToArgvW(GetCommandLineW(), &argc);
  argv = wide != NULL ? (char**)calloc((size_t)argc + 1, sizeof(char*)) : NULL;
  (void)instance;
  (void)previous;
  (void)commandLine;
  (void)show;
  /* Without memory for the arguments there is nothing to start with and nothing to show. */
  if (argv != NULL) {
    while (converted < argc && (argv[converted] = Utf8Copy(wide[converted])) != NULL) ++converted;
    if (converted == argc) result = main(argc, argv);
    while (converted > 0) free(argv[--converted]);
    free(argv);
  }
  LocalFree(wide);
  return result;
}
