// The object model every library builds on: a root class with a class name, interfaces with
// query/add-reference/release, counted interface references and the create/free protocol.
#pragma once

#include <atomic>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <utility>

namespace Quellit {

using HRESULT = std::int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);

// A 128-bit identifier in the platform's layout: 32-bit, 16-bit, 16-bit, then 8 bytes.
struct TGUID {
  std::uint32_t D1 = 0;
  std::uint16_t D2 = 0;
  std::uint16_t D3 = 0;
  std::uint8_t D4[8] = {};

  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; usable in constant expressions for interface ids.
  static constexpr TGUID Parse(std::string_view AText);
  std::string ToString() const;  // the braced upper-case form Parse reads
  bool IsEmpty() const { return *this == TGUID{}; }
  friend bool operator==(const TGUID&, const TGUID&) = default;
  friend auto operator<=>(const TGUID&, const TGUID&) = default;
};

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
  virtual ~TObject() = default;

  // The dynamic class's own name, without namespaces or enclosing classes ("TStringList").
  virtual std::string ClassName() const;
  virtual std::string ToString() const { return ClassName(); }

  // Called by Create<T> once the last constructor has run, and by Free before the destructor
  // chain; a class may veto its destruction by throwing from BeforeDestruction.
  virtual void AfterConstruction() {}
  virtual void BeforeDestruction() {}
};

// The class's own name as ClassName() gives it, for a class known only by its type.
std::string ClassNameOf(const std::type_info& AType);

// Creates an object and completes its construction. Classes whose life is counted
// (TFlexibleInterfacedObject and its descendants) must be created this way.
template <class T, class... TArgs>
T* Create(TArgs&&... AArgs) {
  T* Result = new T(std::forward<TArgs>(AArgs)...);
  try {
    Result->AfterConstruction();
  } catch (...) {
    delete Result;
    throw;
  }
  return Result;
}

// Frees an object its owner created: BeforeDestruction, then the destructor chain. Null is allowed.
void Free(TObject* AObject);

template <class T>
void FreeAndNil(T*& AObject) {
  T* Temp = AObject;
  AObject = nullptr;
  Free(Temp);
}

// std::unique_ptr deleter for objects that must be freed through Free.
struct TFreeDeleter {
  void operator()(TObject* AObject) const { Free(AObject); }
};

// The basic interface. Interface pointers are held through TIntf<I>, which counts them.
class IInterface {
 public:
  static constexpr TGUID IID();
  virtual HRESULT QueryInterface(const TGUID& AIID, void** AObj) = 0;
  virtual std::int32_t _AddRef() = 0;
  virtual std::int32_t _Release() = 0;

 protected:
  IInterface() = default;
  IInterface(const IInterface&) = default;
  IInterface& operator=(const IInterface&) = default;
  virtual ~IInterface() = default;  // never deleted through an interface; virtual keeps derived ones quiet
};

// Interface identifiers: each interface declares `static constexpr TGUID IID()` and is registered
// once with QUELLIT_REGISTER_INTERFACE, so that QueryInterface can answer for any identifier.
using TInterfaceCaster = IInterface* (*)(TObject*);
bool RegisterInterface(const TGUID& AIID, TInterfaceCaster ACaster);
TInterfaceCaster FindInterfaceCaster(const TGUID& AIID);
// Calls AVisit for every registered interface; used to find an object's interface parts.
void ForEachInterfaceCaster(void (*AVisit)(TInterfaceCaster, void*), void* AContext);
// The standard query: S_OK and a counted pointer when AObject implements AIID, else E_NOINTERFACE.
HRESULT QueryObjectInterface(TObject* AObject, const TGUID& AIID, void** AObj);

#define QUELLIT_REGISTER_INTERFACE(I)                                                       \
  inline const bool I##_InterfaceRegistered = ::Quellit::RegisterInterface(                 \
      I::IID(), [](::Quellit::TObject* AObject) -> ::Quellit::IInterface* {                 \
        return static_cast<::Quellit::IInterface*>(dynamic_cast<I*>(AObject));              \
      })

// A counted interface reference: copying adds a reference, destruction releases it.
template <class I>
class TIntf {
 public:
  TIntf() = default;
  TIntf(std::nullptr_t) {}
  TIntf(I* APtr) : FPtr(APtr) { AddRef(); }
  TIntf(const TIntf& AOther) : FPtr(AOther.FPtr) { AddRef(); }
  TIntf(TIntf&& AOther) noexcept : FPtr(std::exchange(AOther.FPtr, nullptr)) {}
  template <class J>
    requires std::is_convertible_v<J*, I*>
  TIntf(const TIntf<J>& AOther) : TIntf(static_cast<I*>(AOther.Get())) {}
  ~TIntf() { Release(); }

  TIntf& operator=(TIntf AOther) noexcept {
    std::swap(FPtr, AOther.FPtr);
    return *this;
  }

  // Takes over a pointer that already carries one reference (the result of QueryInterface).
  static TIntf Adopt(I* APtr) {
    TIntf Result;
    Result.FPtr = APtr;
    return Result;
  }

  I* Get() const { return FPtr; }
  I* operator->() const { return FPtr; }
  I& operator*() const { return *FPtr; }
  explicit operator bool() const { return FPtr != nullptr; }
  void Reset() { TIntf().swap(*this); }
  void swap(TIntf& AOther) noexcept { std::swap(FPtr, AOther.FPtr); }

  friend bool operator==(const TIntf& A, const TIntf& B) { return A.FPtr == B.FPtr; }
  friend bool operator==(const TIntf& A, std::nullptr_t) { return A.FPtr == nullptr; }

 private:
  // Releases go through the basic interface: an interface part of a freed object is only ever
  // reached that way (see TFlexiblePersistInterfacedObject).
  void AddRef() const {
    if (FPtr) static_cast<IInterface*>(FPtr)->_AddRef();
  }
  void Release() noexcept {
    if (FPtr) static_cast<IInterface*>(std::exchange(FPtr, nullptr))->_Release();
  }

  I* FPtr = nullptr;
};

// Queries ASource for interface I; a null source or an unsupported interface gives null.
template <class I, class J>
TIntf<I> QueryIntf(const TIntf<J>& ASource) {
  void* Obj = nullptr;
  if (ASource && static_cast<IInterface*>(ASource.Get())->QueryInterface(I::IID(), &Obj) == S_OK)
    return TIntf<I>::Adopt(static_cast<I*>(static_cast<IInterface*>(Obj)));
  return nullptr;
}

template <class I, class J>
bool Supports(const TIntf<J>& ASource, TIntf<I>& AResult) {
  AResult = QueryIntf<I>(ASource);
  return static_cast<bool>(AResult);
}

// The standard counted object: destroyed when its last reference goes. Its count starts at 0,
// so a constructor must not hand out references to itself.
class TInterfacedObject : public TObject, public IInterface {
 public:
  HRESULT QueryInterface(const TGUID& AIID, void** AObj) override;
  std::int32_t _AddRef() override;
  std::int32_t _Release() override;
  std::int32_t RefCount() const { return FRefCount.load(); }

 private:
  std::atomic<std::int32_t> FRefCount{0};
};

// ----------------------------------------------------------------------------------------------

namespace Detail {
constexpr std::uint32_t HexDigit(char C) {
  if (C >= '0' && C <= '9') return static_cast<std::uint32_t>(C - '0');
  if (C >= 'a' && C <= 'f') return static_cast<std::uint32_t>(C - 'a' + 10);
  if (C >= 'A' && C <= 'F') return static_cast<std::uint32_t>(C - 'A' + 10);
  throw "invalid hexadecimal digit in a GUID";  // a compile-time error in constant evaluation
}
constexpr std::uint32_t HexValue(std::string_view AText, std::size_t AFrom, std::size_t ADigits) {
  std::uint32_t Result = 0;
  for (std::size_t I = 0; I < ADigits; ++I) Result = (Result << 4) | HexDigit(AText[AFrom + I]);
  return Result;
}
}  // namespace Detail

constexpr TGUID TGUID::Parse(std::string_view AText) {
  if (AText.size() != 38 || AText[0] != '{' || AText[9] != '-' || AText[14] != '-' ||
      AText[19] != '-' || AText[24] != '-' || AText[37] != '}')
    throw "malformed GUID text";
  TGUID Result;
  Result.D1 = Detail::HexValue(AText, 1, 8);
  Result.D2 = static_cast<std::uint16_t>(Detail::HexValue(AText, 10, 4));
  Result.D3 = static_cast<std::uint16_t>(Detail::HexValue(AText, 15, 4));
  constexpr std::size_t ByteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (std::size_t I = 0; I < 8; ++I)
    Result.D4[I] = static_cast<std::uint8_t>(Detail::HexValue(AText, ByteAt[I], 2));
  return Result;
}

constexpr TGUID IInterface::IID() { return TGUID::Parse("{00000000-0000-0000-C000-000000000046}"); }

}  // namespace Quellit
