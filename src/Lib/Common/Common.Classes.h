// The two counted-ownership regimes of objects handed out as interfaces, and the holders that tie
// a locally created object to a scope (AutoDestroy) or to copyable handles (TSharedPtr<T>).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "Common.Exception.h"
#include "Common.Object.h"

namespace Quellit {

enum TObjectState : std::uint8_t { osNormal = 0, osDestroying = 1, osDestroyed = 2 };

// A counted object that may also be freed by hand while nobody references it.
//
// Such objects live in storage with a small header in front (the count and the state), so that
// the storage can outlive the destructor chain; create them with Create<T>() (never on the stack or
// as a member) and free them by hand with Free(), not delete. The count starts at 1 and drops after the last constructor, so constructors may
// hand out and drop references to the object safely.
class TFlexibleInterfacedObject : public TObject, public IInterface {
 public:
  class EManualDestroyError : public Exception {
    using Exception::Exception;
  };

  // Which regime the class follows: true, references own the object; false, its owner does.
  virtual bool DestroyOnLastRelease() const { return true; }

  HRESULT QueryInterface(const TGUID& AIID, void** AObj) override;
  std::int32_t _AddRef() override;
  std::int32_t _Release() override;

  void AfterConstruction() override;
  void BeforeDestruction() override;

  std::int32_t RefCount() const;
  TObjectState State() const;

  static void operator delete(void* AStorage) noexcept;

 protected:
  TFlexibleInterfacedObject() = default;

 private:
  // Only Create<T>() allocates: it completes construction, which drops the start-of-life count.
  static void* operator new(std::size_t ASize);
  template <class T, class... TArgs>
  friend T* Create(TArgs&&...);
};

// An object owned by hand whose references do not own it. Freeing it while references remain is
// allowed: its destructor runs at once and its storage stays until the last reference is released.
// Between the free and that release, releasing is the only valid use of such a reference.
class TFlexiblePersistInterfacedObject : public TFlexibleInterfacedObject {
 public:
  bool DestroyOnLastRelease() const override { return false; }
};

class IObjectDestroyer : public IInterface {
 public:
  static constexpr TGUID IID() { return TGUID::Parse("{6B4C5E3A-2F0D-4A8B-9C71-3E5D2A1F0B47}"); }
  virtual TObject* GetObj() = 0;
};
QUELLIT_REGISTER_INTERFACE(IObjectDestroyer);

// Frees the wrapped object when the last reference to the holder goes.
class TObjectDestroyer : public TInterfacedObject, public IObjectDestroyer {
 public:
  explicit TObjectDestroyer(TObject* AObject) : FObject(AObject) {}
  ~TObjectDestroyer() override;

  HRESULT QueryInterface(const TGUID& AIID, void** AObj) override { return TInterfacedObject::QueryInterface(AIID, AObj); }
  std::int32_t _AddRef() override { return TInterfacedObject::_AddRef(); }
  std::int32_t _Release() override { return TInterfacedObject::_Release(); }

  TObject* GetObj() override { return FObject; }
  TObject* Obj() const { return FObject; }
  // Gives the object up: the holder no longer frees it.
  void Detach() { FObject = nullptr; }

 private:
  TObject* FObject;
};

// A holder that frees AObject when the returned reference is released. Keep the result in a local
// variable: the object then lives exactly as long as the scope, also when an exception leaves it.
TIntf<IObjectDestroyer> AutoDestroy(TObject* AObject);

// A copyable handle over one holder: the object is freed when the last copy goes away.
template <class T>
class TSharedPtr {
 public:
  TSharedPtr() = default;
  TSharedPtr(std::nullptr_t) {}
  TSharedPtr(T* AValue) { Assign(AValue); }

  static TSharedPtr Create(T* AValue) { return TSharedPtr(AValue); }
  static TSharedPtr Null() { return TSharedPtr(); }

  T* Value() const { return FDestroyer ? static_cast<T*>(FDestroyer->GetObj()) : nullptr; }
  T* operator->() const { return Value(); }
  T& operator*() const { return *Value(); }
  explicit operator bool() const { return Value() != nullptr; }

  // Hands the object to the caller: no copy of this handle frees it any more; all read null.
  T* Unwrap() {
    if (!FDestroyer) return nullptr;
    T* Result = static_cast<T*>(FDestroyerObj->GetObj());
    FDestroyerObj->Detach();
    FDestroyerObj = nullptr;
    FDestroyer.Reset();
    return Result;
  }

  std::string ToString() const {
    T* V = Value();
    return V ? V->ToString() : "null";
  }

 private:
  void Assign(T* AValue) {
    if (!AValue) return;
    FDestroyerObj = new TObjectDestroyer(AValue);
    FDestroyer = FDestroyerObj;
  }

  TObjectDestroyer* FDestroyerObj = nullptr;  // not counted: used only to detach
  TIntf<IObjectDestroyer> FDestroyer;
};

}  // namespace Quellit
