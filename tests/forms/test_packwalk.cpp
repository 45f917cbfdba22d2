// The walk that reads packs without a tree against the tree's readers, on generated packs of every
// kind and on the same packs damaged at random: wherever the walk goes through, both readers'
// answers and every field must be what the tree gives.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "../reference/pack_walk_check.h"
#include "base/encoding.h"
#include "packgen.h"

namespace brisolt {
namespace {

using packgen::TGenDoc;
using packgen::TGenSZV63Doc;
using packgen::TGenSZV63Pack;
using packgen::TGenSZV6Pack;

std::vector<std::string> GeneratedPacks() {
  std::vector<std::string> packs;
  for (const bool indented : {true, false}) {
    packgen::TRenderStyle style;
    style.Indented = indented;
    for (const char* form : {"СЗВ-6-1", "СЗВ-6-2", "СЗВ-6-4"}) {
      TGenSZV6Pack pack;
      pack.FormKind = form;
      pack.DataType = indented ? "ИСХОДНАЯ" : "КОРРЕКТИРУЮЩАЯ";
      pack.CorrYear = 2010;
      pack.CorrQuarter = 4;
      for (int person = 1; person <= 3; ++person) {
        TGenDoc doc;
        doc.SNILS = packgen::MakeSNILS(static_cast<std::uint64_t>(person));
        doc.LastName = "Иванов&Ко";
        doc.FirstName = "Пётр";
        doc.MiddleName = person == 2 ? "" : "Ильич";
        doc.InsAccrued = 1234567 * person;
        doc.InsPaid = 1200000;
        doc.FundAccrued = 370000;
        doc.FundPaid = 370001;
        doc.Stages.push_back({"01.01.2011", "31.03.2011", person == 1});
        doc.Stages.push_back({"01.02.2011", "", false});
        doc.WithAddress = person != 3;
        pack.Docs.push_back(doc);
      }
      packs.push_back(packgen::RenderSZV6Pack(pack, style));
    }
    TGenSZV63Pack pack63;
    for (int person = 1; person <= 3; ++person) {
      TGenSZV63Doc doc;
      doc.SNILS = packgen::MakeSNILS(static_cast<std::uint64_t>(person) + 10);
      doc.LastName = "Сидорова";
      for (int month = 0; month < 12; month += person) doc.Months[month] = {1000000 + month, 900000};
      pack63.Docs.push_back(doc);
    }
    packs.push_back(packgen::RenderSZV63Pack(pack63, style));
    packs.push_back(packgen::RenderForeignPack("087-001-012345", style));
  }
  return packs;
}

// One random damage: a markup character removed, a stretch of the pack repeated or dropped, or a
// date, a number or a name put where a value stood.
std::string Damage(std::string pack, std::mt19937& random) {
  const auto at = [&](std::size_t size) { return std::uniform_int_distribution<std::size_t>(0, size - 1)(random); };
  switch (random() % 5) {
    case 0: {
      const std::size_t pos = pack.find_first_of("<>/", at(pack.size()));
      if (pos != std::string::npos) pack.erase(pos, 1);
      break;
    }
    case 1: {
      const std::size_t begin = pack.find('<', at(pack.size()));
      const std::size_t end = begin == std::string::npos ? begin : pack.find('<', begin + 1 + random() % 200);
      if (end != std::string::npos) pack.insert(end, pack.substr(begin, end - begin));
      break;
    }
    case 2: {
      const std::size_t begin = pack.find('<', at(pack.size()));
      const std::size_t end = begin == std::string::npos ? begin : pack.find('<', begin + 1 + random() % 100);
      if (end != std::string::npos) pack.erase(begin, end - begin);
      break;
    }
    default: {
      static const char* const kValues[] = {"31.02.2011", "1.1", "-5", "12,5e3", "", " 7 ", "МЕСЦ", "&amp;x", "<a/>"};
      const std::size_t close = pack.find("</", at(pack.size()));
      if (close == std::string::npos) break;
      const std::size_t open = pack.rfind('>', close);
      if (open == std::string::npos || open + 1 > close) break;
      pack.replace(open + 1, close - open - 1, Utf8ToCp1251(kValues[random() % std::size(kValues)]));
      break;
    }
  }
  return pack;
}

TEST(PackWalk, ReadsWhatTheTreeReadsOnGeneratedAndDamagedPacks) {
  std::mt19937 random(20261208);
  int walked = 0;
  int leftToTree = 0;
  for (const std::string& pack : GeneratedPacks()) {
    std::string byWalk;
    ASSERT_TRUE(reference::ReadByWalk(pack, byWalk)) << "an undamaged generated pack goes to the tree";
    EXPECT_EQ(byWalk, reference::ReadFromTree(pack));
    for (int round = 0; round < 150; ++round) {
      std::string damaged = pack;
      for (int damage = 0, count = 1 + static_cast<int>(random() % 3); damage < count; ++damage) {
        damaged = Damage(damaged, random);
      }
      if (!reference::ReadByWalk(damaged, byWalk)) {
        ++leftToTree;
        continue;
      }
      ++walked;
      ASSERT_EQ(byWalk, reference::ReadFromTree(damaged)) << Cp1251ToUtf8(damaged);
    }
  }
  // Both ways are taken often enough for the comparison to mean something.
  EXPECT_GT(walked, 200);
  EXPECT_GT(leftToTree, 200);
}

}  // namespace
}  // namespace brisolt
