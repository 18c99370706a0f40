// The version-resource reader over real PE images (fixtures/FileVersion, rebuilt by the commands
// in its README) and over hostile variants made by patching their bytes.
#include "Lib/Common/Common.PEVersionResource.h"

#include <gtest/gtest.h>

#include <functional>

#include "PEFixture.h"

namespace Quellit {
namespace {

using namespace Quellit::Testing;

constexpr std::uint32_t HighBit = 0x80000000u;

TPEVersionResource ReadImage(const TBytes& AImage) {
  TPEMemorySource Source(AImage);
  return TPEVersionResource::FromSource(Source);
}

// Where the headers and the resource tree of a fixture lie, found the long way round.
struct TLayout {
  std::size_t PEHeader = 0;
  std::size_t OptionalHeader = 0;
  std::size_t RsrcSection = 0;  // its 40-byte header
  std::size_t Rsrc = 0;         // file offset of the tree
  std::size_t TypeEntry = 0;
  std::size_t NameEntry = 0;
  std::size_t LanguageEntry = 0;
  std::size_t DataEntry = 0;
  std::size_t Block = 0;

  explicit TLayout(const TBytes& AImage) {
    PEHeader = GetU32(AImage, 0x3C);
    OptionalHeader = PEHeader + 24;
    const std::size_t Sections = OptionalHeader + GetU16(AImage, PEHeader + 20);
    for (std::size_t I = 0; I < GetU16(AImage, PEHeader + 6); ++I)
      if (std::string(AImage.begin() + Sections + 40 * I, AImage.begin() + Sections + 40 * I + 5) == ".rsrc")
        RsrcSection = Sections + 40 * I;
    Rsrc = GetU32(AImage, RsrcSection + 20);
    TypeEntry = Rsrc + 16;
    NameEntry = Rsrc + (GetU32(AImage, TypeEntry + 4) & ~HighBit) + 16;
    LanguageEntry = Rsrc + (GetU32(AImage, NameEntry + 4) & ~HighBit) + 16;
    DataEntry = Rsrc + GetU32(AImage, LanguageEntry + 4);
    Block = VersionNode(AImage, "VS_VERSION_INFO");
  }
};

TEST(TPEVersionResource, ReadsPE32PlusAndPE32Images) {
  struct TCase {
    const char* File;
    std::uint32_t FileVersionMS, FileVersionLS;
    const char* Path;
    const char* Text;
  };
  const TCase Cases[] = {
      {"full.exe", 0x00080001, 0x00020003, "\\StringFileInfo\\041904E3\\CompanyName", "ООО Корвел"},
      {"notrans.exe", 0x00060003, 0x00000075, "\\StringFileInfo\\040904E4\\ProductName", "Корвел 6"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.File);
    const TPEVersionResource Resource = ReadImage(LoadPEFixture(C.File));
    ASSERT_TRUE(Resource.IsValid());
    EXPECT_EQ(Resource.FixedFileInfo()->FileVersionMS, C.FileVersionMS);
    EXPECT_EQ(Resource.FixedFileInfo()->FileVersionLS, C.FileVersionLS);
    EXPECT_EQ(Resource.QueryString(C.Path), C.Text);
    EXPECT_EQ(Resource.QueryValue("\\")->size(), 52u);
  }
}

TEST(TPEVersionResource, LooksUpPathsLikeThePlatformsVersionApi) {
  const TPEVersionResource Resource = ReadImage(LoadPEFixture("full.exe"));
  EXPECT_EQ(Resource.QueryValue("\\VarFileInfo\\Translation"), (TBytes{0x19, 0x04, 0xE3, 0x04}));
  EXPECT_EQ(Resource.QueryString("\\stringfileinfo\\041904e3\\companyname"), "ООО Корвел");
  EXPECT_EQ(Resource.QueryString("StringFileInfo\\\\041904E3\\ProductName\\"), "Корвел");
  EXPECT_EQ(Resource.QueryString("\\StringFileInfo\\041904E3\\LegalTrademark"), std::nullopt);
  EXPECT_EQ(Resource.QueryString("\\StringFileInfo\\040904E4\\CompanyName"), std::nullopt);
  EXPECT_EQ(Resource.QueryString("\\StringFileInfo\\041904E3\\CompanyName\\More"), std::nullopt);
}

TEST(TPEVersionResource, ImagesWithoutAVersionResourceGiveNothing) {
  for (const char* Name : {"noversion.exe", "full.rc"}) {
    SCOPED_TRACE(Name);
    const TPEVersionResource Resource = ReadImage(LoadPEFixture(Name));
    EXPECT_FALSE(Resource.IsValid());
    EXPECT_TRUE(Resource.Block().empty());
    EXPECT_EQ(Resource.QueryValue("\\"), std::nullopt);
  }
  EXPECT_FALSE(ReadImage({}).IsValid());
}

// Each prefix of an image either still holds the whole resource or gives nothing at all.
TEST(TPEVersionResource, TruncatedImagesGiveTheWholeBlockOrNothing) {
  for (const char* Name : {"full.exe", "notrans.exe"}) {
    SCOPED_TRACE(Name);
    const TBytes Image = LoadPEFixture(Name);
    const TBytes Whole = ReadImage(Image).Block();
    ASSERT_FALSE(Whole.empty());
    const std::size_t BlockEnd = TLayout(Image).Block + Whole.size();
    for (std::size_t Length = 0; Length < Image.size(); ++Length) {
      const TBytes Block = ReadImage(TBytes(Image.begin(), Image.begin() + static_cast<std::ptrdiff_t>(Length))).Block();
      if (Length < BlockEnd)
        ASSERT_TRUE(Block.empty()) << "prefix of " << Length << " bytes";
      else
        ASSERT_EQ(Block, Whole) << "prefix of " << Length << " bytes";
    }
  }
}

TEST(TPEVersionResource, HostileHeadersAndResourceTreesGiveNothing) {
  using TPatch = std::function<void(TBytes&, const TLayout&)>;
  struct TCase {
    const char* Name;
    TPatch Patch;
  };
  const TCase Cases[] = {
      {"not an MZ image", [](TBytes& B, const TLayout&) { B[0] = 'X'; }},
      {"PE header past the end", [](TBytes& B, const TLayout&) { PutU32(B, 0x3C, 0xFFFFFFF0); }},
      {"PE signature broken", [](TBytes& B, const TLayout& L) { B[L.PEHeader + 1] = 'X'; }},
      {"unknown optional-header magic", [](TBytes& B, const TLayout& L) { PutU16(B, L.OptionalHeader, 0x107); }},
      {"huge optional header", [](TBytes& B, const TLayout& L) { PutU16(B, L.PEHeader + 20, 0xFFFF); }},
      {"optional header too short for the resource directory",
       [](TBytes& B, const TLayout& L) { PutU16(B, L.PEHeader + 20, 100); }},
      {"no data directories", [](TBytes& B, const TLayout& L) { PutU32(B, L.OptionalHeader + 108, 0); }},
      {"huge section count", [](TBytes& B, const TLayout& L) { PutU16(B, L.PEHeader + 6, 0xFFFF); }},
      {"no sections", [](TBytes& B, const TLayout& L) { PutU16(B, L.PEHeader + 6, 0); }},
      {"resource directory outside every section",
       [](TBytes& B, const TLayout& L) { PutU32(B, L.OptionalHeader + 112 + 16, 0xFFFFFFF0); }},
      {"resource section's raw data past the end",
       [](TBytes& B, const TLayout& L) { PutU32(B, L.RsrcSection + 20, 0xFFFFFF00); }},
      {"resource section huge and reaching past the end",
       [](TBytes& B, const TLayout& L) {
         PutU32(B, L.RsrcSection + 8, 0xFFFFFFFF);
         PutU32(B, L.RsrcSection + 16, 0xFFFFFFFF);
         PutU32(B, L.RsrcSection + 12, 0xFFFFF000);
         PutU32(B, L.OptionalHeader + 112 + 16, 0xFFFFF000);
       }},
      {"huge entry counts", [](TBytes& B, const TLayout& L) { PutU32(B, L.Rsrc + 12, 0xFFFFFFFF); }},
      {"no version type", [](TBytes& B, const TLayout& L) { PutU32(B, L.TypeEntry, 3); }},
      {"version type as a name", [](TBytes& B, const TLayout& L) { PutU32(B, L.TypeEntry, HighBit | 16); }},
      {"type entry loops to the root", [](TBytes& B, const TLayout& L) { PutU32(B, L.TypeEntry + 4, HighBit); }},
      {"name entry loops to itself",
       [](TBytes& B, const TLayout& L) { PutU32(B, L.NameEntry + 4, HighBit | static_cast<std::uint32_t>(L.NameEntry - 16 - L.Rsrc)); }},
      {"name entry is data", [](TBytes& B, const TLayout& L) { PutU32(B, L.NameEntry + 4, 0); }},
      {"language entry is a directory",
       [](TBytes& B, const TLayout& L) { PutU32(B, L.LanguageEntry + 4, HighBit | GetU32(B, L.LanguageEntry + 4)); }},
      {"empty language directory",
       [](TBytes& B, const TLayout& L) { PutU32(B, L.LanguageEntry - 4, 0); }},
      {"directory offset past the end", [](TBytes& B, const TLayout& L) { PutU32(B, L.TypeEntry + 4, 0xFFFFFFFF); }},
      {"data outside every section", [](TBytes& B, const TLayout& L) { PutU32(B, L.DataEntry, 0x7FFFFFF0); }},
      {"huge data size", [](TBytes& B, const TLayout& L) { PutU32(B, L.DataEntry + 4, 0xFFFFFFFF); }},
      {"data smaller than the block", [](TBytes& B, const TLayout& L) { PutU32(B, L.DataEntry + 4, 100); }},
      {"block length zero", [](TBytes& B, const TLayout& L) { PutU16(B, L.Block, 0); }},
      {"block length past the data", [](TBytes& B, const TLayout& L) { PutU16(B, L.Block, 0xFFFF); }},
      {"block without the root key", [](TBytes& B, const TLayout& L) { B[L.Block + 6] = 'X'; }},
      {"root key without its zero",
       [](TBytes& B, const TLayout& L) { PutU16(B, L.Block, 6 + 2 * 15); }},
      {"fixed part too short", [](TBytes& B, const TLayout& L) { PutU16(B, L.Block + 2, 48); }},
      {"fixed part without its signature", [](TBytes& B, const TLayout& L) { B[L.Block + 40] ^= 0xFF; }},
  };
  const TBytes Original = LoadPEFixture("full.exe");
  const TLayout Layout(Original);
  ASSERT_TRUE(ReadImage(Original).IsValid());
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TBytes Image = Original;
    C.Patch(Image, Layout);
    const TPEVersionResource Resource = ReadImage(Image);
    EXPECT_FALSE(Resource.IsValid());
    EXPECT_EQ(Resource.QueryString("\\StringFileInfo\\041904E3\\CompanyName"), std::nullopt);
  }
}

// A damaged node hides itself and what follows it in its parent, never the rest of the block.
TEST(TPEVersionResource, DamagedStringNodesHideOnlyWhatTheyCover) {
  const char* Company = "\\StringFileInfo\\041904E3\\CompanyName";
  const char* Product = "\\StringFileInfo\\041904E3\\ProductName";
  const char* Translation = "\\VarFileInfo\\Translation";
  struct TCase {
    const char* Node;
    std::uint32_t Length;
    bool CompanyFound, ProductFound, TranslationFound;
  };
  const TCase Cases[] = {
      {"CompanyName", 0, false, false, true},       // a zero length cannot be stepped over
      {"CompanyName", 3, false, false, true},       // shorter than a node header
      {"CompanyName", 0xFFFF, false, false, true},  // past its table
      {"ProductName", 0, true, false, true},
      {"041904E3", 0xFFFF, false, false, true},     // the string table reaching past its parent
      {"StringFileInfo", 0, false, false, false},   // VarFileInfo follows it
  };
  const TBytes Original = LoadPEFixture("full.exe");
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::string(C.Node) + " of length " + std::to_string(C.Length));
    TBytes Image = Original;
    PutU16(Image, VersionNode(Image, C.Node), C.Length);
    const TPEVersionResource Resource = ReadImage(Image);
    ASSERT_TRUE(Resource.IsValid());
    EXPECT_EQ(Resource.QueryString(Company).has_value(), C.CompanyFound);
    EXPECT_EQ(Resource.QueryString(Product).has_value(), C.ProductFound);
    EXPECT_EQ(Resource.QueryValue(Translation).has_value(), C.TranslationFound);
  }
}

TEST(TPEVersionResource, TextValuesStopAtTheirZeroOrTheirNode) {
  TBytes Image = LoadPEFixture("full.exe");
  const std::size_t Node = VersionNode(Image, "InternalName");
  const char* Path = "\\StringFileInfo\\041904E3\\InternalName";
  PutU16(Image, Node + 2, 0xFFFF);  // a value length far beyond the node
  EXPECT_EQ(ReadImage(Image).QueryString(Path), "client");
  PutU16(Image, Node + 2, 0);  // a length in no unit at all: the text still reads to its zero
  EXPECT_EQ(ReadImage(Image).QueryString(Path), "client");
  const std::size_t ValueEnd = Node + GetU16(Image, Node);
  PutU16(Image, ValueEnd - 2, 'X');  // no terminating zero: the node's end stops the text
  EXPECT_EQ(ReadImage(Image).QueryString(Path), "clientX");
}

TEST(TPEFileSource, ReadsOnlyRangesInsideTheFile) {
  TPEFileSource Source(PEFixturePath("full.exe"));
  ASSERT_EQ(Source.Size(), 3072u);
  std::uint8_t Buffer[4] = {};
  EXPECT_TRUE(Source.ReadAt(0, 2, Buffer));
  EXPECT_EQ(std::string(Buffer, Buffer + 2), "MZ");
  EXPECT_TRUE(Source.ReadAt(3068, 4, Buffer));
  EXPECT_FALSE(Source.ReadAt(3069, 4, Buffer));
  EXPECT_FALSE(Source.ReadAt(UINT64_MAX - 1, 4, Buffer));
  EXPECT_TRUE(TPEVersionResource::FromSource(Source).IsValid());
}

}  // namespace
}  // namespace Quellit
