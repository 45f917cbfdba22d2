// Writes pack files like the ones employers submit: СЗВ-6-1/2/4 and СЗВ-6-3 packs in windows-1251,
// with everything real packs carry besides what the program reads (file header, pack attributes,
// inventories with tax numbers and document counts, addresses, special conditions). Deterministic:
// the same options give the same bytes on every platform.
//
// Texts in these structures are UTF-8; the renderers convert them to windows-1251. Amounts are
// ten-thousandths of a rouble, dates texts as written in a pack ("31.03.2011").
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace brisolt::packgen {

struct TGenStage {
  std::string Start;
  std::string End;
  bool WithSpecialConditions = false;
};

struct TGenDoc {
  std::string SNILS;  // as written, normally "123-456-789 01"
  std::string LastName;
  std::string FirstName;
  std::string MiddleName;
  std::int64_t InsAccrued = 0;
  std::int64_t InsPaid = 0;
  std::int64_t FundAccrued = 0;
  std::int64_t FundPaid = 0;
  std::vector<TGenStage> Stages;
  std::string FillDate = "01.01.2011";
  bool WithAddress = true;
};

struct TGenSZV6Pack {
  std::string FormKind = "СЗВ-6-1";  // "СЗВ-6-4" writes the inventory and documents of that form
  std::string DataType = "ИСХОДНАЯ";
  int Year = 2011;
  int Quarter = 1;
  int CorrYear = 0;  // written only for packs that are not initial
  int CorrQuarter = 0;
  std::string RegNumb = "087-001-012345";
  std::string OrgName = "ООО \"Ромашка\"";
  std::string ShortName = "ООО \"Ромашка\"";
  std::string CategoryCode = "НР";
  std::string ContractType = "ТРУДОВОЙ";  // written for СЗВ-6-4 only
  int PackNumber = 1;
  std::string CompileDate = "15.04.2011";
  std::vector<TGenDoc> Docs;
  std::string FileName;  // written as ИмяФайла; empty: made from the header
};

struct TGenMonth {
  std::int64_t Total = 0;
  std::int64_t Taxable = 0;
};

struct TGenSZV63Doc {
  std::string SNILS;
  std::string LastName;
  std::string FirstName;
  std::string MiddleName;
  std::array<TGenMonth, 12> Months{};  // [0] is January; months with both sums 0 are not written
  std::string FillDate = "01.02.2012";
};

struct TGenSZV63Pack {
  std::string DataType = "ИСХОДНАЯ";
  int Year = 2011;
  std::string RegNumb = "087-001-012345";
  std::string OrgName = "ООО \"Ромашка\"";
  std::string ShortName = "ООО \"Ромашка\"";
  std::string CategoryCode = "НР";
  std::string ContractType = "ТРУДОВОЙ";
  int PackNumber = 1;
  std::string CompileDate = "01.02.2012";
  std::vector<TGenSZV63Doc> Docs;
  std::string FileName;  // written as ИмяФайла; empty: made from the header
};

struct TRenderStyle {
  bool Indented = true;          // CRLF and TAB indentation; otherwise one long line
  bool BlankBeforeDeclEnd = false;  // <?xml ... ?> rather than <?xml ...?>
};

// The file's bytes, windows-1251.
std::string RenderSZV6Pack(const TGenSZV6Pack& pack, const TRenderStyle& style = {});
std::string RenderSZV63Pack(const TGenSZV63Pack& pack, const TRenderStyle& style = {});
// A pack of another form (an АДВ-6-2 inventory with АДВ-1 questionnaires) that reads as neither.
std::string RenderForeignPack(const std::string& regNumb, const TRenderStyle& style = {});

// "PFR-700-Y-2011-ORG-087-001-012345-DCK-00001-DPT-000000-DCK-00000.XML" with `number` in it.
std::string PackFileName(const std::string& regNumb, int year, int number);

// "123-456-789 01" with a valid control number, for the n-th person of a generated folder.
std::string MakeSNILS(std::uint64_t n);

// Writes bytes to a file, creating its folders; throws std::runtime_error on failure.
void WriteBytes(const std::string& fileName, const std::string& bytes);

struct TGenOptions {
  std::uint64_t Seed = 1;
  int Persons = 100;
  int Periods = 14;  // counted from the first half-year of 2010: 14 reach the 4th quarter of 2013
  int DocsPerPack = 200;
  bool Indented = true;
  std::string RegNumb = "087-001-012345";
};

struct TGenSummary {
  int Files = 0;
  int SZV6Packs = 0;
  int SZV63Packs = 0;
  std::int64_t Documents = 0;
  std::uint64_t Bytes = 0;
};

// A folder of one large insurer: hirings and dismissals, salaries over the base limit, debts paid
// late, corrective and cancelling packs, repeated initial packs, СЗВ-6-3 for 2010 to 2012,
// СЗВ-6-4 from 2013, a second insurer, a foreign form under the mask and files off the mask.
TGenSummary GenerateFolder(const TGenOptions& options, const std::string& folder);

// A small insurer ("087-001-012345", ООО "Ромашка") showing every situation a protocol reports.
TGenSummary GenerateSample(const std::string& folder);

}  // namespace brisolt::packgen
