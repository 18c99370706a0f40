#include "Lib/Common/Common.Object.h"

#include <gtest/gtest.h>

#include "Lib/Common/Common.Exception.h"

namespace Quellit {
namespace {

class IGreeter : public IInterface {
 public:
  static constexpr TGUID IID() { return TGUID::Parse("{0A7C1E52-5D33-4F6B-8E0C-2B9D61A4F310}"); }
  virtual std::string Greet() = 0;
};
QUELLIT_REGISTER_INTERFACE(IGreeter);

class INamed : public IInterface {
 public:
  static constexpr TGUID IID() { return TGUID::Parse("{5E1B7C20-9A44-4C8D-B3F1-7D02E6A9C5B8}"); }
  virtual std::string Name() = 0;
};
QUELLIT_REGISTER_INTERFACE(INamed);

class TGreeter : public TInterfacedObject, public IGreeter {
 public:
  explicit TGreeter(int* ADestroyed) : FDestroyed(ADestroyed) {}
  ~TGreeter() override { ++*FDestroyed; }
  HRESULT QueryInterface(const TGUID& AIID, void** AObj) override { return TInterfacedObject::QueryInterface(AIID, AObj); }
  std::int32_t _AddRef() override { return TInterfacedObject::_AddRef(); }
  std::int32_t _Release() override { return TInterfacedObject::_Release(); }
  std::string Greet() override { return "привет"; }

 private:
  int* FDestroyed;
};

TEST(TGUID, ParsesAndPrintsTheBracedForm) {
  constexpr TGUID G = TGUID::Parse("{71378574-93f8-4E54-BB73-21EC51BEE3B1}");
  EXPECT_EQ(G.D1, 0x71378574u);
  EXPECT_EQ(G.D2, 0x93F8u);
  EXPECT_EQ(G.D4[0], 0xBB);
  EXPECT_EQ(G.D4[7], 0xB1);
  EXPECT_EQ(G.ToString(), "{71378574-93F8-4E54-BB73-21EC51BEE3B1}");
}

TEST(TObject, ClassNameDropsNamespacesAndEnclosingClasses) {
  int Destroyed = 0;
  TGreeter Greeter(&Destroyed);
  EXPECT_EQ(Greeter.ClassName(), "TGreeter");
  EXPECT_EQ(Greeter.ToString(), "TGreeter");
  EXPECT_EQ(EOSError(2, "x").ClassName(), "EOSError");
}

TEST(TInterfacedObject, LastReleaseDestroysOnce) {
  int Destroyed = 0;
  {
    TIntf<IGreeter> A(new TGreeter(&Destroyed));
    TIntf<IGreeter> B = A;
    A.Reset();
    EXPECT_EQ(Destroyed, 0);
    EXPECT_EQ(B->Greet(), "привет");
  }
  EXPECT_EQ(Destroyed, 1);
}

TEST(TInterfacedObject, QueryInterfaceAnswersForImplementedInterfacesOnly) {
  int Destroyed = 0;
  TIntf<IGreeter> Greeter(new TGreeter(&Destroyed));
  void* Obj = reinterpret_cast<void*>(1);
  EXPECT_EQ(Greeter->QueryInterface(INamed::IID(), &Obj), E_NOINTERFACE);
  EXPECT_EQ(Obj, nullptr);
  EXPECT_FALSE(QueryIntf<INamed>(Greeter));
  TIntf<IGreeter> Again;
  ASSERT_TRUE(Supports(TIntf<IInterface>(Greeter), Again));
  EXPECT_EQ(Again.Get(), Greeter.Get());
  EXPECT_TRUE(QueryIntf<IInterface>(Greeter));
}

TEST(Assert, NamesTheSourceUnit) {
  EXPECT_NO_THROW(Assert(true, "never", "Lib/Common/Common.Object"));
  try {
    Assert(false, "", "Lib/Common/Common.Object");
    FAIL();
  } catch (const EAssertionFailed& E) {
    EXPECT_TRUE(E.Message().starts_with("Assertion failure (Lib/Common/Common.Object, line ")) << E.Message();
  }
}

}  // namespace
}  // namespace Quellit
