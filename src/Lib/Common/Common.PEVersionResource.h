// Version resources of Windows PE images (PE32 and PE32+), read without the operating system:
// the product's executable is a PE file on every platform we run on.
//
// Every size and offset in an image is untrusted. Reads go through a byte source that refuses
// any range outside the image, the resource tree is walked to a fixed depth, and nothing is
// allocated beyond what the image really holds. Whatever the image, a read keeps at most 96
// section headers, three resource directories of at most 131,070 entries (about 1 MiB each) and
// one version block of at most 64 KiB in memory; a file source never loads the image whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Lib/Common/Common.Object.h"
#include "Platform/File.h"

namespace Quellit {

// Random access to the bytes of an image.
class TPEByteSource : public TObject {
 public:
  virtual std::uint64_t Size() const = 0;
  // Fills ABuffer with ACount bytes at AOffset; false, reading nothing, when the range is not
  // wholly inside the image.
  virtual bool ReadAt(std::uint64_t AOffset, std::size_t ACount, std::uint8_t* ABuffer) = 0;

 protected:
  bool Contains(std::uint64_t AOffset, std::size_t ACount) const {
    return ACount <= Size() && AOffset <= Size() - ACount;
  }
};

// An image already in memory; the bytes must outlive the source.
class TPEMemorySource : public TPEByteSource {
 public:
  explicit TPEMemorySource(std::span<const std::uint8_t> ABytes) : FBytes(ABytes) {}
  std::uint64_t Size() const override { return FBytes.size(); }
  bool ReadAt(std::uint64_t AOffset, std::size_t ACount, std::uint8_t* ABuffer) override;

 private:
  std::span<const std::uint8_t> FBytes;
};

// An image file, read piecewise so that a large executable is never loaded whole.
// Opening and reading failures raise EOSError.
class TPEFileSource : public TPEByteSource {
 public:
  explicit TPEFileSource(const std::string& AFileName);
  std::uint64_t Size() const override { return FSize; }
  bool ReadAt(std::uint64_t AOffset, std::size_t ACount, std::uint8_t* ABuffer) override;

 private:
  Platform::TFileHandle FHandle;
  std::uint64_t FSize = 0;
};

// VS_FIXEDFILEINFO.
struct TVSFixedFileInfo {
  static constexpr std::uint32_t SignatureValue = 0xFEEF04BD;
  std::uint32_t Signature = 0;
  std::uint32_t StrucVersion = 0;
  std::uint32_t FileVersionMS = 0;
  std::uint32_t FileVersionLS = 0;
  std::uint32_t ProductVersionMS = 0;
  std::uint32_t ProductVersionLS = 0;
  std::uint32_t FileFlagsMask = 0;
  std::uint32_t FileFlags = 0;
  std::uint32_t FileOS = 0;
  std::uint32_t FileType = 0;
  std::uint32_t FileSubtype = 0;
  std::uint32_t FileDateMS = 0;
  std::uint32_t FileDateLS = 0;
};

// One VS_VERSIONINFO block with lookups by sub-block path, the way the platform's version API
// answers them: "\" (the fixed part), "\VarFileInfo\Translation", "\StringFileInfo\<key>\<name>".
// Keys compare without regard to ASCII case.
class TPEVersionResource : public TObject {
 public:
  TPEVersionResource() = default;
  // Takes the raw block; it is valid only with the root key "VS_VERSION_INFO" and a fixed part
  // carrying its signature.
  explicit TPEVersionResource(std::vector<std::uint8_t> ABlock);

  // The raw block of the image's version resource (type 16, its first name, its first
  // language); empty when the image has none or is malformed.
  static std::vector<std::uint8_t> ExtractBlock(TPEByteSource& ASource);
  static TPEVersionResource FromSource(TPEByteSource& ASource);

  bool IsValid() const { return FFixedFileInfo.has_value(); }
  const std::vector<std::uint8_t>& Block() const { return FBlock; }
  const std::optional<TVSFixedFileInfo>& FixedFileInfo() const { return FFixedFileInfo; }

  // The value bytes of the node at ASubBlock.
  std::optional<std::vector<std::uint8_t>> QueryValue(std::string_view ASubBlock) const;
  // The text of the node at ASubBlock in UTF-8, up to its terminating zero.
  std::optional<std::string> QueryString(std::string_view ASubBlock) const;

 private:
  std::vector<std::uint8_t> FBlock;
  std::optional<TVSFixedFileInfo> FFixedFileInfo;
};

}  // namespace Quellit
