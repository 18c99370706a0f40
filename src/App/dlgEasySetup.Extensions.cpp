#include "App/dlgEasySetup.Extensions.h"

#include "App/dlgEasySetup.h"
#include "Lib/Common/Common.StringList.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Lib/Common/Common.XMLUtils.h"
#include "Platform/File.h"
#include "Platform/Folder.h"
#include "Platform/Path.h"
#include "SysInfo/SysInfo.Core.Veska8.h"

namespace Quellit {

namespace {

const char* const OptionsElement = "Options";
const char* const ExtensionsAttribute = "ExternalFileExts";

TXMLElement FindOrAddOptions(TXMLDocument& ADocument) {
  for (TXMLNode Node = ADocument.AsNode().FirstChild(); Node; Node = Node.NextSibling())
    if (Node.IsElement() && Node.NodeName() == OptionsElement) return ADocument.DocumentElement();
  TXMLElement Options = ADocument.CreateElement(OptionsElement);
  // A document with another root cannot take a second one: that is the document's error, not ours.
  if (!ADocument.DocumentElement().IsNull())
    throw EDOMError("Документ уже содержит корневой элемент \"" + ADocument.DocumentElement().NodeName() + "\"");
  ADocument.SetDocumentElement(Options);
  return ADocument.DocumentElement();
}

}  // namespace

std::string MergeExtensionLists(const std::string& ACurrent, const std::string& AAdded) {
  std::string Current = Trim(ACurrent);
  if (!Current.empty()) Current += ";";
  std::string Combined = Current + Trim(AAdded);
  if (Combined.empty()) return "";
  TStringList Items;
  Items.SetDelimiter(';');
  Items.SetStrictDelimiter(true);
  Items.SetDelimitedText(Combined);
  TStringList Merged;
  Merged.SetSorted(true);
  Merged.SetDuplicates(dupIgnore);
  Merged.SetCaseSensitive(false);
  Merged.SetDelimiter(';');
  Merged.SetStrictDelimiter(true);
  for (int I = 0; I < Items.Count(); ++I)
    if (std::string Item = Trim(Items[I]); !Item.empty()) Merged.Add(Item);
  return Merged.DelimitedText();
}

void MergeExternalFileExts(TfrmEasySetup& AForm) {
  if (AForm.ExternalFileExts.empty()) return;
  // The product's own spelling of the name, so a case-sensitive file system finds the same file.
  std::string FileName = TVeska8Information32::Instance().CommonSettingFilename();
  TXMLDocument Document = TXMLDocument::Create();
  // A broken file fails the step naming it; the wizard never replaces what it could not read.
  if (Platform::FileExists(FileName)) LoadXMLFileInto(Document, FileName);
  TXMLElement Options = FindOrAddOptions(Document);
  std::string Merged = MergeExtensionLists(Options.GetAttribute(ExtensionsAttribute).value_or(""),
                                           AForm.ExternalFileExts);
  if (Merged.empty()) return;
  Options.SetAttribute(ExtensionsAttribute, Merged);
  // A product that never wrote its settings yet has no folder for them; the file is new then too.
  Platform::ForceDirectories(Platform::ExtractFilePath(FileName));
  Document.SaveToFile(FileName);
}

}  // namespace Quellit
