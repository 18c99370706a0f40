#include "Lib/Common/Common.Classes.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace Quellit {
namespace {

class IProbe : public IInterface {
 public:
  static constexpr TGUID IID() { return TGUID::Parse("{C3A90E11-4B7D-4E2A-9F65-0D8B3C2E71A4}"); }
  virtual int Value() = 0;
};
QUELLIT_REGISTER_INTERFACE(IProbe);

class IOther : public IInterface {
 public:
  static constexpr TGUID IID() { return TGUID::Parse("{9D2F4B60-1C8E-4A37-B5D9-6E0A7F3C2B18}"); }
  virtual int Other() = 0;
};
QUELLIT_REGISTER_INTERFACE(IOther);

struct TCounters {
  int Destructed = 0;
};

// A flexible object with two interfaces, counting its destructor runs.
template <class TBase>
class TProbe : public TBase, public IProbe, public IOther {
 public:
  explicit TProbe(TCounters* ACounters, bool AReferenceInConstructor = false) : FCounters(ACounters) {
    if (AReferenceInConstructor) {
      // A reference taken and dropped while constructing must not destroy the object.
      TIntf<IProbe> Self(this);
    }
  }
  ~TProbe() override { ++FCounters->Destructed; }
  HRESULT QueryInterface(const TGUID& AIID, void** AObj) override { return TBase::QueryInterface(AIID, AObj); }
  std::int32_t _AddRef() override { return TBase::_AddRef(); }
  std::int32_t _Release() override { return TBase::_Release(); }
  int Value() override { return 7; }
  int Other() override { return 8; }

 private:
  TCounters* FCounters;
};

using TFlexibleProbe = TProbe<TFlexibleInterfacedObject>;
using TPersistProbe = TProbe<TFlexiblePersistInterfacedObject>;

TEST(TFlexibleInterfacedObject, LastReleaseDestroysExactlyOnce) {
  TCounters C;
  auto* Object = Create<TFlexibleProbe>(&C, true);
  EXPECT_EQ(Object->RefCount(), 0);
  {
    TIntf<IProbe> Ref(Object);
    TIntf<IOther> Other = QueryIntf<IOther>(Ref);
    EXPECT_EQ(Other->Other(), 8);
    EXPECT_EQ(Object->RefCount(), 2);
  }
  EXPECT_EQ(C.Destructed, 1);
}

TEST(TFlexibleInterfacedObject, FreedByHandWithoutReferencesBehavesAsAPlainObject) {
  TCounters C;
  auto* Object = Create<TFlexibleProbe>(&C);
  EXPECT_EQ(Object->State(), osNormal);
  EXPECT_NO_THROW(Free(Object));
  EXPECT_EQ(C.Destructed, 1);
}

TEST(TFlexibleInterfacedObject, FreedByHandWhileReferencedRaisesAndStaysAlive) {
  TCounters C;
  auto* Object = Create<TFlexibleProbe>(&C);
  TIntf<IProbe> Ref(Object);
  try {
    Free(Object);
    FAIL() << "freeing a referenced object must fail";
  } catch (const TFlexibleInterfacedObject::EManualDestroyError& E) {
    EXPECT_EQ(E.Message(),
              "Вызван в ручную деструктор для объекта, который должен уничтожаться только при "
              "обниливании всех ссылок на него");
    EXPECT_EQ(E.ClassName(), "EManualDestroyError");
  }
  EXPECT_EQ(C.Destructed, 0);
  EXPECT_EQ(Ref->Value(), 7);
  EXPECT_EQ(Object->State(), osDestroying);
  // The state stays "destroying": the last release does not destroy it either.
  Ref.Reset();
  EXPECT_EQ(C.Destructed, 0);
  // Test cleanup: with no references left the owner may free it.
  Free(Object);
  EXPECT_EQ(C.Destructed, 1);
}

TEST(TFlexiblePersistInterfacedObject, LastReleaseOfAnUnfreedObjectDestroysNothing) {
  TCounters C;
  auto* Object = Create<TPersistProbe>(&C);
  { TIntf<IProbe> Ref(Object); }
  EXPECT_EQ(C.Destructed, 0);
  EXPECT_EQ(Object->State(), osNormal);
  Free(Object);
  EXPECT_EQ(C.Destructed, 1);
}

TEST(TFlexiblePersistInterfacedObject, FreeWhileReferencedRunsDestructorNowAndReleasesStorageLater) {
  TCounters C;
  auto* Object = Create<TPersistProbe>(&C);
  TIntf<IProbe> Probe(Object);
  TIntf<IOther> Other(Object);
  TIntf<IInterface> Basic = QueryIntf<IInterface>(Probe);
  Free(Object);
  EXPECT_EQ(C.Destructed, 1);
  // Every kind of reference can still be released; the last one returns the storage (ASan
  // reports a leak or a use after free otherwise), and no destructor runs again.
  Probe.Reset();
  Basic.Reset();
  Other.Reset();
  EXPECT_EQ(C.Destructed, 1);
}

TEST(TFlexibleInterfacedObject, DestroyOnLastReleaseIsTheRegimeSwitch) {
  TCounters C;
  std::unique_ptr<TFlexibleProbe, TFreeDeleter> Flexible(Create<TFlexibleProbe>(&C));
  std::unique_ptr<TPersistProbe, TFreeDeleter> Persist(Create<TPersistProbe>(&C));
  EXPECT_TRUE(Flexible->DestroyOnLastRelease());
  EXPECT_FALSE(Persist->DestroyOnLastRelease());
}

class TTracked : public TObject {
 public:
  explicit TTracked(int* ADestroyed, std::string AText = "tracked") : FDestroyed(ADestroyed), FText(std::move(AText)) {}
  ~TTracked() override { ++*FDestroyed; }
  std::string ToString() const override { return FText; }

 private:
  int* FDestroyed;
  std::string FText;
};

TEST(AutoDestroy, FreesAtTheEndOfTheScopeAlsoOnException) {
  int Destroyed = 0;
  {
    auto Guard = AutoDestroy(new TTracked(&Destroyed));
    EXPECT_EQ(Guard->GetObj()->ToString(), "tracked");
    EXPECT_EQ(Destroyed, 0);
  }
  EXPECT_EQ(Destroyed, 1);
  try {
    auto Guard = AutoDestroy(new TTracked(&Destroyed));
    throw std::runtime_error("leave the scope");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(Destroyed, 2);
}

TEST(TSharedPtr, NullHandleNeverFails) {
  TSharedPtr<TTracked> Empty;
  EXPECT_EQ(Empty.Value(), nullptr);
  EXPECT_EQ(Empty.ToString(), "null");
  EXPECT_EQ(Empty.Unwrap(), nullptr);
  TSharedPtr<TTracked> FromNull = TSharedPtr<TTracked>::Create(nullptr);
  EXPECT_EQ(FromNull.Value(), nullptr);
  EXPECT_EQ(TSharedPtr<TTracked>::Null().ToString(), "null");
}

TEST(TSharedPtr, TheLastCopyFrees) {
  int Destroyed = 0;
  {
    TSharedPtr<TTracked> First = new TTracked(&Destroyed, "объект");
    {
      TSharedPtr<TTracked> Second = First;
      EXPECT_EQ(Second.Value(), First.Value());
      EXPECT_EQ(Second.ToString(), "объект");
    }
    EXPECT_EQ(Destroyed, 0);
  }
  EXPECT_EQ(Destroyed, 1);
}

TEST(TSharedPtr, UnwrapHandsTheObjectOver) {
  int Destroyed = 0;
  TTracked* Owned = nullptr;
  {
    TSharedPtr<TTracked> First = new TTracked(&Destroyed);
    TSharedPtr<TTracked> Second = First;
    Owned = Second.Unwrap();
    ASSERT_NE(Owned, nullptr);
    EXPECT_EQ(First.Value(), nullptr);
    EXPECT_EQ(Second.Value(), nullptr);
    EXPECT_EQ(First.ToString(), "null");
  }
  EXPECT_EQ(Destroyed, 0);
  Free(Owned);
  EXPECT_EQ(Destroyed, 1);
}

}  // namespace
}  // namespace Quellit
