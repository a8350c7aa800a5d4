#include "accessibility/msaa_adapter.h"

#include <oleacc.h>

#include <algorithm>
#include <map>
#include <memory>
#include <new>
#include <utility>

namespace {

// One attached window. The objects handed to clients share it, so that a client that keeps one
// past the window's end reads E_FAIL instead of a window that is gone.
struct WindowLink {
  HWND window = nullptr;
  AccessibleSource source;
  WNDPROC previous = nullptr;
  bool alive = true;
};

std::map<HWND, std::shared_ptr<WindowLink>>& Links() {
  static std::map<HWND, std::shared_ptr<WindowLink>> links;
  return links;
}

std::shared_ptr<WindowLink> LinkOf(HWND window) {
  auto found = Links().find(window);
  return found == Links().end() ? nullptr : found->second;
}

BSTR ToBstr(const std::string& text) {
  if (text.empty()) return nullptr;
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return nullptr;
  BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(length));
  if (result == nullptr) return nullptr;
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result, length);
  return result;
}

LONG RoleOf(AccessibleRole role) {
  switch (role) {
    case AccessibleRole::Client: return ROLE_SYSTEM_CLIENT;
    case AccessibleRole::MenuBar: return ROLE_SYSTEM_MENUBAR;
    case AccessibleRole::MenuItem: return ROLE_SYSTEM_MENUITEM;
    case AccessibleRole::PopupMenu: return ROLE_SYSTEM_MENUPOPUP;
    case AccessibleRole::List: return ROLE_SYSTEM_LIST;
    case AccessibleRole::ListItem: return ROLE_SYSTEM_LISTITEM;
    case AccessibleRole::Text: return ROLE_SYSTEM_TEXT;
  }
  return ROLE_SYSTEM_CLIENT;
}

LONG StateOf(unsigned states) {
  namespace s = accessible_state;
  static const std::pair<unsigned, LONG> kStates[] = {
      {s::kSelectable, STATE_SYSTEM_SELECTABLE}, {s::kFocusable, STATE_SYSTEM_FOCUSABLE},
      {s::kSelected, STATE_SYSTEM_SELECTED},     {s::kFocused, STATE_SYSTEM_FOCUSED},
      {s::kOffscreen, STATE_SYSTEM_OFFSCREEN},   {s::kUnavailable, STATE_SYSTEM_UNAVAILABLE},
      {s::kReadOnly, STATE_SYSTEM_READONLY},     {s::kHasPopup, STATE_SYSTEM_HASPOPUP},
  };
  LONG result = 0;
  for (const auto& [bit, state] : kStates) {
    if (states & bit) result |= state;
  }
  return result;
}

bool Contains(const ScreenRect& rect, long x, long y) {
  return x >= rect.x && x < rect.x + rect.w && y >= rect.y && y < rect.y + rect.h;
}

// One part of an attached window. It holds no copy of the part: every call asks the window's
// source afresh, so what it answers is what the window shows at that moment. Like the objects of
// Windows' own controls, it also answers for any other part of its window named as the child.
// Its children are enumerated through IEnumVARIANT, as AccessibleChildren asks for them: their
// numbers are not 1 to n.
class PartAccessible final : public IAccessible, public IEnumVARIANT {
 public:
  PartAccessible(std::shared_ptr<WindowLink> link, long id) : link_(std::move(link)), id_(id) {}

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible)) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    if (iid == IID_IEnumVARIANT) {
      *object = static_cast<IEnumVARIANT*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IDispatch: clients of this interface call its methods directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (parent == nullptr) return E_POINTER;
    *parent = nullptr;
    if (id_ == CHILDID_SELF) {
      if (!link_->alive) return E_FAIL;
      return AccessibleObjectFromWindow(link_->window, static_cast<DWORD>(OBJID_WINDOW),
                                        IID_IDispatch, reinterpret_cast<void**>(parent));
    }
    std::optional<AccessibleNode> node;
    HRESULT status = Describe(id_, node);
    if (status != S_OK) return status;
    return MakePart(link_, node->parent, parent);
  }

  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    std::optional<AccessibleNode> node;
    HRESULT status = Describe(id_, node);
    if (status != S_OK) return status;
    *count = static_cast<long>(node->children.size());
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (child.vt != VT_I4 || child.lVal == CHILDID_SELF) return E_INVALIDARG;
    std::optional<AccessibleNode> node;
    HRESULT status = Describe(child.lVal, node);
    if (status != S_OK) return status;
    std::shared_ptr<WindowLink> home = link_;
    if (node->homeWindow != 0) {
      home = LinkOf(reinterpret_cast<HWND>(node->homeWindow));
      if (home == nullptr) return E_INVALIDARG;
    }
    return MakePart(home, child.lVal, object);
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return Text(child, name, [](const AccessibleNode& node) { return node.name; });
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    if (value == nullptr) return E_POINTER;
    *value = nullptr;
    std::optional<AccessibleNode> node;
    HRESULT status = Describe(child, node);
    if (status != S_OK) return status;
    if (node->role != AccessibleRole::Text) return DISP_E_MEMBERNOTFOUND;
    return Text(child, value, [](const AccessibleNode& each) { return each.value; });
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* description) override {
    if (description == nullptr) return E_POINTER;
    *description = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (role == nullptr) return E_POINTER;
    VariantInit(role);
    std::optional<AccessibleNode> node;
    HRESULT status = Describe(child, node);
    if (status != S_OK) return status;
    role->vt = VT_I4;
    role->lVal = RoleOf(node->role);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (state == nullptr) return E_POINTER;
    VariantInit(state);
    std::optional<AccessibleNode> node;
    HRESULT status = Describe(child, node);
    if (status != S_OK) return status;
    state->vt = VT_I4;
    state->lVal = StateOf(node->states);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override {
    if (help == nullptr) return E_POINTER;
    *help = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
    if (file == nullptr || topic == nullptr) return E_POINTER;
    *file = nullptr;
    *topic = 0;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return Text(child, shortcut, [](const AccessibleNode& node) { return node.shortcut; });
  }

  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (focus == nullptr) return E_POINTER;
    VariantInit(focus);
    if (!link_->alive) return E_FAIL;
    const long focused = link_->source.focus ? link_->source.focus() : -1;
    if (focused < 0 || (id_ != CHILDID_SELF && focused != id_)) return S_FALSE;
    return ChildVariant(focused, focus);
  }

  // The selected part among this one's children is the focused one: a list selects one line.
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (selection == nullptr) return E_POINTER;
    VariantInit(selection);
    std::optional<AccessibleNode> node;
    HRESULT status = Describe(id_, node);
    if (status != S_OK) return status;
    const long focused = link_->source.focus ? link_->source.focus() : -1;
    if (focused <= 0 ||
        std::find(node->children.begin(), node->children.end(), focused) == node->children.end()) {
      return S_FALSE;
    }
    std::optional<AccessibleNode> chosen;
    if (Describe(focused, chosen) != S_OK ||
        (chosen->states & accessible_state::kSelected) == 0) {
      return S_FALSE;
    }
    return ChildVariant(focused, selection);
  }

  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT, BSTR* action) override {
    if (action == nullptr) return E_POINTER;
    *action = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }

  HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h,
                                        VARIANT child) override {
    if (x == nullptr || y == nullptr || w == nullptr || h == nullptr) return E_POINTER;
    *x = *y = *w = *h = 0;
    std::optional<AccessibleNode> node;
    HRESULT status = Describe(child, node);
    if (status != S_OK) return status;
    *x = node->location.x;
    *y = node->location.y;
    *w = node->location.w;
    *h = node->location.h;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    if (end == nullptr) return E_POINTER;
    VariantInit(end);
    const long from = start.vt == VT_I4 && start.lVal != CHILDID_SELF ? start.lVal : id_;
    std::optional<AccessibleNode> node;
    HRESULT status = Describe(from, node);
    if (status != S_OK) return status;
    if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
      if (node->children.empty()) return S_FALSE;
      return ChildVariant(direction == NAVDIR_FIRSTCHILD ? node->children.front()
                                                         : node->children.back(),
                          end);
    }
    if ((direction != NAVDIR_NEXT && direction != NAVDIR_PREVIOUS) || from == CHILDID_SELF) {
      return direction <= NAVDIR_LASTCHILD ? S_FALSE : E_INVALIDARG;
    }
    std::optional<AccessibleNode> parent;
    status = Describe(node->parent, parent);
    if (status != S_OK) return status;
    const auto& siblings = parent->children;
    auto at = std::find(siblings.begin(), siblings.end(), from);
    if (at == siblings.end()) return S_FALSE;
    if (direction == NAVDIR_NEXT) {
      if (++at == siblings.end()) return S_FALSE;
    } else {
      if (at == siblings.begin()) return S_FALSE;
      --at;
    }
    return ChildVariant(*at, end);
  }

  // The deepest part under the point: this one's children first, then theirs.
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* found) override {
    if (found == nullptr) return E_POINTER;
    VariantInit(found);
    std::optional<AccessibleNode> node;
    HRESULT status = Describe(id_, node);
    if (status != S_OK) return status;
    if (!Contains(node->location, x, y)) return S_FALSE;
    long hit = id_;
    bool deeper = true;
    while (deeper) {
      deeper = false;
      for (long child : node->children) {
        std::optional<AccessibleNode> each;
        if (Describe(child, each) != S_OK || (each->states & accessible_state::kOffscreen) ||
            !Contains(each->location, x, y)) {
          continue;
        }
        hit = child;
        node = std::move(each);
        deeper = true;
        break;
      }
    }
    if (hit == id_) {
      found->vt = VT_I4;
      found->lVal = CHILDID_SELF;
      return S_OK;
    }
    return ChildVariant(hit, found);
  }

  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  // IEnumVARIANT: this part's children, each as an object of its own.
  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override {
    if (out == nullptr) return E_POINTER;
    if (fetched != nullptr) *fetched = 0;
    std::optional<AccessibleNode> node;
    HRESULT status = Describe(id_, node);
    if (status != S_OK) return status;
    ULONG given = 0;
    while (given < count && next_ < node->children.size()) {
      VariantInit(&out[given]);
      if (ChildVariant(node->children[next_++], &out[given]) == S_OK) ++given;
    }
    if (fetched != nullptr) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    long children = 0;
    HRESULT status = get_accChildCount(&children);
    if (status != S_OK) return status;
    next_ += count;
    if (next_ <= static_cast<size_t>(children)) return S_OK;
    next_ = static_cast<size_t>(children);
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    next_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) override {
    if (copy == nullptr) return E_POINTER;
    auto* part = new (std::nothrow) PartAccessible(link_, id_);
    if (part == nullptr) return E_OUTOFMEMORY;
    part->next_ = next_;
    *copy = part;
    return S_OK;
  }

  static HRESULT MakePart(const std::shared_ptr<WindowLink>& link, long id, IDispatch** object) {
    auto* part = new (std::nothrow) PartAccessible(link, id);
    if (part == nullptr) return E_OUTOFMEMORY;
    *object = static_cast<IAccessible*>(part);
    return S_OK;
  }

 private:
  ~PartAccessible() = default;

  // S_OK with the part; E_INVALIDARG for a part the window does not have (any more), E_FAIL once
  // the window is gone.
  HRESULT Describe(long id, std::optional<AccessibleNode>& node) const {
    if (!link_->alive || !link_->source.describe) return E_FAIL;
    try {
      node = link_->source.describe(id);
    } catch (...) {
      return E_OUTOFMEMORY;  // a part's texts could not be copied
    }
    return node ? S_OK : E_INVALIDARG;
  }

  HRESULT Describe(const VARIANT& child, std::optional<AccessibleNode>& node) const {
    if (child.vt != VT_I4) return E_INVALIDARG;
    return Describe(child.lVal == CHILDID_SELF ? id_ : child.lVal, node);
  }

  template <typename Field>
  HRESULT Text(const VARIANT& child, BSTR* out, Field field) const {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    std::optional<AccessibleNode> node;
    HRESULT status = Describe(child, node);
    if (status != S_OK) return status;
    const std::string text = field(*node);
    if (text.empty()) return S_FALSE;
    *out = ToBstr(text);
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
  }

  // This part itself as CHILDID_SELF, another as an object of its own.
  HRESULT ChildVariant(long id, VARIANT* out) const {
    if (id == id_) {
      out->vt = VT_I4;
      out->lVal = CHILDID_SELF;
      return S_OK;
    }
    IDispatch* object = nullptr;
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = id;
    HRESULT status = const_cast<PartAccessible*>(this)->get_accChild(child, &object);
    if (status != S_OK) return status;
    out->vt = VT_DISPATCH;
    out->pdispVal = object;
    return S_OK;
  }

  std::shared_ptr<WindowLink> link_;
  long id_;
  size_t next_ = 0;  // the next child IEnumVARIANT hands out
  ULONG references_ = 1;
};

LRESULT CALLBACK AccessibleWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<WindowLink> link = LinkOf(window);
  if (link == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  const WNDPROC previous = link->previous;
  if (message == WM_GETOBJECT) {
    const LONG object = static_cast<LONG>(lParam);
    long part = -1;
    if (object == OBJID_CLIENT) {
      part = CHILDID_SELF;
    } else if (object == OBJID_MENU && link->source.menuBar) {
      const long bar = link->source.menuBar();
      if (bar > 0) part = bar;
    }
    if (part >= 0) {
      IDispatch* answer = nullptr;
      if (PartAccessible::MakePart(link, part, &answer) == S_OK) {
        const LRESULT result = LresultFromObject(__uuidof(IAccessible), wParam, answer);
        answer->Release();
        return result;
      }
    }
  } else if (message == WM_DESTROY) {
    if (link->source.closing) link->source.closing();
  } else if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    link->alive = false;
    link->source = AccessibleSource{};
    Links().erase(window);
  }
  return CallWindowProcW(previous, window, message, wParam, lParam);
}

}  // namespace

bool AttachAccessibleSource(HWND window, AccessibleSource source) {
  if (window == nullptr || GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) {
    return false;
  }
  if (std::shared_ptr<WindowLink> link = LinkOf(window)) {
    link->source = std::move(source);
    return true;
  }
  auto link = std::make_shared<WindowLink>();
  link->window = window;
  link->source = std::move(source);
  Links()[window] = link;
  const LONG_PTR previous = SetWindowLongPtrW(
      window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AccessibleWindowProc));
  if (previous == 0) {
    Links().erase(window);
    return false;
  }
  link->previous = reinterpret_cast<WNDPROC>(previous);
  return true;
}

bool IsAccessibleSourceAttached(HWND window) { return LinkOf(window) != nullptr; }

void NotifyAccessibleClients(DWORD event, HWND window, long id) {
  if (window == nullptr || !IsWinEventHookInstalled(event)) return;
  NotifyWinEvent(event, window, OBJID_CLIENT, id);
}
