// What the MSXML backend of the XML units shares: COM at the call (our own counted pointer, BSTR
// and VARIANT made and freed where a call needs them), the thread's apartment, and the text MSXML
// is given to read. Included by the MSXML backend files only: the one place of the COM headers.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

// Before the system's headers: the system defines S_OK and its kin as macros, which the
// project's own constants of those names must not meet.
#include "Lib/Common/Common.XMLUtils.DOM.h"
#include "Lib/Text/Text.Engine.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <msxml2.h>

namespace Quellit::XmlCom {

// One counted reference of our own, released whichever way the scope is left.
template <class T>
class TComPtr {
 public:
  TComPtr() = default;
  explicit TComPtr(T* AOwned) : FPtr(AOwned) {}  // takes over the caller's reference
  TComPtr(const TComPtr& AOther) : FPtr(AOther.FPtr) {
    if (FPtr) FPtr->AddRef();
  }
  TComPtr(TComPtr&& AOther) noexcept : FPtr(std::exchange(AOther.FPtr, nullptr)) {}
  TComPtr& operator=(TComPtr AOther) noexcept {
    std::swap(FPtr, AOther.FPtr);
    return *this;
  }
  ~TComPtr() {
    if (FPtr) FPtr->Release();
  }

  T* Get() const { return FPtr; }
  T* operator->() const { return FPtr; }
  explicit operator bool() const { return FPtr != nullptr; }
  // For a call's out-parameter; what was held is released first.
  T** Receive() {
    *this = TComPtr();
    return &FPtr;
  }
  T* Release() { return std::exchange(FPtr, nullptr); }

  template <class U>
  TComPtr<U> As(const IID& AInterface) const {
    U* Result = nullptr;
    if (FPtr && FAILED(FPtr->QueryInterface(AInterface, reinterpret_cast<void**>(&Result)))) Result = nullptr;
    return TComPtr<U>(Result);
  }

 private:
  T* FPtr = nullptr;
};

// A reference of our own to an object the caller holds.
template <class T>
TComPtr<T> Borrowed(T* AObject) {
  if (AObject) AObject->AddRef();
  return TComPtr<T>(AObject);
}

class TBstr {
 public:
  TBstr() = default;
  explicit TBstr(std::string_view AUtf8) {
    const std::u16string Wide = Text::Utf8ToUtf16(AUtf8);
    FValue = ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(Wide.data()), static_cast<UINT>(Wide.size()));
    if (!FValue) throw EDOMError("Out of memory");
  }
  TBstr(const TBstr&) = delete;
  TBstr& operator=(const TBstr&) = delete;
  ~TBstr() { ::SysFreeString(FValue); }

  BSTR Get() const { return FValue; }
  BSTR* Receive() {
    ::SysFreeString(std::exchange(FValue, nullptr));
    return &FValue;
  }
  std::string Utf8() const {
    return Text::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(FValue), ::SysStringLen(FValue)));
  }

 private:
  BSTR FValue = nullptr;
};

class TVariant {
 public:
  TVariant() { ::VariantInit(&FValue); }
  explicit TVariant(std::string_view AUtf8) : TVariant() {
    const std::u16string Wide = Text::Utf8ToUtf16(AUtf8);
    FValue.bstrVal = ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(Wide.data()), static_cast<UINT>(Wide.size()));
    if (!FValue.bstrVal) throw EDOMError("Out of memory");
    FValue.vt = VT_BSTR;
  }
  // Without it a literal would choose the Boolean constructor.
  explicit TVariant(const char* AUtf8) : TVariant(std::string_view(AUtf8)) {}
  explicit TVariant(bool AValue) : TVariant() {
    FValue.vt = VT_BOOL;
    FValue.boolVal = AValue ? VARIANT_TRUE : VARIANT_FALSE;
  }
  TVariant(const TVariant&) = delete;
  TVariant& operator=(const TVariant&) = delete;
  ~TVariant() { ::VariantClear(&FValue); }

  VARIANT& Get() { return FValue; }
  VARIANT* Receive() {
    ::VariantClear(&FValue);
    return &FValue;
  }
  std::string Utf8() const {
    if (FValue.vt != VT_BSTR || !FValue.bstrVal) return {};
    return Text::Utf16ToUtf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(FValue.bstrVal), ::SysStringLen(FValue.bstrVal)));
  }

 private:
  VARIANT FValue;
};

// EDOMError naming the call and its result.
[[noreturn]] void Fail(HRESULT AResult, const char* AWhat);
void Check(HRESULT AResult, const char* AWhat);
// What the failed call left as its error description, if anything.
std::string LastErrorDescription();
// Makes sure the calling thread has joined a COM apartment; EDOMUnavailable when it cannot.
void EnsureApartment();

// The bytes as MSXML is to read them when the encoding is ours to read: the caller named it
// (ANamedByCaller), or the declaration names a one-byte encoding we know, whose tables then are
// the same on every system. Then the text comes as UTF-8 with its mark, the declaration blanked
// so it names nothing else; EDOMParseError for a byte the encoding leaves unassigned. Nothing when
// MSXML reads the bytes as they are (UTF-8, UTF-16, anything else a declaration names).
std::optional<std::string> TextForMsxml(std::string_view ABytes, const std::string& AEncoding, bool ANamedByCaller);

}  // namespace Quellit::XmlCom
