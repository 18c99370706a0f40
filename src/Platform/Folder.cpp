// The portable part of folders: the order listings come in and the name masks. Both fold names with
// the text engine's ordinal folding, as the product's file system does.
#include "Platform/Folder.h"

#include "Lib/Text/Text.Engine.h"

namespace Quellit::Platform {
namespace {

// Classic wildcard matching with one backtrack point for the last "*".
bool MatchCodePoints(const std::u32string& AName, const std::u32string& AMask) {
  std::size_t N = 0, M = 0, StarMask = std::u32string::npos, StarName = 0;
  while (N < AName.size()) {
    if (M < AMask.size() && (AMask[M] == U'?' || AMask[M] == AName[N])) {
      ++N;
      ++M;
    } else if (M < AMask.size() && AMask[M] == U'*') {
      StarMask = M++;
      StarName = N;
    } else if (StarMask != std::u32string::npos) {
      M = StarMask + 1;
      N = ++StarName;
    } else {
      return false;
    }
  }
  while (M < AMask.size() && AMask[M] == U'*') ++M;
  return M == AMask.size();
}

}  // namespace

int CompareFolderNames(const std::string& A, const std::string& B) {
  if (const int Folded = Text::CompareOrdinalIgnoreCase(A, B); Folded != 0) return Folded;
  const int Exact = A.compare(B);
  return Exact < 0 ? -1 : Exact > 0 ? 1 : 0;
}

bool MatchesMask(const std::string& AName, const std::string& AMask) {
  const std::u32string Name = Text::OrdinalUpperCodePoints(AName), Mask = Text::OrdinalUpperCodePoints(AMask);
  if (MatchCodePoints(Name, Mask)) return true;
  const bool MaskEndsInDotStar = Mask.size() >= 2 && Mask.ends_with(U".*");
  return MaskEndsInDotStar && Name.find(U'.') == std::u32string::npos &&
         MatchCodePoints(Name, Mask.substr(0, Mask.size() - 2));
}

}  // namespace Quellit::Platform
