#include "Lib/Common/Common.PEVersionResource.h"

#include <algorithm>
#include <cstring>

#include "Lib/Common/Common.SysUtils.h"

namespace Quellit {

// ---- byte sources ------------------------------------------------------------------------------

bool TPEMemorySource::ReadAt(std::uint64_t AOffset, std::size_t ACount, std::uint8_t* ABuffer) {
  if (!Contains(AOffset, ACount)) return false;
  if (ACount > 0) std::memcpy(ABuffer, FBytes.data() + AOffset, ACount);
  return true;
}

TPEFileSource::TPEFileSource(const std::string& AFileName)
    : FHandle(AFileName, Platform::TFileAccess::Read, Platform::TFileDisposition::OpenExisting),
      FSize(FHandle.Size()) {}

bool TPEFileSource::ReadAt(std::uint64_t AOffset, std::size_t ACount, std::uint8_t* ABuffer) {
  if (!Contains(AOffset, ACount)) return false;
  FHandle.Seek(static_cast<std::int64_t>(AOffset), Platform::TSeekOrigin::Begin);
  // A file that shrank since it was opened reads short: treat it as outside the image.
  return FHandle.Read(ABuffer, static_cast<std::int64_t>(ACount)) == static_cast<std::int64_t>(ACount);
}

// ---- little-endian fields --------------------------------------------------------------------

namespace {

using TBytes = std::vector<std::uint8_t>;

std::uint16_t U16(const std::uint8_t* P) { return static_cast<std::uint16_t>(P[0] | (P[1] << 8)); }

std::uint32_t U32(const std::uint8_t* P) {
  return static_cast<std::uint32_t>(P[0]) | (static_cast<std::uint32_t>(P[1]) << 8) |
         (static_cast<std::uint32_t>(P[2]) << 16) | (static_cast<std::uint32_t>(P[3]) << 24);
}

std::size_t Align4(std::size_t AOffset) { return (AOffset + 3) & ~static_cast<std::size_t>(3); }

// Reads ACount bytes at a file offset; nothing is allocated unless the range is in the image.
std::optional<TBytes> ReadBytes(TPEByteSource& ASource, std::uint64_t AOffset, std::size_t ACount) {
  if (ACount > ASource.Size() || AOffset > ASource.Size() - ACount) return std::nullopt;
  TBytes Result(ACount);
  if (!ASource.ReadAt(AOffset, ACount, Result.data())) return std::nullopt;
  return Result;
}

// ---- PE image: headers, sections, resource tree ------------------------------------------------

constexpr std::uint16_t DosSignature = 0x5A4D;      // "MZ"
constexpr std::uint32_t PESignature = 0x00004550;   // "PE\0\0"
constexpr std::uint16_t PE32Magic = 0x10B;
constexpr std::uint16_t PE32PlusMagic = 0x20B;
constexpr std::uint32_t ResourceDirectoryIndex = 2;
constexpr std::uint32_t RT_VERSION = 16;
constexpr std::uint32_t MaxSections = 96;           // the platform's loader refuses more
constexpr std::uint32_t HighBit = 0x80000000u;
constexpr std::size_t MaxVersionBlock = 0xFFFF;     // the block's length is a 16-bit field

struct TSection {
  std::uint32_t VirtualAddress = 0;
  std::uint32_t Span = 0;  // bytes of the section that come from the file
  std::uint32_t RawPointer = 0;
};

class TPEImage {
 public:
  explicit TPEImage(TPEByteSource& ASource) : FSource(ASource) {}

  // Reads the headers; false when the image is not a PE file we can read.
  bool Load();
  std::uint32_t ResourceRva() const { return FResourceRva; }
  // Reads ACount bytes at a relative virtual address, all inside one section's file data.
  std::optional<TBytes> ReadRva(std::uint32_t ARva, std::size_t ACount) const;

 private:
  bool LoadSections(std::uint64_t AOffset, std::uint16_t ACount);

  TPEByteSource& FSource;
  std::vector<TSection> FSections;
  std::uint32_t FResourceRva = 0;
};

bool TPEImage::Load() {
  auto Dos = ReadBytes(FSource, 0, 64);
  if (!Dos || U16(Dos->data()) != DosSignature) return false;
  const std::uint64_t PEOffset = U32(Dos->data() + 0x3C);
  auto FileHeader = ReadBytes(FSource, PEOffset, 24);
  if (!FileHeader || U32(FileHeader->data()) != PESignature) return false;
  const std::uint16_t SectionCount = U16(FileHeader->data() + 6);
  const std::uint16_t OptionalSize = U16(FileHeader->data() + 20);
  auto Optional = ReadBytes(FSource, PEOffset + 24, OptionalSize);
  if (!Optional || OptionalSize < 2) return false;
  const std::uint16_t Magic = U16(Optional->data());
  if (Magic != PE32Magic && Magic != PE32PlusMagic) return false;
  const std::size_t CountAt = Magic == PE32Magic ? 92 : 108;
  const std::size_t DirectoryAt = CountAt + 4 + 8 * ResourceDirectoryIndex;
  if (DirectoryAt + 8 > OptionalSize) return false;
  if (U32(Optional->data() + CountAt) <= ResourceDirectoryIndex) return false;
  FResourceRva = U32(Optional->data() + DirectoryAt);
  return FResourceRva != 0 && LoadSections(PEOffset + 24 + OptionalSize, SectionCount);
}

bool TPEImage::LoadSections(std::uint64_t AOffset, std::uint16_t ACount) {
  if (ACount > MaxSections) return false;
  auto Table = ReadBytes(FSource, AOffset, std::size_t{40} * ACount);
  if (!Table) return false;
  for (std::size_t I = 0; I < ACount; ++I) {
    const std::uint8_t* Header = Table->data() + 40 * I;
    const std::uint32_t VirtualSize = U32(Header + 8);
    const std::uint32_t RawSize = U32(Header + 16);
    // Raw data past the virtual size is file alignment padding, never mapped.
    const std::uint32_t Span = VirtualSize != 0 ? std::min(VirtualSize, RawSize) : RawSize;
    FSections.push_back({U32(Header + 12), Span, U32(Header + 20)});
  }
  return true;
}

std::optional<TBytes> TPEImage::ReadRva(std::uint32_t ARva, std::size_t ACount) const {
  for (const TSection& Section : FSections) {
    if (ARva < Section.VirtualAddress) continue;
    const std::uint64_t Inside = ARva - Section.VirtualAddress;
    if (Inside >= Section.Span) continue;
    if (ACount > Section.Span - Inside) return std::nullopt;
    return ReadBytes(FSource, Section.RawPointer + Inside, ACount);
  }
  return std::nullopt;
}

// One level of the resource tree. Offsets are relative to the start of the tree.
struct TResourceEntry {
  std::uint32_t Name = 0;    // high bit: a named entry, otherwise an integer id
  std::uint32_t Target = 0;  // high bit: a subdirectory, otherwise a data entry
};

class TResourceTree {
 public:
  explicit TResourceTree(const TPEImage& AImage) : FImage(AImage) {}
  // The raw version block: type RT_VERSION, its first name, its first language.
  std::optional<TBytes> VersionBlock();

 private:
  std::optional<std::vector<TResourceEntry>> ReadDirectory(std::uint32_t AOffset);
  std::optional<std::uint32_t> Subdirectory(const TResourceEntry& AEntry) const;
  std::optional<TBytes> ReadData(std::uint32_t AOffset) const;

  const TPEImage& FImage;
  // A hostile tree may point a directory back at itself or an ancestor.
  std::vector<std::uint32_t> FVisited;
};

std::optional<std::vector<TResourceEntry>> TResourceTree::ReadDirectory(std::uint32_t AOffset) {
  if (std::find(FVisited.begin(), FVisited.end(), AOffset) != FVisited.end()) return std::nullopt;
  FVisited.push_back(AOffset);
  const std::uint32_t Rva = FImage.ResourceRva() + AOffset;
  if (Rva < AOffset || Rva > UINT32_MAX - 16) return std::nullopt;
  auto Header = FImage.ReadRva(Rva, 16);
  if (!Header) return std::nullopt;
  const std::size_t Count = std::size_t{U16(Header->data() + 12)} + U16(Header->data() + 14);
  auto Table = FImage.ReadRva(Rva + 16, 8 * Count);
  if (!Table) return std::nullopt;
  std::vector<TResourceEntry> Result;
  for (std::size_t I = 0; I < Count; ++I)
    Result.push_back({U32(Table->data() + 8 * I), U32(Table->data() + 8 * I + 4)});
  return Result;
}

std::optional<std::uint32_t> TResourceTree::Subdirectory(const TResourceEntry& AEntry) const {
  if ((AEntry.Target & HighBit) == 0) return std::nullopt;
  return AEntry.Target & ~HighBit;
}

std::optional<TBytes> TResourceTree::ReadData(std::uint32_t AOffset) const {
  const std::uint32_t Rva = FImage.ResourceRva() + AOffset;
  if (Rva < AOffset) return std::nullopt;
  auto Entry = FImage.ReadRva(Rva, 16);
  if (!Entry) return std::nullopt;
  const std::uint32_t Size = U32(Entry->data() + 4);
  return FImage.ReadRva(U32(Entry->data()), std::min<std::size_t>(Size, MaxVersionBlock));
}

std::optional<TBytes> TResourceTree::VersionBlock() {
  auto Types = ReadDirectory(0);
  if (!Types) return std::nullopt;
  auto Version = std::find_if(Types->begin(), Types->end(),
                              [](const TResourceEntry& E) { return E.Name == RT_VERSION; });
  if (Version == Types->end()) return std::nullopt;
  auto NamesAt = Subdirectory(*Version);
  auto Names = NamesAt ? ReadDirectory(*NamesAt) : std::nullopt;
  if (!Names || Names->empty()) return std::nullopt;
  auto LanguagesAt = Subdirectory(Names->front());
  auto Languages = LanguagesAt ? ReadDirectory(*LanguagesAt) : std::nullopt;
  if (!Languages || Languages->empty() || (Languages->front().Target & HighBit) != 0) return std::nullopt;
  return ReadData(Languages->front().Target);
}

// ---- VS_VERSIONINFO nodes --------------------------------------------------------------------
// A node: wLength, wValueLength, wType, the zero-terminated UTF-16 key, padding to 32 bits, the
// value, padding, then the children, each starting on a 32-bit boundary.

struct TNode {
  std::size_t End = 0;
  std::u16string Key;
  std::size_t ValueStart = 0;
  std::size_t ValueEnd = 0;       // as declared by wValueLength, cut at the node's end
  std::size_t ChildrenStart = 0;
};

constexpr std::size_t NodeHeaderSize = 6;
constexpr std::uint16_t TextValueType = 1;  // wValueLength counts UTF-16 characters

// Parses the node at AStart that must end by ALimit; false for a node that cannot be.
bool ParseNode(const TBytes& ABlock, std::size_t AStart, std::size_t ALimit, TNode& ANode) {
  if (ALimit > ABlock.size() || AStart + NodeHeaderSize > ALimit) return false;
  const std::uint8_t* Header = ABlock.data() + AStart;
  const std::size_t Length = U16(Header);
  if (Length < NodeHeaderSize || Length > ALimit - AStart) return false;
  ANode = TNode{};
  ANode.End = AStart + Length;
  std::size_t Pos = AStart + NodeHeaderSize;
  for (; Pos + 2 <= ANode.End; Pos += 2) {
    const char16_t C = static_cast<char16_t>(U16(ABlock.data() + Pos));
    if (C == 0) break;
    ANode.Key.push_back(C);
  }
  if (Pos + 2 > ANode.End) return false;  // the key has no terminating zero inside the node
  ANode.ValueStart = std::min(Align4(Pos + 2), ANode.End);
  const std::size_t ValueBytes = U16(Header + 4) == TextValueType ? 2 * std::size_t{U16(Header + 2)}
                                                                  : U16(Header + 2);
  ANode.ValueEnd = std::min(ANode.ValueStart + ValueBytes, ANode.End);
  ANode.ChildrenStart = std::min(Align4(ANode.ValueEnd), ANode.End);
  return true;
}

bool SameKey(const std::u16string& AKey, std::string_view AName) {
  if (AKey.size() != AName.size()) return false;
  std::string Key;
  for (const char16_t C : AKey) {
    if (C > 0x7F) return false;  // the names we look up are ASCII
    Key.push_back(static_cast<char>(C));
  }
  return SameText(Key, AName);
}

// The child of AParent named AName. A child that cannot be parsed ends the search: what follows
// it cannot be located reliably.
bool FindChild(const TBytes& ABlock, const TNode& AParent, std::string_view AName, TNode& AChild) {
  for (std::size_t Pos = AParent.ChildrenStart; Pos < AParent.End;) {
    if (!ParseNode(ABlock, Pos, AParent.End, AChild)) return false;
    if (SameKey(AChild.Key, AName)) return true;
    Pos = Align4(AChild.End);
  }
  return false;
}

std::vector<std::string_view> SplitSubBlock(std::string_view APath) {
  std::vector<std::string_view> Result;
  while (!APath.empty()) {
    const std::size_t Next = APath.find('\\');
    if (Next != 0) Result.push_back(APath.substr(0, Next));
    if (Next == std::string_view::npos) break;
    APath.remove_prefix(Next + 1);
  }
  return Result;
}

std::optional<TNode> FindNode(const TBytes& ABlock, std::string_view ASubBlock) {
  TNode Node;
  if (!ParseNode(ABlock, 0, ABlock.size(), Node)) return std::nullopt;
  for (std::string_view Name : SplitSubBlock(ASubBlock))
    if (!FindChild(ABlock, TNode(Node), Name, Node)) return std::nullopt;
  return Node;
}

std::optional<TVSFixedFileInfo> ReadFixedFileInfo(const TBytes& ABlock) {
  TNode Root;
  if (!ParseNode(ABlock, 0, ABlock.size(), Root) || !SameKey(Root.Key, "VS_VERSION_INFO")) return std::nullopt;
  if (Root.ValueEnd - Root.ValueStart < 13 * 4) return std::nullopt;
  std::uint32_t Fields[13];
  for (std::size_t I = 0; I < 13; ++I) Fields[I] = U32(ABlock.data() + Root.ValueStart + 4 * I);
  if (Fields[0] != TVSFixedFileInfo::SignatureValue) return std::nullopt;
  return TVSFixedFileInfo{Fields[0], Fields[1], Fields[2],  Fields[3],  Fields[4],  Fields[5], Fields[6],
                          Fields[7], Fields[8], Fields[9], Fields[10], Fields[11], Fields[12]};
}

}  // namespace

// ---- TPEVersionResource ----------------------------------------------------------------------

TPEVersionResource::TPEVersionResource(std::vector<std::uint8_t> ABlock) : FBlock(std::move(ABlock)) {
  FFixedFileInfo = ReadFixedFileInfo(FBlock);
  if (!FFixedFileInfo) FBlock.clear();
}

std::vector<std::uint8_t> TPEVersionResource::ExtractBlock(TPEByteSource& ASource) {
  TPEImage Image(ASource);
  if (!Image.Load()) return {};
  return TResourceTree(Image).VersionBlock().value_or(TBytes{});
}

TPEVersionResource TPEVersionResource::FromSource(TPEByteSource& ASource) {
  return TPEVersionResource(ExtractBlock(ASource));
}

std::optional<std::vector<std::uint8_t>> TPEVersionResource::QueryValue(std::string_view ASubBlock) const {
  if (!IsValid()) return std::nullopt;
  auto Node = FindNode(FBlock, ASubBlock);
  if (!Node) return std::nullopt;
  return TBytes(FBlock.begin() + static_cast<std::ptrdiff_t>(Node->ValueStart),
                FBlock.begin() + static_cast<std::ptrdiff_t>(Node->ValueEnd));
}

std::optional<std::string> TPEVersionResource::QueryString(std::string_view ASubBlock) const {
  if (!IsValid()) return std::nullopt;
  auto Node = FindNode(FBlock, ASubBlock);
  if (!Node) return std::nullopt;
  // Callers of the platform's API read a text value up to its zero, whatever wValueLength
  // claims; resource compilers disagree on whether it counts characters or bytes.
  std::u16string Text;
  for (std::size_t Pos = Node->ValueStart; Pos + 2 <= Node->End; Pos += 2) {
    const char16_t C = static_cast<char16_t>(U16(FBlock.data() + Pos));
    if (C == 0) break;
    Text.push_back(C);
  }
  return Utf16ToUtf8(Text);
}

}  // namespace Quellit
