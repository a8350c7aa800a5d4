// A screen reader's view of a program, from a process of its own: what the program's windows
// answer through Microsoft Active Accessibility, and the events it raises.
//
//   msaa_client tree <window>            prints the objects of that window, its client area and its
//                                        menu bar, each with its children, and ends
//   msaa_client watch <window> <output>  writes to <output> one line for every event that the
//                                        process owning that window raises, and takes commands
//                                        from standard input, one a line, until it ends or "quit":
//                                          tree         every shown window of that process
//                                          mark <text>  the text as a line of its own
//
// <window> is a window title, or "pid:<n>" for the first shown window of a process. Each object is
// one line: its role, its name in quotes, then its value, keyboard shortcut, states, location and
// number of children where it has them; an event's line starts with the event's name and ends with
// the child id it was raised with. Texts are UTF-8, with quote, backslash and control
// characters escaped, so that a line is always one object.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <thread>
#include <vector>

#include "bits/com_owners.h"
#include "bits/utf8.h"

namespace {

constexpr UINT kCommandMessage = WM_APP;
constexpr UINT kEndOfInput = WM_APP + 1;
constexpr int kDeepest = 12;
constexpr long kMostChildren = 2000;

// ---- texts --------------------------------------------------------------------------------------

std::string Quoted(const WCHAR* text, size_t length) {
  std::string out = "\"";
  for (char c : ToUtf8(WideText(text, length))) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

class Bstr {
 public:
  Bstr() = default;
  ~Bstr() { SysFreeString(text_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR* put() {
    SysFreeString(text_);
    text_ = nullptr;
    return &text_;
  }
  bool present() const { return text_ != nullptr; }
  std::string quoted() const { return Quoted(text_ ? text_ : L"", SysStringLen(text_)); }

 private:
  BSTR text_ = nullptr;
};

struct Variant {
  VARIANT value;
  Variant() { VariantInit(&value); }
  explicit Variant(LONG child) {
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = child;
  }
  ~Variant() { VariantClear(&value); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
};

std::string RoleText(const VARIANT& role) {
  if (role.vt == VT_BSTR) return Quoted(role.bstrVal, SysStringLen(role.bstrVal));
  if (role.vt != VT_I4) return "(no role)";
  WCHAR text[128] = L"";
  const UINT length = GetRoleTextW(static_cast<DWORD>(role.lVal), text, 128);
  if (length == 0) return "role " + std::to_string(role.lVal);
  return ToUtf8(WideText(text, length));
}

// One word a state bit, the names of the STATE_SYSTEM_ constants.
std::string StateWords(LONG state) {
  static const char* const kWords[] = {
      "unavailable", "selected",      "focused",     "pressed",         "checked",
      "mixed",       "readonly",      "hottracked",  "default",         "expanded",
      "collapsed",   "busy",          "floating",    "marqueed",        "animated",
      "invisible",   "offscreen",     "sizeable",    "moveable",        "selfvoicing",
      "focusable",   "selectable",    "linked",      "traversed",       "multiselectable",
      "extselectable", "alert_low",   "alert_medium", "alert_high",     "protected",
      "haspopup"};
  std::string words;
  for (unsigned bit = 0; bit < sizeof kWords / sizeof kWords[0]; ++bit) {
    if ((static_cast<unsigned long>(state) >> bit) & 1U) {
      if (!words.empty()) words += ',';
      words += kWords[bit];
    }
  }
  return words;
}

std::string HexResult(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

// ---- objects ------------------------------------------------------------------------------------

// The line of one object: `child` is CHILDID_SELF for the object itself, or a simple element of it.
std::string Describe(IAccessible* object, const VARIANT& child, long* childCount) {
  Variant role;
  std::string line = SUCCEEDED(object->get_accRole(child, &role.value)) ? RoleText(role.value)
                                                                        : "(no role)";
  Bstr name;
  line += ' ';
  line += SUCCEEDED(object->get_accName(child, name.put())) ? name.quoted() : "(no name)";
  Bstr value;
  if (object->get_accValue(child, value.put()) == S_OK && value.present()) {
    line += " value " + value.quoted();
  }
  Bstr shortcut;
  if (object->get_accKeyboardShortcut(child, shortcut.put()) == S_OK && shortcut.present()) {
    line += " shortcut " + shortcut.quoted();
  }
  Variant state;
  if (SUCCEEDED(object->get_accState(child, &state.value)) && state.value.vt == VT_I4 &&
      state.value.lVal != 0) {
    line += " states " + StateWords(state.value.lVal);
  }
  LONG x = 0, y = 0, w = 0, h = 0;
  if (object->accLocation(&x, &y, &w, &h, child) == S_OK) {
    line += " at " + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) +
            "," + std::to_string(h);
  }
  long count = 0;
  if (child.vt == VT_I4 && child.lVal == CHILDID_SELF &&
      SUCCEEDED(object->get_accChildCount(&count)) && count > 0) {
    line += " children " + std::to_string(count);
  }
  if (childCount != nullptr) *childCount = count;
  return line;
}

void AppendTree(IAccessible* object, int depth, std::string& out) {
  long count = 0;
  const Variant self(CHILDID_SELF);
  out += std::string(2 * depth, ' ') + Describe(object, self.value, &count) + "\n";
  if (count <= 0) return;
  const std::string indent(2 * (depth + 1), ' ');
  if (depth >= kDeepest || count > kMostChildren) {
    out += indent + "(" + std::to_string(count) + " children not listed)\n";
    return;
  }
  std::vector<VARIANT> children(static_cast<size_t>(count));
  for (VARIANT& child : children) VariantInit(&child);
  LONG obtained = 0;
  const HRESULT hr = AccessibleChildren(object, 0, count, children.data(), &obtained);
  if (FAILED(hr)) out += indent + "(children not read: " + HexResult(hr) + ")\n";
  for (LONG i = 0; SUCCEEDED(hr) && i < obtained; ++i) {
    VARIANT& child = children[static_cast<size_t>(i)];
    ComPtr<IAccessible> element;
    if (child.vt == VT_DISPATCH && child.pdispVal != nullptr &&
        SUCCEEDED(child.pdispVal->QueryInterface(__uuidof(IAccessible), element.put_void()))) {
      AppendTree(element.get(), depth + 1, out);
    } else if (child.vt == VT_I4) {
      out += indent + Describe(object, child, nullptr) + "\n";
    } else {
      out += indent + "(child " + std::to_string(i) + " of type " + std::to_string(child.vt) +
             ")\n";
    }
  }
  for (VARIANT& child : children) VariantClear(&child);
}

std::string WindowTitle(HWND window) {
  WCHAR title[512] = L"";
  const int length = GetWindowTextW(window, title, 512);
  return Quoted(title, static_cast<size_t>(length > 0 ? length : 0));
}

// A window's client area and menu bar, each with what it holds.
std::string WindowTrees(HWND window) {
  std::string out = "window " + WindowTitle(window) + "\n";
  for (LONG part : {static_cast<LONG>(OBJID_CLIENT), static_cast<LONG>(OBJID_MENU)}) {
    ComPtr<IAccessible> object;
    const HRESULT hr =
        AccessibleObjectFromWindow(window, static_cast<DWORD>(part), __uuidof(IAccessible),
                                   object.put_void());
    if (SUCCEEDED(hr) && object) {
      AppendTree(object.get(), 1, out);
    } else {
      out += std::string("  (no ") + (part == OBJID_CLIENT ? "client" : "menu") +
             " object: " + HexResult(hr) + ")\n";
    }
  }
  return out;
}

struct WindowSearch {
  std::wstring title;
  DWORD process = 0;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
  WindowSearch& search = *reinterpret_cast<WindowSearch*>(data);
  if (!IsWindowVisible(window)) return TRUE;
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (search.process != 0 && process != search.process) return TRUE;
  if (!search.title.empty()) {
    WCHAR title[512] = L"";
    GetWindowTextW(window, title, 512);
    if (search.title != title) return TRUE;
  }
  search.found.push_back(window);
  return TRUE;
}

// The shown top-level windows that match, topmost first.
std::vector<HWND> ShownWindows(const std::wstring& title, DWORD process) {
  WindowSearch search{title, process, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The window a command line names, waited for a while: the program may still be starting.
HWND FindNamedWindow(const std::wstring& target) {
  std::wstring title = target;
  DWORD process = 0;
  if (target.rfind(L"pid:", 0) == 0) {
    title.clear();
    process = static_cast<DWORD>(std::wcstoul(target.c_str() + 4, nullptr, 10));
  }
  for (int attempt = 0; attempt < 600; ++attempt) {
    const std::vector<HWND> found = ShownWindows(title, process);
    if (!found.empty()) return found.front();
    Sleep(100);
  }
  return nullptr;
}

// ---- events -------------------------------------------------------------------------------------

const char* EventName(DWORD event) {
  static const char* const kSystem[] = {
      nullptr,
      "EVENT_SYSTEM_SOUND",           "EVENT_SYSTEM_ALERT",          "EVENT_SYSTEM_FOREGROUND",
      "EVENT_SYSTEM_MENUSTART",       "EVENT_SYSTEM_MENUEND",        "EVENT_SYSTEM_MENUPOPUPSTART",
      "EVENT_SYSTEM_MENUPOPUPEND",    "EVENT_SYSTEM_CAPTURESTART",   "EVENT_SYSTEM_CAPTUREEND",
      "EVENT_SYSTEM_MOVESIZESTART",   "EVENT_SYSTEM_MOVESIZEEND",
      "EVENT_SYSTEM_CONTEXTHELPSTART", "EVENT_SYSTEM_CONTEXTHELPEND",
      "EVENT_SYSTEM_DRAGDROPSTART",   "EVENT_SYSTEM_DRAGDROPEND",    "EVENT_SYSTEM_DIALOGSTART",
      "EVENT_SYSTEM_DIALOGEND",       "EVENT_SYSTEM_SCROLLINGSTART", "EVENT_SYSTEM_SCROLLINGEND",
      "EVENT_SYSTEM_SWITCHSTART",     "EVENT_SYSTEM_SWITCHEND",      "EVENT_SYSTEM_MINIMIZESTART",
      "EVENT_SYSTEM_MINIMIZEEND"};
  static const char* const kObject[] = {
      "EVENT_OBJECT_CREATE",          "EVENT_OBJECT_DESTROY",        "EVENT_OBJECT_SHOW",
      "EVENT_OBJECT_HIDE",            "EVENT_OBJECT_REORDER",        "EVENT_OBJECT_FOCUS",
      "EVENT_OBJECT_SELECTION",       "EVENT_OBJECT_SELECTIONADD",
      "EVENT_OBJECT_SELECTIONREMOVE", "EVENT_OBJECT_SELECTIONWITHIN",
      "EVENT_OBJECT_STATECHANGE",     "EVENT_OBJECT_LOCATIONCHANGE", "EVENT_OBJECT_NAMECHANGE",
      "EVENT_OBJECT_DESCRIPTIONCHANGE", "EVENT_OBJECT_VALUECHANGE",  "EVENT_OBJECT_PARENTCHANGE",
      "EVENT_OBJECT_HELPCHANGE",      "EVENT_OBJECT_DEFACTIONCHANGE",
      "EVENT_OBJECT_ACCELERATORCHANGE"};
  if (event >= 1 && event < sizeof kSystem / sizeof kSystem[0]) return kSystem[event];
  if (event >= EVENT_OBJECT_CREATE && event - EVENT_OBJECT_CREATE < sizeof kObject / sizeof
      kObject[0]) {
    return kObject[event - EVENT_OBJECT_CREATE];
  }
  return nullptr;
}

FILE* eventOutput = nullptr;

void Write(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), eventOutput);
  std::fflush(eventOutput);
}

// What the system says of its own windows as they come, go and move (the window objects, the
// pointer and the caret) is left out: a screen reader hears the program's own objects.
bool IsSystemBookkeeping(DWORD event, LONG object) {
  if (event == EVENT_OBJECT_LOCATIONCHANGE) return true;
  return event >= EVENT_OBJECT_CREATE &&
         (object == OBJID_WINDOW || object == OBJID_CURSOR || object == OBJID_CARET);
}

struct Event {
  DWORD event;
  HWND window;
  LONG object;
  LONG child;
};

void WriteEvent(const Event& e) {
  const char* name = EventName(e.event);
  std::string line = name != nullptr ? name : "EVENT_" + HexResult(static_cast<HRESULT>(e.event));
  ComPtr<IAccessible> source;
  Variant sourceChild;
  const HRESULT hr = AccessibleObjectFromEvent(e.window, static_cast<DWORD>(e.object),
                                               static_cast<DWORD>(e.child), source.put(),
                                               &sourceChild.value);
  if (SUCCEEDED(hr) && source) {
    line += " " + Describe(source.get(), sourceChild.value, nullptr);
    // The number the program raised the event with; 0, the object itself, is left unsaid.
    if (e.child != CHILDID_SELF) line += " child-id " + HexResult(e.child);
  } else {
    line += " (object " + std::to_string(e.object) + " child " + std::to_string(e.child) +
            " of window " + WindowTitle(e.window) + " not read: " + HexResult(hr) + ")";
  }
  Write(line + "\n");
}

// Reading an event's source sends the program a message, and while a thread waits for a sent
// message to be answered the system hands it the next events: they wait their turn here, so that
// every event is written in the order it was raised.
std::deque<Event> pendingEvents;
bool writingEvents = false;

void WritePendingEvents() {
  writingEvents = true;
  while (!pendingEvents.empty()) {
    const Event next = pendingEvents.front();
    pendingEvents.pop_front();
    WriteEvent(next);
  }
  writingEvents = false;
}

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                      DWORD) {
  if (IsSystemBookkeeping(event, object)) return;
  pendingEvents.push_back({event, window, object, child});
  if (!writingEvents) WritePendingEvents();
}

// Standard input, read on a thread of its own and handed to the thread with the message loop,
// which alone talks to the other program, so that a tree and the events never interleave.
void ReadCommands(DWORD loopThread) {
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, stdin) != nullptr) {
    auto* command = new std::string(buffer);
    while (!command->empty() && (command->back() == '\n' || command->back() == '\r')) {
      command->pop_back();
    }
    if (!PostThreadMessageW(loopThread, kCommandMessage, 0, reinterpret_cast<LPARAM>(command))) {
      delete command;
    }
  }
  PostThreadMessageW(loopThread, kEndOfInput, 0, 0);
}

int Watch(HWND window, const wchar_t* outputPath) {
  eventOutput = _wfopen(outputPath, L"wb");
  if (eventOutput == nullptr) {
    std::fprintf(stderr, "msaa_client: cannot write %ls\n", outputPath);
    return 2;
  }
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  // Wine 8 delivers nothing when WINEVENT_SKIPOWNPROCESS is given with a process; this process
  // raises no events anyway.
  const HWINEVENTHOOK hook =
      SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, OnEvent, process, 0, WINEVENT_OUTOFCONTEXT);
  if (hook == nullptr) {
    std::fprintf(stderr, "msaa_client: no event hook: %lu\n", GetLastError());
    std::fclose(eventOutput);
    return 1;
  }
  MSG message;
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // the queue that commands are posted to
  Write("watching process " + std::to_string(process) + "\n");
  std::thread reader(ReadCommands, GetCurrentThreadId());
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.hwnd == nullptr && message.message == kEndOfInput) break;
    if (message.hwnd == nullptr && message.message == kCommandMessage) {
      const std::string* command = reinterpret_cast<const std::string*>(message.lParam);
      const bool quit = *command == "quit";
      if (*command == "tree") {
        // The events raised meanwhile are written after the trees.
        writingEvents = true;
        std::string trees = "tree\n";
        for (HWND shown : ShownWindows(L"", process)) trees += WindowTrees(shown);
        Write(trees + "end tree\n");
        WritePendingEvents();
      } else if (command->rfind("mark ", 0) == 0) {
        Write(*command + "\n");
      } else if (!quit) {
        Write("unknown command " + Quoted(FromUtf8(*command).c_str(), FromUtf8(*command).size()) +
              "\n");
      }
      delete command;
      if (quit) break;
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  UnhookWinEvent(hook);
  Write("done\n");
  std::fclose(eventOutput);
  // The reader may be waiting for a line that never comes; the process ends with it.
  reader.detach();
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 2 ? argv[1] : L"";
  if (!(mode == L"tree" && argc == 3) && !(mode == L"watch" && argc == 4)) {
    std::fprintf(stderr, "usage: msaa_client tree <window> | watch <window> <output>\n");
    return 2;
  }
  // Multithreaded, so that a call into the other program never runs an event's callback in the
  // middle of another one: the events are written in the order they came.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  HWND window = FindNamedWindow(argv[2]);
  int status = 0;
  if (window == nullptr) {
    std::fprintf(stderr, "msaa_client: no shown window %ls\n", argv[2]);
    status = 1;
  } else if (mode == L"tree") {
    _setmode(_fileno(stdout), _O_BINARY);
    const std::string trees = WindowTrees(window);
    std::fwrite(trees.data(), 1, trees.size(), stdout);
    std::fflush(stdout);
  } else {
    status = Watch(window, argv[3]);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return status;
}
