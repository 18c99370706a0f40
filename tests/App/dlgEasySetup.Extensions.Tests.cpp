#include "App/dlgEasySetup.Extensions.h"

#include <gtest/gtest.h>

#include "Lib/Common/Common.XMLUtils.h"
#include "Support/RussianLocale.h"
#include "WizardSandbox.h"

namespace Quellit {
namespace {

namespace fs = std::filesystem;
using Testing::TScratchFolder;
using Testing::TWizard;
using Testing::TWizardSandbox;

struct TMergeCase {
  std::string Current;
  std::string Added;
  std::string Expected;
};

// Order and sameness follow the user's locale.
using MergeExtensionLists = Testing::TRussianLocaleTest;

TEST_F(MergeExtensionLists, SortsDropsEmptiesAndKeepsTheFirstSpelling) {
  const std::vector<TMergeCase> Cases = {
      {"", ".pdf;.docx", ".docx;.pdf"},
      {".doc;.XLS", " .pdf; .xls ;.doc", ".doc;.pdf;.XLS"},
      {".doc;", "  ", ".doc"},
      {"", "   ", ""},
      {" ; ", "", ""},
      {".b", ".Я;.а", ".b;.а;.Я"},  // Latin before Cyrillic, as the product's platform sorts
      {"", ".my file", ".my file"},
  };
  for (const TMergeCase& Case : Cases)
    EXPECT_EQ(Quellit::MergeExtensionLists(Case.Current, Case.Added), Case.Expected) << Case.Current << " + " << Case.Added;
}

struct TFileCase {
  const char* Name;
  std::optional<std::string> Before;  // the file's content, nothing when missing
  std::string Setting;
  std::optional<std::string> Attribute;  // expected afterwards; nothing: the file is not touched
};

TEST(MergeExternalFileExts, WritesTheMergedAttributeOfTheOptionsRoot) {
  const std::vector<TFileCase> Cases = {
      {"missing file", std::nullopt, ".pdf;.docx", ".docx;.pdf"},
      {"existing attribute", R"(<?xml version="1.0"?><Options ExternalFileExts=".doc;.XLS" Other="1"/>)",
       ".pdf;.xls", ".doc;.pdf;.XLS"},
      {"blanks only", R"(<?xml version="1.0"?><Options/>)", "  ", std::nullopt},
      {"no setting", R"(<?xml version="1.0"?><Options/>)", "", std::nullopt},
  };
  for (const TFileCase& Case : Cases) {
    TWizardSandbox Sandbox;
    std::string File = TVeska8Information32::Instance().CommonSettingFilename();
    if (Case.Before) Sandbox.WriteFile(File, *Case.Before);
    fs::create_directories(fs::path(File).parent_path());
    TWizard Wizard;
    Wizard.Form.ExternalFileExts = Case.Setting;
    MergeExternalFileExts(Wizard.Form);
    if (!Case.Attribute) {
      EXPECT_EQ(fs::exists(File) ? std::optional(TScratchFolder::Read(File)) : std::nullopt, Case.Before) << Case.Name;
      continue;
    }
    TXMLDocument Document = TXMLDocument::Create();
    Document.LoadFromFile(File);
    EXPECT_EQ(Document.DocumentElement().NodeName(), "Options") << Case.Name;
    EXPECT_EQ(Document.DocumentElement().GetAttribute("ExternalFileExts"), Case.Attribute) << Case.Name;
    if (Case.Before) {
      EXPECT_EQ(Document.DocumentElement().GetAttribute("Other"), "1") << Case.Name;
    }
  }
}

TEST(MergeExternalFileExts, ADocumentWithAnotherRootIsAnError) {
  TWizardSandbox Sandbox;
  std::string File = TVeska8Information32::Instance().CommonSettingFilename();
  std::string Before = R"(<?xml version="1.0"?><Settings/>)";
  Sandbox.WriteFile(File, Before);
  TWizard Wizard;
  Wizard.Form.ExternalFileExts = ".pdf";
  EXPECT_THROW(MergeExternalFileExts(Wizard.Form), Exception);
  EXPECT_EQ(TScratchFolder::Read(File), Before);
}

// A file the step cannot read fails it naming the file and the parser's reason, and stays as it was.
TEST(MergeExternalFileExts, ABrokenFileFailsNamingItAndIsKept) {
  const std::string Broken[] = {"", "<Options ExternalFileExts=\".doc\">", "<?xml version=\"1.0\"?>\r\n<Options/><Options/>"};
  for (const std::string& Before : Broken) {
    SCOPED_TRACE(Before);
    TWizardSandbox Sandbox;
    std::string File = TVeska8Information32::Instance().CommonSettingFilename();
    Sandbox.WriteFile(File, Before);
    TWizard Wizard;
    Wizard.Form.ExternalFileExts = ".pdf";
    try {
      MergeExternalFileExts(Wizard.Form);
      ADD_FAILURE() << "a broken file was merged into";
    } catch (const EInvalidXMLFile& E) {
      const std::string Message = E.what();
      EXPECT_EQ(Message.rfind("Ошибка при загрузке файла \"" + File + "\"\r\n", 0), 0u) << Message;
      EXPECT_GT(Message.size(), ("Ошибка при загрузке файла \"" + File + "\"\r\n").size()) << "no reason given";
    }
    EXPECT_EQ(TScratchFolder::Read(File), Before);
  }
}

}  // namespace
}  // namespace Quellit
