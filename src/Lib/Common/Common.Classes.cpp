#include "Common.Classes.h"

#include <map>
#include <mutex>
#include <new>
#include <vector>

namespace Quellit {

namespace {

// Lives in front of every flexible object, so the count and the state outlive the destructor.
struct alignas(std::max_align_t) TFlexibleHeader {
  std::atomic<std::int32_t> RefCount{1};
  std::atomic<std::uint8_t> State{osNormal};
  // Interface parts of a persist object freed while references remain (see BeforeDestruction).
  std::vector<std::ptrdiff_t>* InterfaceOffsets = nullptr;
};

TFlexibleHeader* HeaderOf(const void* AStorage) {
  return static_cast<TFlexibleHeader*>(const_cast<void*>(AStorage)) - 1;
}

void ReleaseStorage(TFlexibleHeader* AHeader) {
  AHeader->~TFlexibleHeader();
  ::operator delete(AHeader);
}

// After its destructor has run, each interface part of a freed persist object is replaced by a
// released-reference stand-in: the references still held by others can then be released safely,
// and the last release returns the storage.
class TReleasedInterface final : public IInterface {
 public:
  HRESULT QueryInterface(const TGUID&, void** AObj) override {
    *AObj = nullptr;
    return E_NOINTERFACE;
  }
  std::int32_t _AddRef() override { return ++Header()->RefCount; }
  std::int32_t _Release() override {
    TFlexibleHeader* H = Header();
    std::int32_t Result = --H->RefCount;
    if (Result == 0) Forget(H);
    return Result;
  }

  static void Install(void* AStorage, const std::vector<std::ptrdiff_t>& AOffsets) {
    std::lock_guard Guard(Lock());
    for (std::ptrdiff_t Offset : AOffsets) {
      void* Part = static_cast<char*>(AStorage) + Offset;
      Owners()[new (Part) TReleasedInterface] = HeaderOf(AStorage);
    }
  }

 private:
  TFlexibleHeader* Header() {
    std::lock_guard Guard(Lock());
    return Owners().at(this);
  }
  static void Forget(TFlexibleHeader* AHeader) {
    {
      std::lock_guard Guard(Lock());
      for (auto It = Owners().begin(); It != Owners().end();)
        It = It->second == AHeader ? Owners().erase(It) : std::next(It);
    }
    ReleaseStorage(AHeader);
  }
  // A stand-in is as small as an interface part (a table pointer), so its owner is kept aside.
  static std::map<const TReleasedInterface*, TFlexibleHeader*>& Owners() {
    static std::map<const TReleasedInterface*, TFlexibleHeader*> Instance;
    return Instance;
  }
  static std::mutex& Lock() {
    static std::mutex Instance;
    return Instance;
  }
};

struct TOffsetCollector {
  TObject* Object;
  std::vector<std::ptrdiff_t>* Offsets;
};

void CollectInterfaceOffset(TInterfaceCaster ACaster, void* AContext) {
  auto* C = static_cast<TOffsetCollector*>(AContext);
  IInterface* Part = ACaster(C->Object);
  if (!Part) return;
  auto* Base = dynamic_cast<const void*>(C->Object);
  std::ptrdiff_t Offset = reinterpret_cast<const char*>(Part) - static_cast<const char*>(Base);
  for (std::ptrdiff_t Known : *C->Offsets)
    if (Known == Offset) return;
  C->Offsets->push_back(Offset);
}

}  // namespace

void* TFlexibleInterfacedObject::operator new(std::size_t ASize) {
  void* Raw = ::operator new(sizeof(TFlexibleHeader) + ASize);
  return new (Raw) TFlexibleHeader + 1;
}

void TFlexibleInterfacedObject::operator delete(void* AStorage) noexcept {
  if (!AStorage) return;
  TFlexibleHeader* H = HeaderOf(AStorage);
  std::vector<std::ptrdiff_t>* Offsets = std::exchange(H->InterfaceOffsets, nullptr);
  if (Offsets && H->RefCount.load() > 0) {
    // Storage release waits for the last reference.
    TReleasedInterface::Install(AStorage, *Offsets);
    H->State = osDestroyed;
    delete Offsets;
    return;
  }
  delete Offsets;
  ReleaseStorage(H);
}

std::int32_t TFlexibleInterfacedObject::RefCount() const { return HeaderOf(dynamic_cast<const void*>(this))->RefCount; }

TObjectState TFlexibleInterfacedObject::State() const {
  return static_cast<TObjectState>(HeaderOf(dynamic_cast<const void*>(this))->State.load());
}

HRESULT TFlexibleInterfacedObject::QueryInterface(const TGUID& AIID, void** AObj) {
  return QueryObjectInterface(this, AIID, AObj);
}

std::int32_t TFlexibleInterfacedObject::_AddRef() { return ++HeaderOf(dynamic_cast<void*>(this))->RefCount; }

std::int32_t TFlexibleInterfacedObject::_Release() {
  TFlexibleHeader* H = HeaderOf(dynamic_cast<void*>(this));
  // The decrement's own result decides, so exactly one release sees zero.
  std::int32_t Result = --H->RefCount;
  if (Result == 0 && H->State == osNormal && DestroyOnLastRelease()) Free(this);
  return Result;
}

void TFlexibleInterfacedObject::AfterConstruction() { --HeaderOf(dynamic_cast<void*>(this))->RefCount; }

void TFlexibleInterfacedObject::BeforeDestruction() {
  TFlexibleHeader* H = HeaderOf(dynamic_cast<void*>(this));
  H->State = osDestroying;
  if (H->RefCount.load() <= 0) return;
  if (DestroyOnLastRelease())
    throw EManualDestroyError(
        "Вызван в ручную деструктор для объекта, который должен уничтожаться только при "
        "обниливании всех ссылок на него");
  // Remember where the interface parts are while the object is still whole.
  auto* Offsets = new std::vector<std::ptrdiff_t>;
  TOffsetCollector Collector{this, Offsets};
  ForEachInterfaceCaster(CollectInterfaceOffset, &Collector);
  CollectInterfaceOffset([](TObject* O) -> IInterface* { return static_cast<TFlexibleInterfacedObject*>(O); },
                         &Collector);
  delete std::exchange(H->InterfaceOffsets, Offsets);
}

TObjectDestroyer::~TObjectDestroyer() { Free(FObject); }

TIntf<IObjectDestroyer> AutoDestroy(TObject* AObject) {
  return TIntf<IObjectDestroyer>(new TObjectDestroyer(AObject));
}

}  // namespace Quellit
