// kvtool base, report, base-item: normative-base files and the product report.
#include <cstdint>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "Lib/Common/Common.KvSimpleDBase64.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Lib/Common/Common.XMLUtils.h"
#include "SysInfo/SysInfo.Core.Veska8.h"
#include "SysInfo/SysInfo.Core.VeskaDBase.h"
#include "tools/KvTool.Commands.h"

namespace Quellit::KvTool {
namespace {

class EOutputError : public Exception {
  using Exception::Exception;
};

// Report texts carry their own CR LF line ends and item bytes are binary: both go out untouched.
void Write(const std::string& ABytes) { std::cout.write(ABytes.data(), static_cast<std::streamsize>(ABytes.size())); }

// A full disk or a closed pipe must not end in exit status 0 with the output cut short.
void FlushOutput() {
  std::cout.flush();
  if (!std::cout) throw EOutputError("cannot write to standard output");
}

void CopyToOutput(TStream& AStream) {
  std::vector<char> Buffer(64 * 1024);
  for (std::int64_t Count; (Count = AStream.Read(Buffer.data(), static_cast<std::int64_t>(Buffer.size()))) > 0;) {
    std::cout.write(Buffer.data(), static_cast<std::streamsize>(Count));
    if (!std::cout) break;
  }
  FlushOutput();
}

bool IsPortableSwitch(const std::string& AArgument) {
  return SameText(AArgument, "-portable") || SameText(AArgument, "/portable");
}

std::string ReportText(const TVeska6Information& AInfo) {
  std::string Text;
  AInfo.GetAutoSaveFolderInfo(Text);
  AInfo.GetModulesState(Text);
  return Text + "\r\n";
}

// The "dbase" element alone as the document: it is built under a holder root that then gives way.
std::string ReportXml(const TVeska6Information& AInfo) {
  TXMLDocument Doc = TXMLDocument::Create();
  TXMLElement Holder = Doc.CreateElement("report");
  Doc.SetDocumentElement(Holder);
  AInfo.GetModulesState(Holder);
  Doc.SetDocumentElement(Holder.FindChildElement("dbase"));
  Doc.SetEncoding("UTF-8");
  Doc.SetIndented(true);
  return Doc.SaveToBytes();
}

}  // namespace

// One file that cannot be described does not hide the others; it is reported and the exit
// status says so.
int RunBase(const TArguments& AArguments) {
  if (AArguments.empty()) throw EUsageError("base: no file given");
  int Status = 0;
  bool First = true;
  for (const std::string& File : AArguments) {
    try {
      const std::string Block = DescribeBase(File);
      Write((First ? "" : "\r\n") + Block + "\r\n");
      First = false;
    } catch (const std::exception& E) {
      std::cout.flush();  // keeps the message after the blocks before it
      std::cerr << "kvtool: " << File << ": " << E.what() << '\n';
      Status = 1;
    }
  }
  FlushOutput();
  return Status;
}

int RunReport(const TArguments& AArguments) {
  bool Xml = false;
  for (const std::string& Argument : AArguments) {
    if (Argument == "--xml")
      Xml = true;
    // The portable switch is the program's own: the product information reads it itself.
    else if (!IsPortableSwitch(Argument))
      throw EUsageError("report: unexpected argument \"" + Argument + "\"");
  }
  const TVeska8Information32& Info = TVeska8Information32::Instance();
  Write(Xml ? ReportXml(Info) : ReportText(Info));
  FlushOutput();
  return 0;
}

int RunBaseItem(const TArguments& AArguments) {
  if (AArguments.size() != 2) throw EUsageError("base-item: a file and an item name are needed");
  // Without read-ahead: one item, possibly large, is read once from start to end.
  TKvSimpleDBaseReader64 Reader(AArguments[0], false);
  std::unique_ptr<TSimpleDBaseItemStream64> Item = Reader.CreateItemStream(AArguments[1]);
  CopyToOutput(*Item);
  return 0;
}

}  // namespace Quellit::KvTool
