#include "Common.Object.h"

#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <typeinfo>

namespace Quellit {

namespace {

struct TInterfaceRegistry {
  std::mutex Lock;
  std::map<TGUID, TInterfaceCaster> Casters;
};

// Built on first use: interfaces register from static initialisers of any translation unit.
TInterfaceRegistry& Registry() {
  static TInterfaceRegistry Instance;
  return Instance;
}

// "Quellit::TConnectionsPool::TEntry" -> "TEntry"; template arguments are kept as written.
std::string LastNameComponent(const std::string& AName) {
  int Depth = 0;
  std::size_t Start = 0;
  for (std::size_t I = 0; I < AName.size(); ++I) {
    char C = AName[I];
    if (C == '<') ++Depth;
    else if (C == '>') --Depth;
    else if (Depth == 0 && C == ':' && I + 1 < AName.size() && AName[I + 1] == ':') Start = I + 2;
  }
  return AName.substr(Start);
}

}  // namespace

std::string TGUID::ToString() const {
  char Buffer[39];
  std::snprintf(Buffer, sizeof Buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", D1, D2, D3,
                D4[0], D4[1], D4[2], D4[3], D4[4], D4[5], D4[6], D4[7]);
  return Buffer;
}

std::string ClassNameOf(const std::type_info& AType) {
  const char* Mangled = AType.name();
  int Status = 0;
  std::unique_ptr<char, void (*)(void*)> Demangled(abi::__cxa_demangle(Mangled, nullptr, nullptr, &Status),
                                                   std::free);
  return LastNameComponent(Status == 0 && Demangled ? Demangled.get() : Mangled);
}

std::string TObject::ClassName() const { return ClassNameOf(typeid(*this)); }

void Free(TObject* AObject) {
  if (!AObject) return;
  AObject->BeforeDestruction();
  delete AObject;
}

bool RegisterInterface(const TGUID& AIID, TInterfaceCaster ACaster) {
  auto& R = Registry();
  std::lock_guard Guard(R.Lock);
  R.Casters.emplace(AIID, ACaster);
  return true;
}

TInterfaceCaster FindInterfaceCaster(const TGUID& AIID) {
  auto& R = Registry();
  std::lock_guard Guard(R.Lock);
  auto It = R.Casters.find(AIID);
  return It == R.Casters.end() ? nullptr : It->second;
}

void ForEachInterfaceCaster(void (*AVisit)(TInterfaceCaster, void*), void* AContext) {
  auto& R = Registry();
  std::lock_guard Guard(R.Lock);
  for (const auto& [IID, Caster] : R.Casters) AVisit(Caster, AContext);
}

HRESULT QueryObjectInterface(TObject* AObject, const TGUID& AIID, void** AObj) {
  *AObj = nullptr;
  IInterface* Found = nullptr;
  if (AIID == IInterface::IID()) {
    // An object with several interfaces has several basic parts; any one of them will do.
    Found = dynamic_cast<IInterface*>(AObject);
    if (!Found) {
      auto& R = Registry();
      std::lock_guard Guard(R.Lock);
      for (auto It = R.Casters.begin(); !Found && It != R.Casters.end(); ++It) Found = It->second(AObject);
    }
  } else if (TInterfaceCaster Caster = FindInterfaceCaster(AIID)) {
    Found = Caster(AObject);
  }
  if (!Found) return E_NOINTERFACE;
  Found->_AddRef();
  *AObj = Found;
  return S_OK;
}

HRESULT TInterfacedObject::QueryInterface(const TGUID& AIID, void** AObj) {
  return QueryObjectInterface(this, AIID, AObj);
}

std::int32_t TInterfacedObject::_AddRef() { return ++FRefCount; }

std::int32_t TInterfacedObject::_Release() {
  std::int32_t Result = --FRefCount;
  if (Result == 0) Free(this);
  return Result;
}

}  // namespace Quellit
