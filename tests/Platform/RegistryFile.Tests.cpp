#include "Platform/RegistryFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace Quellit::Platform {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;

const std::string Header = "Windows Registry Editor Version 5.00\r\n\r\n";

std::string Repeat(std::string_view APart, std::size_t ACount) {
  std::string Result;
  Result.reserve(APart.size() * ACount);
  for (std::size_t I = 0; I < ACount; ++I) Result += APart;
  return Result;
}

std::vector<std::string> SubKeyNames(const TRegistryNode& ANode) {
  std::vector<std::string> Names;
  for (const TRegistryNode& SubKey : ANode.SubKeys()) Names.push_back(SubKey.Name());
  return Names;
}

std::vector<std::string> ValueNames(const TRegistryNode& ANode) {
  std::vector<std::string> Names;
  for (const TRegValue& Value : ANode.Values()) Names.push_back(Value.Name);
  return Names;
}

// A machine-wide export has keys with tens of thousands of children; reading one must stay linear.
TEST(RegistryFileTest, ReadsAKeyWithManySubkeysInFileOrder) {
  constexpr int Count = 200000;
  std::string Text = Header;
  for (int I = 0; I < Count; ++I) Text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Key" + std::to_string(I) + "]\r\n";
  Text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\KEY7]\r\n\"Again\"=\"the same key, other case\"\r\n";
  const TRegistryParseResult Result = ParseRegistryText(Text);
  EXPECT_EQ(Result.BrokenLines, 0);
  const TRegistryNode* Classes = Result.Root.FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes");
  ASSERT_TRUE(Classes);
  EXPECT_EQ(Classes->SubKeys().size(), static_cast<std::size_t>(Count));
  EXPECT_EQ(Classes->SubKeys().front().Name(), "Key0");
  EXPECT_EQ(Classes->SubKeys().back().Name(), "Key199999");
  const TRegistryNode* Seventh = Classes->FindKey("key7");
  ASSERT_TRUE(Seventh);
  EXPECT_EQ(Seventh->Name(), "Key7");  // the name as first written
  EXPECT_TRUE(Seventh->FindValue("AGAIN"));
}

TEST(RegistryFileTest, ReadsAKeyWithManyValues) {
  constexpr int Count = 100000;
  std::string Text = Header + "[HKEY_CURRENT_USER\\Software\\Orvant]\r\n";
  for (int I = 0; I < Count; ++I) Text += "\"V" + std::to_string(I) + "\"=dword:" + std::to_string(I % 10) + "\r\n";
  Text += "\"v5\"=\"replaced in place\"\r\n\"V6\"=-\r\n\"V6\"=\"added again, at the end\"\r\n";
  const TRegistryParseResult Result = ParseRegistryText(Text);
  const TRegistryNode* Key = Result.Root.FindKey("HKEY_CURRENT_USER\\Software\\Orvant");
  ASSERT_TRUE(Key);
  EXPECT_EQ(Key->Values().size(), static_cast<std::size_t>(Count));
  const std::vector<std::string> Names = ValueNames(*Key);
  EXPECT_EQ(Names[5], "v5");
  EXPECT_EQ(Names[6], "V7");
  EXPECT_EQ(Names.back(), "V6");
  EXPECT_EQ(Key->FindValue("V5")->AsString(), "replaced in place");
  EXPECT_EQ(Key->FindValue("v99999")->AsInteger(), 9u);
}

// Nesting deeper than the registry allows is refused line by line; nothing of it stays.
TEST(RegistryFileTest, KeysNestedTooDeepAreBrokenLines) {
  struct TCase {
    const char* Name;
    std::size_t Depth;  // levels below the hive
    bool Kept;
  };
  const TCase Cases[] = {
      {"the deepest a registry allows", MaxRegistryKeyDepth - 1, true},
      {"one level more", MaxRegistryKeyDepth, false},
      {"a million levels", 1000000, false},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    const std::string Path = "HKEY_CURRENT_USER" + Repeat("\\k", Case.Depth);
    const TRegistryParseResult Result =
        ParseRegistryText(Header + "[" + Path + "]\r\n\"Deep\"=\"1\"\r\n[HKEY_CURRENT_USER\\After]\r\n");
    EXPECT_EQ(Result.Root.FindKey(Path) != nullptr, Case.Kept);
    EXPECT_EQ(Result.Root.FindKey("HKEY_CURRENT_USER\\k") != nullptr, Case.Kept);
    EXPECT_TRUE(Result.Root.FindKey("HKEY_CURRENT_USER\\After"));
    EXPECT_EQ(Result.BrokenLines, Case.Kept ? 0 : 2);  // the key line and its value
    if (!Case.Kept) {
      EXPECT_EQ(Result.FirstBrokenLine, 3);
      EXPECT_THAT(Result.FirstProblem, HasSubstr("deeper than 512 levels"));
    }
  }
}

// Trees built by code have no depth limit; freeing and deleting them must not recurse (a
// recursive free of this one would overflow the call stack).
TEST(RegistryFileTest, DeepTreesAreFreedWithoutRecursion) {
  const std::string Path = "HKEY_CURRENT_USER" + Repeat("\\k", 200000);
  TRegistryNode Root;
  Root.CreateKey(Path).SetString("Leaf", "yes");
  EXPECT_EQ(Root.FindKey(Path)->FindValue("Leaf")->AsString(), "yes");
  Root.CreateKey("HKEY_CURRENT_USER\\Other\\" + Path);
  Root.DeleteKey("HKEY_CURRENT_USER\\K");
  EXPECT_THAT(SubKeyNames(*Root.FindKey("HKEY_CURRENT_USER")), ElementsAre("Other"));
}  // the other deep branch goes with Root

TEST(RegistryFileTest, DeletedKeysAndValuesLeaveTheRestInOrder) {
  const TRegistryParseResult Result = ParseRegistryText(Header +
                                                        "[HKEY_CURRENT_USER\\A]\r\n"
                                                        "[HKEY_CURRENT_USER\\B\\Inner]\r\n\"X\"=\"1\"\r\n"
                                                        "[HKEY_CURRENT_USER\\C]\r\n"
                                                        "[-HKEY_CURRENT_USER\\b]\r\n"
                                                        "[-HKEY_CURRENT_USER\\Missing\\Too]\r\n"
                                                        "[HKEY_CURRENT_USER\\b]\r\n");
  EXPECT_EQ(Result.BrokenLines, 0);
  const TRegistryNode* User = Result.Root.FindKey("HKEY_CURRENT_USER");
  ASSERT_TRUE(User);
  EXPECT_THAT(SubKeyNames(*User), ElementsAre("A", "C", "b"));
  EXPECT_FALSE(User->FindKey("B\\Inner"));
}

TEST(RegistryFileTest, FormatsDeepAndWideTreesAndReadsThemBack) {
  TRegistryNode Root;
  std::string Deep = "HKEY_LOCAL_MACHINE";
  for (int I = 0; I < 300; ++I) Deep += "\\L" + std::to_string(I);
  Root.CreateKey(Deep).SetInteger("Depth", 300);
  for (int I = 0; I < 1000; ++I) Root.CreateKey("HKEY_LOCAL_MACHINE\\Wide\\W" + std::to_string(I));
  Root.CreateKey("HKEY_CURRENT_USER\\Software").SetString("", "default");
  const TRegistryParseResult Read = ParseRegistryText(FormatRegistryText(Root));
  EXPECT_EQ(Read.BrokenLines, 0);
  EXPECT_EQ(Read.Root.FindKey(Deep)->FindValue("Depth")->AsInteger(), 300u);
  EXPECT_EQ(Read.Root.FindKey("HKEY_LOCAL_MACHINE\\Wide")->SubKeys().size(), 1000u);
  EXPECT_EQ(SubKeyNames(Read.Root), SubKeyNames(Root));
  EXPECT_EQ(FormatRegistryText(Read.Root), FormatRegistryText(Root));
}

}  // namespace
}  // namespace Quellit::Platform
