// Small owners for the three COM resources the job catalogue holds: an interface pointer, a string
// allocated with the COM task allocator, and the thread's COM initialisation. Each function that
// holds them declares them in the order apartment, interfaces, strings: C++ gives them back in the
// reverse order, so every string is freed before the interface that handed it out is released, and
// every interface before COM is uninitialised, once.
#pragma once

#include "bits/wide_text.h"
#include "bits_platform.h"

template <class Interface>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(Interface* owned) : pointer_(owned) {}
  ~ComPtr() { reset(); }

  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : pointer_(other.detach()) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      pointer_ = other.detach();
    }
    return *this;
  }

  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  // For an out-parameter: gives back whatever is held first, so nothing is overwritten unreleased.
  Interface** put() {
    reset();
    return &pointer_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }

  void reset() {
    if (pointer_ != nullptr) {
      Interface* held = pointer_;
      pointer_ = nullptr;
      held->Release();
    }
  }

  Interface* detach() {
    Interface* held = pointer_;
    pointer_ = nullptr;
    return held;
  }

 private:
  Interface* pointer_ = nullptr;
};

// A wide string that COM or BITS allocated and the caller must free with CoTaskMemFree.
class CoTaskMemText {
 public:
  CoTaskMemText() = default;
  ~CoTaskMemText() { reset(); }

  CoTaskMemText(const CoTaskMemText&) = delete;
  CoTaskMemText& operator=(const CoTaskMemText&) = delete;

  LPWSTR* put() {
    reset();
    return &text_;
  }
  LPWSTR get() const { return text_; }
  bool present() const { return text_ != nullptr; }

  // The text as a value; `fallback` when nothing was returned. An empty text stays empty.
  WideText value_or(const WideText& fallback) const {
    return text_ != nullptr ? WideText(text_) : fallback;
  }

  void reset() {
    if (text_ != nullptr) {
      LPWSTR held = text_;
      text_ = nullptr;
      CoTaskMemFree(held);
    }
  }

 private:
  LPWSTR text_ = nullptr;
};

// COM initialised on this thread, apartment-threaded, for the owner's lifetime. Uninitialises only
// when the initialisation succeeded (S_OK, or S_FALSE when the thread was initialised already).
class ComApartment {
 public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }

  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  bool initialised() const { return SUCCEEDED(result_); }
  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};
